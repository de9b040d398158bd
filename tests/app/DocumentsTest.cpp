#include "AppFixture.h"

#include "platform/RecentDocuments.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <glib.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    QFile file(dir.filePath(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return file.fileName();
}

template<typename Dialog>
Dialog *currentDialog()
{
    return qobject_cast<Dialog *>(QApplication::activeModalWidget());
}

QAbstractButton *buttonTitled(QMessageBox *box, const QString &title)
{
    for (QAbstractButton *button : box->buttons())
        if (button->text() == title)
            return button;
    return nullptr;
}

} // namespace

class Documents : public AppFixture
{
protected:
    static void SetUpTestSuite()
    {
        s_dataHome = new QTemporaryDir;
        qputenv("XDG_DATA_HOME", s_dataHome->path().toLocal8Bit());
        g_reload_user_special_dirs_cache();
    }
    static void TearDownTestSuite()
    {
        delete s_dataHome;
        s_dataHome = nullptr;
    }

    void SetUp() override
    {
        AppFixture::SetUp();
        window->show();
        launch();
        text = child<QPlainTextEdit>("textView");
    }

    // Waits for the file read that a command started.
    bool waitForLoad(QSignalSpy &spy) { return spy.count() > 0 || spy.wait(10000); }

    static QTemporaryDir *s_dataHome;
    QPlainTextEdit *text = nullptr;
};

QTemporaryDir *Documents::s_dataHome = nullptr;

TEST_F(Documents, NewClearsOnlySpacesWithoutAsking)
{
    text->setPlainText(u"   "_s);
    delegate->doNew(nullptr);
    EXPECT_EQ(currentDialog<QMessageBox>(), nullptr);
    EXPECT_TRUE(text->toPlainText().isEmpty());
}

TEST_F(Documents, NewAsksForTabsAndLineBreaksAndReturnKeepsTheText)
{
    text->setPlainText(u" \t\n "_s);
    delegate->doNew(nullptr);
    QMessageBox *box = currentDialog<QMessageBox>();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text(), u"Start new file"_s);
    EXPECT_EQ(box->informativeText(), u"All your previous text will be lost"_s);
    EXPECT_EQ(box->windowModality(), Qt::WindowModal);
    EXPECT_EQ(box->defaultButton()->text(), u"No"_s);
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(text->toPlainText(), u" \t\n "_s);
}

TEST_F(Documents, NewClearsAfterYes)
{
    text->setPlainText(u"keep me?"_s);
    delegate->doNew(nullptr);
    QMessageBox *box = currentDialog<QMessageBox>();
    ASSERT_TRUE(box);
    buttonTitled(box, u"Yes"_s)->click();
    EXPECT_TRUE(text->toPlainText().isEmpty());
}

TEST_F(Documents, OpenRecordsTheFileAndLoadsIt)
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, u"poem.txt"_s, "Caf\xc3\xa9 \xe4\xb8\xad\xe6\x96\x87");
    QSignalSpy loaded(delegate.get(), &AppDelegate::fileLoadFinished);
    delegate->doOpen(nullptr);
    auto *panel = currentDialog<QFileDialog>();
    ASSERT_TRUE(panel);
    EXPECT_EQ(panel->fileMode(), QFileDialog::ExistingFile);
    panel->selectFile(path);
    acceptPanel(panel);
    ASSERT_TRUE(waitForLoad(loaded));
    EXPECT_EQ(text->toPlainText(), u"Café 中文"_s);

    GBookmarkFile *bookmarks = g_bookmark_file_new();
    ASSERT_TRUE(g_bookmark_file_load_from_file(
        bookmarks, RecentDocuments::listPath().toUtf8().constData(), nullptr));
    EXPECT_TRUE(
        g_bookmark_file_has_item(bookmarks, QUrl::fromLocalFile(path).toEncoded().constData()));
    g_bookmark_file_free(bookmarks);
}

TEST_F(Documents, AFileThatIsNotUtf8IsRecordedButKeepsTheTextAndSaysWhy)
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, u"latin1.txt"_s, "caf\xe9");
    text->setPlainText(u"precious"_s);
    QSignalSpy loaded(delegate.get(), &AppDelegate::fileLoadFinished);
    LogCapture log;
    delegate->doOpen(nullptr);
    auto *panel = currentDialog<QFileDialog>();
    ASSERT_TRUE(panel);
    panel->selectFile(path);
    acceptPanel(panel);
    ASSERT_TRUE(waitForLoad(loaded));
    EXPECT_EQ(loaded.first().at(1).toBool(), false);
    EXPECT_EQ(text->toPlainText(), u"precious"_s);
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines().first().contains(path));
    EXPECT_TRUE(log.lines().first().contains(u"UTF-8"_s));

    GBookmarkFile *bookmarks = g_bookmark_file_new();
    ASSERT_TRUE(g_bookmark_file_load_from_file(
        bookmarks, RecentDocuments::listPath().toUtf8().constData(), nullptr));
    EXPECT_TRUE(
        g_bookmark_file_has_item(bookmarks, QUrl::fromLocalFile(path).toEncoded().constData()));
    g_bookmark_file_free(bookmarks);
}

TEST_F(Documents, FilesFromTheDesktopLoadOnlyTheFirst)
{
    QTemporaryDir dir;
    const QString first = writeFile(dir, u"first.txt"_s, "first");
    const QString second = writeFile(dir, u"second.txt"_s, "second");
    QSignalSpy loaded(delegate.get(), &AppDelegate::fileLoadFinished);
    delegate->application(nullptr, {first, second});
    ASSERT_TRUE(waitForLoad(loaded));
    EXPECT_EQ(text->toPlainText(), u"first"_s);
    EXPECT_EQ(loaded.size(), 1);
}

TEST_F(Documents, AFolderAFifoOrAMissingFileKeepsTheText)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(u"fifo"_s);
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    text->setPlainText(u"stay"_s);
    QSignalSpy loaded(delegate.get(), &AppDelegate::fileLoadFinished);
    LogCapture log;
    const QStringList paths{dir.path(), fifo, dir.filePath(u"missing.txt"_s)};
    for (const QString &path : paths) {
        const qsizetype before = loaded.size();
        delegate->application(nullptr, {path});
        ASSERT_TRUE(loaded.size() > before || loaded.wait(10000)) << path.toStdString();
    }
    EXPECT_EQ(text->toPlainText(), u"stay"_s);
    ASSERT_EQ(log.lines().size(), 3);
    for (qsizetype i = 0; i < paths.size(); ++i)
        EXPECT_TRUE(log.lines().at(i).contains(paths.at(i)));
}

TEST_F(Documents, OpeningTwiceReplacesTheTextAndKeepsTheEditorUsable)
{
    QTemporaryDir dir;
    const QString first = writeFile(dir, u"one.txt"_s, "first text");
    const QString second = writeFile(dir, u"two.txt"_s, "second\ntext");
    QSignalSpy loaded(delegate.get(), &AppDelegate::fileLoadFinished);
    for (const QString &path : {first, second}) {
        const qsizetype before = loaded.size();
        delegate->application(nullptr, {path});
        ASSERT_TRUE(loaded.size() > before || loaded.wait(10000));
    }
    EXPECT_EQ(text->toPlainText(), u"second\ntext"_s);
    EXPECT_EQ(text->document()->parent(), text);
    EXPECT_EQ(text->document()->defaultFont(), text->font());
    // The loaded text is the user's to edit and undo from here on.
    text->setFocus();
    QTest::keyClicks(text, u"more "_s);
    EXPECT_EQ(text->toPlainText(), u"more second\ntext"_s);
    text->undo();
    EXPECT_EQ(text->toPlainText(), u"second\ntext"_s);
}
