// New, Open and files handed over by the desktop.
#include "app/AppDelegate.h"

#include "app/FileArgument.h"
#include "platform/system/Log.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>

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
    rememberPlace();
    m_document.reset();
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

void AppDelegate::rememberPlace()
{
    if (!m_document || !m_textView)
        return;
    const qint64 heard = m_session->lastHeard();
    ReadingPlaces::remember(*m_document, {heard >= 0 ? heard : m_textView->textCursor().position(),
                                          m_textView->verticalScrollBar()->value()});
}

void AppDelegate::restorePlace()
{
    const std::optional<ReadingPlaces::Place> place = ReadingPlaces::find(*m_document);
    if (!place || (place->position == 0 && place->scroll == 0) || !m_textView)
        return;
    QTextCursor cursor(m_textView->document());
    cursor.setPosition(
        int(std::min<qint64>(place->position, m_textView->document()->characterCount() - 1)));
    m_textView->setTextCursor(cursor);
    m_textView->verticalScrollBar()->setValue(place->scroll);
    status()->show(tr("Continuing where you stopped"), false);
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
