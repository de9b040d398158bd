// New, Open and files handed over by the desktop.
#include "app/AppDelegate.h"

#include "platform/Log.h"
#include "platform/RecentDocuments.h"
#include "platform/TextFile.h"

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QThreadPool>

using namespace Qt::StringLiterals;

void AppDelegate::doNew(QObject *sender)
{
    Q_UNUSED(sender);
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
        m_textView->setPlainText(QString());
        return;
    }
    yesNoConfirmationDialogWithTitle(u"Start new file"_s, u"All your previous text will be lost"_s,
                                     [this](int code) {
                                         if (code == 0 && m_textView)
                                             m_textView->setPlainText(QString());
                                     });
}

void AppDelegate::doOpen(QObject *sender)
{
    Q_UNUSED(sender);
    openDialogForFiles(true, false, {},
                       [this](const QString &path) { loadFile(path, /*noteRecent=*/true); });
}

void AppDelegate::application(QObject *sender, const QStringList &files)
{
    Q_UNUSED(sender);
    if (!files.isEmpty())
        loadFile(files.constFirst(), /*noteRecent=*/false);
}

void AppDelegate::loadFile(const QString &path, bool noteRecent)
{
    // Reading may take long (a slow disk, a network folder): it runs on a
    // pool thread and only the last requested file replaces the text.
    const quint64 request = ++m_loadRequest;
    QPointer<AppDelegate> self(this);
    QThreadPool::globalInstance()->start([self, path, noteRecent, request] {
        if (noteRecent)
            RecentDocuments::noteNewRecentDocumentURL(QUrl::fromLocalFile(path));
        TextFile::Result result = TextFile::read(path);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, path, request, result = std::move(result)] {
                if (self)
                    self->fileLoaded(request, path, result.text, result.error);
            },
            Qt::QueuedConnection);
    });
}

void AppDelegate::fileLoaded(quint64 request, const QString &path,
                             const std::optional<QString> &text, const QString &error)
{
    if (!text) {
        // The text in the editor is kept: a failed open must not lose it.
        Log::write(u"Cannot open %1: %2"_s.arg(path, error));
        Q_EMIT fileLoadFinished(path, false);
        return;
    }
    if (request != m_loadRequest) {
        Q_EMIT fileLoadFinished(path, false);
        return;
    }
    if (m_textView)
        m_textView->setPlainText(*text);
    Q_EMIT fileLoadFinished(path, true);
}
