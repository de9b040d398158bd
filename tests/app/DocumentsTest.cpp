#include "AppFixture.h"

#include "platform/application/RecentDocuments.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <glib.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    return TestSupport::writeFile(dir.filePath(name), bytes);
}

} // namespace

class Documents : public AppFixture
{
protected:
    static void SetUpTestSuite()
    {
        TestSupport::usePrivateDataHome();
        g_reload_user_special_dirs_cache();
    }

    void SetUp() override
    {
        AppFixture::SetUp();
        window->show();
        launch();
        text = child<QPlainTextEdit>("textView");
    }

    // Sends `paths` as the desktop does, or through the open panel when
    // there is one path and `panel` is set; waits for the read to finish.
    bool load(const QStringList &paths, bool panel = false)
    {
        QSignalSpy loaded(delegate.get(), &AppDelegate::fileLoadFinished);
        if (panel) {
            delegate->doOpen(nullptr);
            auto *dialog = currentDialog<QFileDialog>();
            if (!dialog || dialog->fileMode() != QFileDialog::ExistingFile ||
                !choose(paths.first()))
                return false;
        } else {
            delegate->application(nullptr, paths);
        }
        return (loaded.count() > 0 || loaded.wait(10000)) && loaded.count() == 1;
    }

    static bool isRecent(const QString &path)
    {
        GBookmarkFile *bookmarks = g_bookmark_file_new();
        const bool recent =
            g_bookmark_file_load_from_file(
                bookmarks, RecentDocuments::listPath().toUtf8().constData(), nullptr) &&
            g_bookmark_file_has_item(bookmarks, QUrl::fromLocalFile(path).toEncoded().constData());
        g_bookmark_file_free(bookmarks);
        return recent;
    }

    QPlainTextEdit *text = nullptr;
};

// Spaces alone are cleared at once (seen through Ctrl+N in the main menu).
TEST_F(Documents, NewAsksBeforeAnyTextGoes)
{
    text->setPlainText(u" \t\n "_s);
    delegate->doNew(nullptr);
    QMessageBox *box = currentDialog<QMessageBox>();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text(), u"Start new file"_s);
    EXPECT_EQ(box->informativeText(), u"All your previous text will be lost"_s);
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(text->toPlainText(), u" \t\n "_s) << "Return answers No";

    delegate->doNew(nullptr);
    ASSERT_TRUE(answer(u"Yes"_s));
    EXPECT_TRUE(text->toPlainText().isEmpty());
}

TEST_F(Documents, OpenRecordsTheFileEvenWhenItCannotBeReadAsText)
{
    QTemporaryDir dir;
    const QString poem = writeFile(dir, u"poem.txt"_s, "Caf\xc3\xa9 \xe4\xb8\xad\xe6\x96\x87");
    ASSERT_TRUE(load({poem}, true));
    EXPECT_EQ(text->toPlainText(), u"Café 中文"_s);
    // The list is written beside the load, never in its way.
    EXPECT_TRUE(QTest::qWaitFor([&] { return isRecent(poem); }, 20000));

    const QString latin1 = writeFile(dir, u"latin1.txt"_s, "caf\xe9");
    LogCapture log;
    ASSERT_TRUE(load({latin1}, true));
    EXPECT_EQ(text->toPlainText(), u"Café 中文"_s);
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines().first().contains(latin1));
    EXPECT_TRUE(log.lines().first().contains(u"UTF-8"_s));
    EXPECT_TRUE(QTest::qWaitFor([&] { return isRecent(latin1); }, 20000));
}

// Files that never end or never start are refused without blocking.
TEST_F(Documents, AFolderAFifoADeviceOrAMissingFileKeepsTheText)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(u"fifo"_s);
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    text->setPlainText(u"stay"_s);
    LogCapture log;
    const QStringList paths{dir.path(), fifo, u"/dev/zero"_s, dir.filePath(u"missing.txt"_s)};
    // A FIFO or a device is refused before it is read.
    const QStringList reasons{u"folder"_s, u"regular"_s, u"regular"_s, u"No such"_s};
    auto *status = child<QLabel>("statusLabel");
    for (qsizetype i = 0; i < paths.size(); ++i) {
        ASSERT_TRUE(load({paths.at(i)})) << paths.at(i).toStdString();
        // Told in the window, to screen readers too, and never in a box the
        // desktop's hand-over would put in front of the person.
        EXPECT_FALSE(status->isHidden());
        EXPECT_TRUE(status->text().contains(paths.at(i)) && status->text().contains(reasons.at(i)))
            << status->text().toStdString();
        EXPECT_EQ(status->accessibleName(), status->text());
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
    delegate->doNew(nullptr);
    EXPECT_TRUE(status->isHidden());
    EXPECT_EQ(text->toPlainText(), u"stay"_s);
    ASSERT_EQ(log.lines().size(), paths.size());
    for (qsizetype i = 0; i < paths.size(); ++i)
        EXPECT_TRUE(log.lines().at(i).contains(paths.at(i)));
}

TEST_F(Documents, FilesFromTheDesktopLoadTheFirstIntoAnEditorThatStaysUsable)
{
    QTemporaryDir dir;
    const QString first = writeFile(dir, u"one.txt"_s, "first text");
    const QString second = writeFile(dir, u"two.txt"_s, "second\ntext");
    ASSERT_TRUE(load({first, second}));
    EXPECT_EQ(text->toPlainText(), u"first text"_s);
    ASSERT_TRUE(load({second}));
    EXPECT_EQ(text->toPlainText(), u"second\ntext"_s);
    EXPECT_EQ(text->document()->defaultFont(), text->font());
    // The loaded text is the user's to edit and undo from here on.
    text->setFocus();
    QTest::keyClicks(text, u"more "_s);
    EXPECT_EQ(text->toPlainText(), u"more second\ntext"_s);
    text->undo();
    EXPECT_EQ(text->toPlainText(), u"second\ntext"_s);
}
