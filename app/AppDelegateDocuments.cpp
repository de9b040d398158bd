// New, Open and files handed over by the desktop.
#include "app/AppDelegate.h"

#include "app/FileArgument.h"
#include "app/FindIndicator.h"
#include "platform/application/RecentDocuments.h"
#include "platform/system/Log.h"
#include "platform/system/TextFile.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
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
    hideFailure();
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
    textWillBeReplaced();
    m_textView->setPlainText(QString());
}

void AppDelegate::doOpen(QObject *sender)
{
    Q_UNUSED(sender);
    hideFailure();
    openDialogForFiles(true, false, {},
                       [this](const QString &path) { openFile(path, /*noteRecent=*/true); });
}

void AppDelegate::application(QObject *sender, const QStringList &files)
{
    Q_UNUSED(sender);
    if (files.isEmpty())
        return;
    const FileArgument::Target target = FileArgument::resolve(files.constFirst());
    if (!target.error.isEmpty()) {
        Log::write(target.error);
        showFailure(target.error);
        return;
    }
    openFile(target.path, /*noteRecent=*/false);
}

void AppDelegate::openFile(const QString &path, bool noteRecent)
{
    if (noteRecent) {
        m_recentList.start(
            [path] { RecentDocuments::noteNewRecentDocumentURL(QUrl::fromLocalFile(path)); });
    }
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
};

// The editor's text, with the file's replacing it as one step that Undo takes
// back when `previous` is given. Built away from the main thread: for a text
// of megabytes most of the cost of showing it is building the document's
// blocks, which need not hold up the window; reading the file piece by piece
// keeps it from being held twice.
LoadedText loadText(const QString &path, const DocumentShape &shape, const QString &previous)
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
    TextFile::Result read =
        TextFile::read(path, AppDelegate::maximumTextSize, [&](QStringView piece) {
            const bool endsInReturn = piece.endsWith(u'\r');
            cursor.insertText(carriedReturn + piece.chopped(endsInReturn ? 1 : 0));
            carriedReturn = endsInReturn ? u"\r"_s : QString();
            return true;
        });
    cursor.insertText(carriedReturn);
    cursor.endEditBlock();
    if (!read.error.isEmpty())
        return {nullptr, read.error};
    // The editor gives every line a layout object when it takes the text;
    // made here, they no longer hold up the window.
    for (QTextBlock block = document->firstBlock(); block.isValid(); block = block.next())
        block.layout();
    document->setModified(false);
    return {std::move(document), QString()};
}

} // namespace

void AppDelegate::loadFile(const QString &path)
{
    if (!m_textView)
        return;
    // Reading may take long (a slow disk, a network folder, a large text): it
    // runs on a pool thread and only the last requested file replaces the
    // text. Meanwhile the editor takes no typing, which the load would lose.
    const quint64 request = ++m_loadRequest;
    m_loadPending = true;
    m_textView->setReadOnly(true);
    showStatus(tr("Opening %1...").arg(QFileInfo(path).fileName()), true);
    m_loadStatus = m_statusLabel ? m_statusLabel->text() : QString();

    QPointer<AppDelegate> self(this);
    QThread *mainThread = thread();
    const DocumentShape shape{m_textView->document()->defaultFont(),
                              m_textView->document()->defaultTextOption()};
    // The replaced text stays one Undo away, unless it is too large to keep
    // twice.
    const QTextDocument *current = m_textView->document();
    const QString previous =
        current->characterCount() <= undoableSize ? current->toRawText() : QString();
    QThreadPool::globalInstance()->start([self, path, request, mainThread, shape, previous] {
        LoadedText loaded = loadText(path, shape, previous);
        if (loaded.document)
            loaded.document->moveToThread(mainThread);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, path, request, loaded = std::make_shared<LoadedText>(std::move(loaded))] {
                if (self)
                    self->fileLoaded(request, path, std::move(loaded->document), loaded->error);
            },
            Qt::QueuedConnection);
    });
}

void AppDelegate::loadEnded()
{
    m_loadPending = false;
    if (m_textView)
        m_textView->setReadOnly(false);
    if (m_statusLabel && !m_statusLabel->isHidden() && m_statusLabel->text() == m_loadStatus)
        hideStatus();
}

void AppDelegate::fileLoaded(quint64 request, const QString &path,
                             std::unique_ptr<QTextDocument> document, const QString &error)
{
    const bool current = request == m_loadRequest;
    if (current)
        loadEnded();
    if (!document) {
        // The text in the editor is kept: a failed open must not lose it.
        Log::write(u"Cannot open %1: %2"_s.arg(path, error));
        if (current)
            showFailure(tr("Cannot open %1: %2").arg(path, error));
        Q_EMIT fileLoadFinished(path, false);
        return;
    }
    if (!current || !m_textView) {
        Q_EMIT fileLoadFinished(path, false);
        return;
    }
    // The editor deletes a document of its own when it gets another; one of
    // an earlier open belongs to the editor as a child and goes here.
    textWillBeReplaced();
    QPointer<QTextDocument> previous = m_textView->document();
    document->setParent(m_textView);
    m_textView->setDocument(document.release());
    if (previous && previous->parent() == m_textView)
        previous->deleteLater();
    Q_EMIT fileLoadFinished(path, true);
}
