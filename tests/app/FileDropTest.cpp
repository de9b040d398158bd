#include "app/FileDrop.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QUrl>

namespace {

// A drop comes after the drag has entered; Qt delivers it to the widget that
// accepted the entry.
bool sendDrop(QWidget *target, QMimeData *data)
{
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

} // namespace

TEST(FileDrop, DroppedFilesAreHandedOverAndTextAndRemoteAddressesLeftToTheEditor)
{
    QPlainTextEdit editor;
    editor.show();
    QList<QStringList> received;
    new FileDrop(&editor, [&](const QStringList &paths) { received << paths; });

    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(u"/tmp/a.txt"_s), QUrl(u"https://example.org/x"_s),
                   QUrl::fromLocalFile(u"/tmp/b c.txt"_s)});
    EXPECT_TRUE(sendDrop(editor.viewport(), &files));
    EXPECT_TRUE(editor.toPlainText().isEmpty());

    QMimeData text;
    text.setText(u"dropped words"_s);
    sendDrop(editor.viewport(), &text);
    QMimeData remote;
    remote.setUrls({QUrl(u"https://example.org/page"_s)});
    sendDrop(editor.viewport(), &remote);
    EXPECT_EQ(received, QList<QStringList>{(QStringList{u"/tmp/a.txt"_s, u"/tmp/b c.txt"_s})});
}
