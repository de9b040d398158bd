#pragma once

#include "platform/application/RecentDocuments.h"
#include "platform/system/TextOutline.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <atomic>
#include <memory>
#include <optional>

class QPlainTextEdit;
class QTextDocument;
class StatusArea;

// Opens documents in the editor: asks before a file replaces a text, reads
// it on a pool thread into a document of the editor's pieces (the text it
// replaces one Undo away), shows how far it is and offers
// Cancel, asks for the password of an encrypted one, and notes the files
// the person opened in the desktop's recent list. Only the last file asked
// for replaces the text; the editor takes no typing while it is read.
class DocumentLoader : public QObject
{
    Q_OBJECT

public:
    explicit DocumentLoader(QObject *parent = nullptr);
    // A read under way is read for nobody: it stops at once, and with it the
    // process that reads a PDF.
    ~DocumentLoader() override;

    // The largest text the window opens. The editor lays out only the
    // pieces it shows (EditorText), but a text is read whole to be spoken
    // and is kept once more for Undo when it is replaced: past this size
    // the window would take hundreds of megabytes and stop answering for
    // longer than a tenth of a second at a Play. Larger texts can be
    // exported from the command line.
    static constexpr qint64 maximumTextSize = 10 * 1024 * 1024;

    void setViews(QPlainTextEdit *text, StatusArea *status);
    // Whether the editor holds anything but spaces, which a file would replace.
    bool holdsText() const;
    // Opens `path` in place of the text, asking first when the text holds
    // anything but spaces; notes it in the recent list when `noteRecent`.
    void open(const QString &path, bool noteRecent);
    // Reads `path` into the editor at once.
    void load(const QString &path, const QByteArray &password = {});
    // Stops the read under way; the text stays as it was.
    void cancel();
    // The text is replaced by other means: a read under way is nobody's.
    void abandon();

Q_SIGNALS:
    // The editor's text is about to be replaced by a file's.
    void textWillBeReplaced();
    // A file asked for has been read into the editor (true) or could not be
    // (false).
    void finished(const QString &path, bool loaded);
    // The chapters and metadata of the file just read into `document`, the
    // editor's new one; just before finished().
    void outlineRead(QTextDocument *document, const TextOutline &outline);

private:
    struct Failure
    {
        QString error;
        bool needsPassword = false;
        bool cancelled = false;
    };
    void progressed(quint64 request, int permille);
    void recognising(quint64 request, int page, int count);
    void ended();
    void loaded(quint64 request, const QString &path, const QByteArray &password,
                std::unique_ptr<QTextDocument> document, const Failure &failure,
                TextOutline outline);

    QPointer<QPlainTextEdit> m_text;
    QPointer<StatusArea> m_status;
    quint64 m_request = 0;
    bool m_pending = false;
    // How far the read under way is, in thousandths.
    int m_permille = 0;
    // The line the status area showed for the read.
    QString m_line;
    // Set to stop the read under way.
    std::shared_ptr<std::atomic_bool> m_cancel;
    // The file that the question on the screen asks to open.
    std::optional<QString> m_fileToOpen;
    // The desktop's recent list, written on a thread of its own.
    RecentDocuments::Writer m_recentList;
};
