// New, Open and files handed over by the desktop.
#include "app/AppDelegate.h"

#include "app/FileArgument.h"
#include "platform/system/Log.h"

#include <QPlainTextEdit>

using namespace Qt::StringLiterals;

void AppDelegate::doNew(QObject *sender)
{
    Q_UNUSED(sender);
    status()->hideFailure();
    if (!m_textView)
        return;
    if (!m_documents->holdsText()) {
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
    m_documents->abandon();
    m_session->textWillBeReplaced();
    m_outline->clear();
    m_textView->setPlainText(QString());
}

void AppDelegate::doOpen(QObject *sender)
{
    Q_UNUSED(sender);
    status()->hideFailure();
    openDialogForFiles(
        true, false, {},
        [this](const QString &path) { m_documents->open(path, /*noteRecent=*/true); },
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
    m_documents->open(target.path, /*noteRecent=*/false);
}
