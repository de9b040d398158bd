// New, Open and files handed over by the desktop.
#include "app/AppDelegate.h"

#include "app/FileArgument.h"
#include "app/FindIndicator.h"
#include "platform/documents/DocumentReader.h"
#include "platform/system/Log.h"

#include <QBoxLayout>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QThread>
#include <QThreadPool>
#include <QToolButton>

#include <algorithm>
#include <atomic>
#include <memory>
#include <utility>

using namespace Qt::StringLiterals;

bool AppDelegate::holdsAnythingButSpaces() const
{
    const QTextDocument *document = m_textView ? m_textView->document() : nullptr;
    if (!document)
        return false;
    // A second block means a line break. The block's own characters:
    // toPlainText() would turn no-break spaces into spaces.
    if (document->blockCount() > 1)
        return true;
    const QString text = document->firstBlock().text();
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c != u' '; });
}

void AppDelegate::doNew(QObject *sender)
{
    Q_UNUSED(sender);
    status()->hideFailure();
    if (!m_textView)
        return;
    if (!holdsAnythingButSpaces()) {
        clearText();
        return;
    }
    yesNoConfirmationDialogWithTitle(tr("Start new file"),
                                     tr("All your previous text will be lost"), [this](int code) {
                                         if (code == 0)
                                             clearText();
                                     });
}

void AppDelegate::clearText()
{
    if (!m_textView)
        return;
    // A file still being read would replace the new, empty text.
    if (m_loadPending)
        loadEnded();
    ++m_loadRequest;
    m_session->textWillBeReplaced();
    m_textView->setPlainText(QString());
}

void AppDelegate::doOpen(QObject *sender)
{
    Q_UNUSED(sender);
    status()->hideFailure();
    openDialogForFiles(
        true, false, {}, [this](const QString &path) { openFile(path, /*noteRecent=*/true); },
        [](QFileDialog *panel) -> std::function<void()> {
            // The kind comes from the content: any file may be chosen.
            const QStringList types{
                tr("Text (*.txt *.text)"),
                tr("HTML (*.html *.htm *.xhtml)"),
                tr("Markdown (*.md *.markdown)"),
                tr("PDF (*.pdf)"),
                tr("EPUB (*.epub)"),
                tr("OpenDocument text (*.odt)"),
                tr("Word (*.docx)"),
                tr("FictionBook (*.fb2 *.fb2.zip)"),
            };
            QStringList patterns;
            for (const QString &type : types)
                patterns << type.section(u'(', 1).chopped(1);
            panel->setNameFilters(
                QStringList{tr("All readable documents (%1)").arg(patterns.join(u' '))} + types +
                QStringList{tr("All files (*)")});
            return nullptr;
        });
}

void AppDelegate::application(QObject *sender, const QStringList &files)
{
    Q_UNUSED(sender);
    if (files.isEmpty())
        return;
    const FileArgument::Target target = FileArgument::resolve(files.constFirst());
    if (!target.error.isEmpty()) {
        Log::write(target.error);
        status()->showFailure(target.error);
        return;
    }
    openFile(target.path, /*noteRecent=*/false);
}

void AppDelegate::openFile(const QString &path, bool noteRecent)
{
    if (noteRecent)
        m_recentList.note(QUrl::fromLocalFile(path));
    if (!holdsAnythingButSpaces()) {
        loadFile(path);
        return;
    }
    // One question at a time: a file handed over while it is up takes the
    // place of the one it asks about.
    const bool asking = m_fileToOpen.has_value();
    m_fileToOpen = path;
    if (asking)
        return;
    yesNoConfirmationDialogWithTitle(
        tr("Open %1").arg(QFileInfo(path).fileName()),
        tr("The text in the editor will be replaced by the file's text."), [this](int code) {
            const QString chosen = *std::exchange(m_fileToOpen, std::nullopt);
            if (code == 0)
                loadFile(chosen);
        });
}

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
};

// The editor's text, with the document's replacing it as one step that Undo
// takes back when `previous` is given. Built away from the main thread: for
// a text of megabytes most of the cost of showing it is building the
// document's blocks, which need not hold up the window; a plain text is read
// piece by piece so that it is never held twice.
LoadedText loadText(const QString &path, const DocumentShape &shape, const QString &previous,
                    const Documents::Options &options)
{
    auto document = std::make_unique<QTextDocument>();
    document->setDocumentLayout(new QPlainTextDocumentLayout(document.get()));
    document->setDefaultFont(shape.font);
    document->setDefaultTextOption(shape.option);
    document->setUndoRedoEnabled(false);
    document->setPlainText(previous);
    document->setUndoRedoEnabled(!previous.isEmpty());

    QTextCursor cursor(document.get());
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    cursor.removeSelectedText();
    // A line break of "\r\n" split between two pieces must stay one break.
    QString carriedReturn;
    // Reading takes most of the time; laying out the lines the rest.
    constexpr double readShare = 0.8;
    Documents::Options reading = options;
    reading.progress = [&options](double share) { options.report(share * readShare); };
    Documents::Result read = Documents::read(path, reading, [&](QStringView piece) {
        const bool endsInReturn = piece.endsWith(u'\r');
        cursor.insertText(carriedReturn + piece.chopped(endsInReturn ? 1 : 0));
        carriedReturn = endsInReturn ? u"\r"_s : QString();
        return true;
    });
    if (read.text) {
        // The whole document at once, in place of any pieces read before
        // the text turned out not to be UTF-8.
        cursor.select(QTextCursor::Document);
        cursor.insertText(*std::exchange(read.text, std::nullopt));
    } else {
        cursor.insertText(carriedReturn);
    }
    cursor.endEditBlock();
    if (!read.text && (!read.error.isEmpty() || read.needsPassword || read.cancelled))
        return {nullptr, read.error, read.needsPassword, read.cancelled};
    // The editor gives every line a layout object when it takes the text;
    // made here, they no longer hold up the window.
    const int blocks = document->blockCount();
    for (QTextBlock block = document->firstBlock(); block.isValid(); block = block.next()) {
        if (block.blockNumber() % 4096 == 0) {
            if (options.cancelled())
                return {nullptr, QString(), false, true};
            options.report(readShare + (1 - readShare) * block.blockNumber() / blocks);
        }
        block.layout();
    }
    document->setModified(false);
    return {std::move(document), QString(), false, false};
}

} // namespace

void AppDelegate::loadFile(const QString &path, const QByteArray &password)
{
    if (!m_textView)
        return;
    // Reading may take long (a slow disk, a network folder, a large text): it
    // runs on a pool thread and only the last requested file replaces the
    // text. Meanwhile the editor takes no typing, which the load would lose.
    const quint64 request = ++m_loadRequest;
    m_loadPending = true;
    m_textView->setReadOnly(true);
    status()->show(tr("Opening %1...").arg(QFileInfo(path).fileName()), true);
    m_loadStatus = status()->shownText();
    // A read that nobody waits for any more stops.
    if (m_loadCancel)
        m_loadCancel->store(true);
    auto cancel = std::make_shared<std::atomic_bool>(false);
    m_loadCancel = cancel;
    status()->offerCancel(true);

    QPointer<AppDelegate> self(this);
    QThread *mainThread = thread();
    const DocumentShape shape{m_textView->document()->defaultFont(),
                              m_textView->document()->defaultTextOption()};
    // The replaced text stays one Undo away, unless it is too large to keep
    // twice.
    const QTextDocument *current = m_textView->document();
    const QString previous =
        current->characterCount() <= undoableSize ? current->toRawText() : QString();
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
                            self->loadProgressed(request, permille);
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
                        self->fileLoaded(request, path, password, std::move(loaded->document),
                                         {loaded->error, loaded->needsPassword, loaded->cancelled});
                },
                Qt::QueuedConnection);
        });
}

void AppDelegate::loadProgressed(quint64 request, int permille)
{
    if (request == m_loadRequest && m_loadPending)
        status()->setProgress(permille, tr("Opening progress"));
}

void AppDelegate::cancelLoad()
{
    if (!m_loadPending)
        return;
    // The text stays as it was; the read's result, whenever it comes, is
    // no longer the last one asked for.
    ++m_loadRequest;
    loadEnded();
}

void AppDelegate::loadEnded()
{
    m_loadPending = false;
    // Whatever the read still does, nobody waits for it any more.
    if (m_loadCancel)
        m_loadCancel->store(true);
    m_loadCancel.reset();
    status()->offerCancel(false);
    if (m_textView)
        m_textView->setReadOnly(false);
    if (status()->shownText() == m_loadStatus)
        status()->hide();
}

void AppDelegate::fileLoaded(quint64 request, const QString &path, const QByteArray &password,
                             std::unique_ptr<QTextDocument> document, const LoadFailure &failure)
{
    const bool current = request == m_loadRequest;
    if (current)
        loadEnded();
    if (!document && failure.cancelled) {
        Q_EMIT fileLoadFinished(path, false);
        return;
    }
    if (!document && failure.needsPassword && current) {
        // Asked again, with the reason, until the right one comes or the
        // person gives up; the text stays meanwhile.
        Q_EMIT fileLoadFinished(path, false);
        const QString reason = password.isEmpty() ? QString() : failure.error;
        passwordDialogForFile(
            QFileInfo(path).fileName(), reason,
            [this, path](const QString &given) { loadFile(path, given.toUtf8()); });
        return;
    }
    const QString &error = failure.error;
    if (!document) {
        // The text in the editor is kept: a failed open must not lose it.
        Log::write(u"Cannot open %1: %2"_s.arg(path, error));
        if (current)
            status()->showFailure(tr("Cannot open %1: %2").arg(path, error));
        Q_EMIT fileLoadFinished(path, false);
        return;
    }
    if (!current || !m_textView) {
        Q_EMIT fileLoadFinished(path, false);
        return;
    }
    // The editor deletes a document of its own when it gets another; one of
    // an earlier open belongs to the editor as a child and goes here.
    m_session->textWillBeReplaced();
    QPointer<QTextDocument> previous = m_textView->document();
    document->setParent(m_textView);
    m_textView->setDocument(document.release());
    if (previous && previous->parent() == m_textView)
        previous->deleteLater();
    Q_EMIT fileLoadFinished(path, true);
}
