// New, Open and files handed over by the desktop.
#include "app/AppDelegate.h"

#include "app/FindIndicator.h"
#include "platform/application/RecentDocuments.h"
#include "platform/system/Log.h"
#include "platform/system/TextFile.h"

#include <QCoreApplication>
#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QThread>
#include <QThreadPool>

#include <memory>

using namespace Qt::StringLiterals;

void AppDelegate::doNew(QObject *sender)
{
    Q_UNUSED(sender);
    hideFailure();
    if (!m_textView)
        return;
    QString text = m_textView->toPlainText();
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == u' ')
        ++first;
    while (last > first && text.at(last - 1) == u' ')
        --last;
    if (first == last) {
        textWillBeReplaced();
        m_textView->setPlainText(QString());
        return;
    }
    yesNoConfirmationDialogWithTitle(tr("Start new file"),
                                     tr("All your previous text will be lost"), [this](int code) {
                                         if (code == 0 && m_textView) {
                                             textWillBeReplaced();
                                             m_textView->setPlainText(QString());
                                         }
                                     });
}

void AppDelegate::doOpen(QObject *sender)
{
    Q_UNUSED(sender);
    hideFailure();
    openDialogForFiles(true, false, {},
                       [this](const QString &path) { loadFile(path, /*noteRecent=*/true); });
}

void AppDelegate::application(QObject *sender, const QStringList &files)
{
    Q_UNUSED(sender);
    if (!files.isEmpty())
        loadFile(files.constFirst(), /*noteRecent=*/false);
}

namespace {

// A text laid out for a plain text editor, built away from the main thread:
// for a text of megabytes most of the cost of showing it is building the
// document's blocks, which need not hold up the window.
struct LoadedText
{
    std::unique_ptr<QTextDocument> document;
    QString error;
};

LoadedText loadText(const QString &path, const QFont &font)
{
    TextFile::Result read = TextFile::read(path);
    if (!read.text)
        return {nullptr, read.error};
    auto document = std::make_unique<QTextDocument>();
    document->setDocumentLayout(new QPlainTextDocumentLayout(document.get()));
    document->setDefaultFont(font);
    document->setUndoRedoEnabled(false);
    document->setPlainText(*read.text);
    document->setUndoRedoEnabled(true);
    document->setModified(false);
    return {std::move(document), QString()};
}

} // namespace

void AppDelegate::loadFile(const QString &path, bool noteRecent)
{
    // Reading may take long (a slow disk, a network folder, a large text): it
    // runs on a pool thread and only the last requested file replaces the text.
    const quint64 request = ++m_loadRequest;
    QPointer<AppDelegate> self(this);
    QThread *mainThread = thread();
    const QFont font = m_textView ? m_textView->document()->defaultFont() : QFont();
    if (noteRecent) {
        m_recentList.start(
            [path] { RecentDocuments::noteNewRecentDocumentURL(QUrl::fromLocalFile(path)); });
    }
    QThreadPool::globalInstance()->start([self, path, request, mainThread, font] {
        LoadedText loaded = loadText(path, font);
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

void AppDelegate::fileLoaded(quint64 request, const QString &path,
                             std::unique_ptr<QTextDocument> document, const QString &error)
{
    if (!document) {
        // The text in the editor is kept: a failed open must not lose it.
        Log::write(u"Cannot open %1: %2"_s.arg(path, error));
        if (request == m_loadRequest)
            showFailure(tr("Cannot open %1: %2").arg(path, error));
        Q_EMIT fileLoadFinished(path, false);
        return;
    }
    if (request != m_loadRequest || !m_textView) {
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
