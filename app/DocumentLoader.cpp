#include "app/DocumentLoader.h"

#include "app/Dialogs.h"
#include "app/EditorText.h"
#include "app/StatusArea.h"
#include "platform/documents/DocumentReader.h"
#include "platform/system/Log.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// How the editor lays out its text, so that a document built elsewhere fits
// it as it is.
struct DocumentShape
{
    QFont font;
    QTextOption option;
};

struct LoadedText
{
    std::unique_ptr<QTextDocument> document;
    QString error;
    bool needsPassword = false;
    bool cancelled = false;
    TextOutline outline;
};

// The editor's text, with the document's replacing it as one step that Undo
// takes back when `previous` is given. Built away from the main thread: for
// a text of megabytes most of the cost of showing it is building the
// document's blocks, which need not hold up the window; a plain text is read
// piece by piece so that it is never held twice. The whole is written in one
// edit block, so that the document is laid out once, at its end.
LoadedText loadText(const QString &path, const DocumentShape &shape, const QString &previous,
                    const Documents::Options &options)
{
    auto document = std::make_unique<QTextDocument>();
    document->setDocumentLayout(new QPlainTextDocumentLayout(document.get()));
    document->setDefaultFont(shape.font);
    document->setDefaultTextOption(shape.option);
    document->setUndoRedoEnabled(false);
    QTextCursor cursor(document.get());
    const auto write = [&cursor](QStringView text) {
        EditorText::Writer writer(cursor);
        writer.write(text);
        writer.finish();
    };
    cursor.beginEditBlock();
    write(previous);
    cursor.endEditBlock();
    document->setUndoRedoEnabled(!previous.isEmpty());

    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    cursor.removeSelectedText();
    auto writer = std::make_unique<EditorText::Writer>(cursor);
    Documents::Result read = Documents::read(
        path, options,
        [&writer](QStringView piece) {
            writer->write(piece);
            return true;
        },
        [&] {
            // The pieces before were not the text.
            writer->finish();
            cursor.select(QTextCursor::Document);
            cursor.removeSelectedText();
            writer = std::make_unique<EditorText::Writer>(cursor);
        });
    writer->finish();
    const bool whole = read.text.has_value();
    if (whole) {
        // The whole document at once, of a kind that is not read in pieces.
        cursor.select(QTextCursor::Document);
        cursor.removeSelectedText();
        write(*std::exchange(read.text, std::nullopt));
    }
    cursor.endEditBlock();
    if (!whole && (!read.error.isEmpty() || read.needsPassword || read.cancelled))
        return {nullptr, read.error, read.needsPassword, read.cancelled, {}};
    document->setModified(false);
    return {std::move(document), QString(), false, false, std::move(read.outline)};
}

} // namespace

DocumentLoader::DocumentLoader(QObject *parent)
    : QObject(parent)
{}

DocumentLoader::~DocumentLoader()
{
    if (m_cancel)
        m_cancel->store(true);
}

void DocumentLoader::setViews(QPlainTextEdit *text, StatusArea *status)
{
    m_text = text;
    m_status = status;
}

bool DocumentLoader::holdsText() const
{
    const QTextDocument *document = m_text ? m_text->document() : nullptr;
    if (!document)
        return false;
    // The blocks' own characters: toPlainText() would turn no-break spaces
    // into spaces.
    for (QTextBlock block = document->firstBlock(); block.isValid(); block = block.next()) {
        if (block.position() > 0 && EditorText::seamBefore(block) == EditorText::Seam::LineBreak)
            return true;
        const QString text = block.text();
        if (std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c != u' '; }))
            return true;
    }
    return false;
}

void DocumentLoader::open(const QString &path, bool noteRecent)
{
    if (noteRecent)
        m_recentList.note(QUrl::fromLocalFile(path));
    if (!holdsText()) {
        load(path);
        return;
    }
    // One question at a time: a file handed over while it is up takes the
    // place of the one it asks about.
    const bool asking = m_fileToOpen.has_value();
    m_fileToOpen = path;
    if (asking)
        return;
    Dialogs::yesNo(tr("Open %1").arg(QFileInfo(path).fileName()),
                   tr("The text in the editor will be replaced by the file's text."),
                   [this](int code) {
                       const QString chosen = *std::exchange(m_fileToOpen, std::nullopt);
                       if (code == 0)
                           load(chosen);
                   });
}

void DocumentLoader::load(const QString &path, const QByteArray &password)
{
    if (!m_text)
        return;
    // Reading may take long (a slow disk, a network folder, a large text): it
    // runs on a pool thread and only the last requested file replaces the
    // text. Meanwhile the editor takes no typing, which the load would lose.
    const quint64 request = ++m_request;
    m_pending = true;
    m_permille = 0;
    m_text->setReadOnly(true);
    m_status->show(tr("Opening %1...").arg(QFileInfo(path).fileName()), true);
    m_line = m_status->shownText();
    // A read that nobody waits for any more stops.
    if (m_cancel)
        m_cancel->store(true);
    auto cancel = std::make_shared<std::atomic_bool>(false);
    m_cancel = cancel;
    m_status->offerCancel(true);

    QPointer<DocumentLoader> self(this);
    QThread *mainThread = thread();
    const DocumentShape shape{m_text->document()->defaultFont(),
                              m_text->document()->defaultTextOption()};
    // The replaced text stays one Undo away, unless it is too large to keep
    // twice.
    const QTextDocument *current = m_text->document();
    const QString previous =
        current->characterCount() <= maximumTextSize ? EditorText::read(current).text : QString();
    QThreadPool::globalInstance()->start(
        [self, path, password, request, mainThread, shape, previous, cancel] {
            Documents::Options options;
            options.limits.maximumText = maximumTextSize;
            options.password = password;
            options.cancel = cancel.get();
            int shown = -1;
            options.progress = [self, request, &shown](double share) {
                // A thousand steps at most reach the window.
                const int permille = std::clamp(int(share * 1000), 0, 1000);
                if (permille == std::exchange(shown, permille))
                    return;
                QMetaObject::invokeMethod(
                    QCoreApplication::instance(),
                    [self, request, permille] {
                        if (self)
                            self->progressed(request, permille);
                    },
                    Qt::QueuedConnection);
            };
            options.recognising = [self, request](int page, int count) {
                QMetaObject::invokeMethod(
                    QCoreApplication::instance(),
                    [self, request, page, count] {
                        if (self)
                            self->recognising(request, page, count);
                    },
                    Qt::QueuedConnection);
            };
            LoadedText loaded = loadText(path, shape, previous, options);
            if (loaded.document)
                loaded.document->moveToThread(mainThread);
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [self, path, password, request,
                 loaded = std::make_shared<LoadedText>(std::move(loaded))] {
                    if (self)
                        self->loaded(request, path, password, std::move(loaded->document),
                                     {loaded->error, loaded->needsPassword, loaded->cancelled},
                                     std::move(loaded->outline));
                },
                Qt::QueuedConnection);
        });
}

void DocumentLoader::progressed(quint64 request, int permille)
{
    if (request != m_request || !m_pending)
        return;
    m_permille = permille;
    m_status->setProgress(permille, tr("Opening progress"));
}

void DocumentLoader::recognising(quint64 request, int page, int count)
{
    if (request != m_request || !m_pending)
        return;
    // Not announced, as the progress is not: a screen reader would say little
    // else through a scanned book. The line the read hides as it ends is this.
    m_status->showProgress(tr("Recognising page %1 of %2...").arg(page + 1).arg(count), m_permille,
                           tr("Opening progress"));
    m_line = m_status->shownText();
}

void DocumentLoader::cancel()
{
    if (!m_pending)
        return;
    // The text stays as it was; the read's result, whenever it comes, is
    // no longer the last one asked for.
    ++m_request;
    ended();
}

void DocumentLoader::abandon()
{
    if (m_pending)
        ended();
    ++m_request;
}

void DocumentLoader::ended()
{
    m_pending = false;
    // Whatever the read still does, nobody waits for it any more.
    if (m_cancel)
        m_cancel->store(true);
    m_cancel.reset();
    m_status->offerCancel(false);
    if (m_text)
        m_text->setReadOnly(false);
    if (m_status->shownText() == m_line)
        m_status->hide();
}

void DocumentLoader::loaded(quint64 request, const QString &path, const QByteArray &password,
                            std::unique_ptr<QTextDocument> document, const Failure &failure,
                            TextOutline outline)
{
    const bool current = request == m_request;
    if (current)
        ended();
    if (!document && failure.cancelled) {
        Q_EMIT finished(path, false);
        return;
    }
    if (!document && failure.needsPassword && current) {
        // Asked again, with the reason, until the right one comes or the
        // person gives up; the text stays meanwhile.
        Q_EMIT finished(path, false);
        const QString reason = password.isEmpty() ? QString() : failure.error;
        Dialogs::password(QFileInfo(path).fileName(), reason,
                          [this, path](const QString &given) { load(path, given.toUtf8()); });
        return;
    }
    const QString &error = failure.error;
    if (!document) {
        // The text in the editor is kept: a failed open must not lose it.
        Log::write(u"Cannot open %1: %2"_s.arg(path, error));
        if (current)
            m_status->showFailure(tr("Cannot open %1: %2").arg(path, error));
        Q_EMIT finished(path, false);
        return;
    }
    if (!current || !m_text) {
        Q_EMIT finished(path, false);
        return;
    }
    // The editor deletes a document of its own when it gets another; one of
    // an earlier open belongs to the editor as a child and goes here.
    Q_EMIT textWillBeReplaced();
    QPointer<QTextDocument> previous = m_text->document();
    document->setParent(m_text);
    m_text->setDocument(document.release());
    if (previous && previous->parent() == m_text)
        previous->deleteLater();
    Q_EMIT outlineRead(m_text->document(), std::move(outline));
    Q_EMIT finished(path, true);
}
