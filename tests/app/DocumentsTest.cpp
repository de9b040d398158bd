#include "AppFixture.h"

#include "app/EditorText.h"
#include "app/OutlineTracker.h"
#include "app/StatusArea.h"
#include "platform/application/RecentDocuments.h"
#include "support/PdfMakers.h"
#include "support/TestSupport.h"

#include <QAccessible>
#include <QCheckBox>
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

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
        if (currentDialog<QMessageBox>() && !answer(u"Yes"_s))
            return false;
        return (loaded.count() > 0 || loaded.wait(TestSupport::Patience)) && loaded.count() == 1;
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
    // No-break spaces are text, though toPlainText() shows them as spaces.
    for (const QString &kept : {u" \t\n "_s, u"\u00a0 \u00a0"_s}) {
        SCOPED_TRACE(kept.toStdString());
        text->setPlainText(kept);
        delegate->doNew(nullptr);
        QMessageBox *box = currentDialog<QMessageBox>();
        ASSERT_TRUE(box);
        EXPECT_EQ(box->text(), u"Start new file"_s);
        EXPECT_EQ(box->informativeText(), u"All your previous text will be lost"_s);
        QTest::keyClick(box, Qt::Key_Return);
        EXPECT_EQ(text->document()->toRawText().replace(QChar::ParagraphSeparator, u'\n'), kept)
            << "Return answers No";
    }

    delegate->doNew(nullptr);
    ASSERT_TRUE(answer(u"Yes"_s));
    EXPECT_TRUE(text->toPlainText().isEmpty());
}

TEST_F(Documents, AFileReplacesATextOnlyWhenTheUserSaysSoAndUndoBringsItBack)
{
    QTemporaryDir dir;
    const QString file = writeFile(dir, u"new <b>text.txt"_s, "the file's words");
    text->setPlainText(u"typed words"_s);
    QSignalSpy loaded(delegate.get(), &AppDelegate::fileLoadFinished);
    for (const QString &reply : {u"No"_s, u"Yes"_s}) {
        delegate->application(nullptr, {file});
        QMessageBox *box = currentDialog<QMessageBox>();
        ASSERT_TRUE(box);
        EXPECT_TRUE(box->text().contains(u"new <b>text.txt"_s));
        ASSERT_TRUE(answer(reply));
    }
    ASSERT_TRUE(loaded.wait(TestSupport::Patience));
    EXPECT_EQ(loaded.size(), 1);
    EXPECT_EQ(text->toPlainText(), u"the file's words"_s);
    text->undo();
    EXPECT_EQ(text->toPlainText(), u"typed words"_s);
}

TEST_F(Documents, TheEditorTakesNoTypingWhileAFileLoadsAndSaysWhy)
{
    QTemporaryDir dir;
    const QString file = writeFile(dir, u"slow <b>one.txt"_s, "loaded");
    QSignalSpy loaded(delegate.get(), &AppDelegate::fileLoadFinished);
    delegate->application(nullptr, {file});
    auto *status = child<QLabel>("statusLabel");
    EXPECT_TRUE(text->isReadOnly());
    EXPECT_FALSE(status->isHidden());
    EXPECT_EQ(QAccessible::queryAccessibleInterface(status)->text(QAccessible::Name),
              u"Opening slow <b>one.txt..."_s);
    text->setFocus();
    QTest::keyClicks(text, u"lost?"_s);
    ASSERT_TRUE(loaded.wait(TestSupport::Patience));
    EXPECT_EQ(text->toPlainText(), u"loaded"_s);
    EXPECT_FALSE(text->isReadOnly());
    EXPECT_TRUE(status->isHidden());

    // Escape stops an open under way, whenever the read ends, and keeps the text.
    const QString large =
        writeFile(dir, u"large.txt"_s, QByteArray("a few words\n").repeated(500000));
    delegate->application(nullptr, {large});
    ASSERT_TRUE(answer(u"Yes"_s));
    auto *cancel = child<QToolButton>("openCancelButton");
    ASSERT_TRUE(cancel);
    EXPECT_TRUE(cancel->isVisible());
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_FALSE(cancel->isVisible());
    EXPECT_FALSE(text->isReadOnly());
    EXPECT_TRUE(loaded.wait(TestSupport::Patience));
    EXPECT_EQ(text->toPlainText(), u"loaded"_s);
}

// A wrong password, or one longer than the format allows, asks again with the
// reason; Cancel keeps the text.
TEST_F(Documents, AnEncryptedDocumentAsksForItsPassword)
{
    QTemporaryDir dir;
    const QByteArray pdf = PdfMakers::encryptedPdf(
        PdfMakers::textPdf({{{72, 100, u"Opened at last."_s}}}), u"user"_s, u"owner"_s);
    ASSERT_FALSE(pdf.isEmpty());
    const QString path = writeFile(dir, u"locked.pdf"_s, pdf);
    text->setPlainText(u"stay"_s);
    const QSignalSpy loaded(delegate.get(), &AppDelegate::fileLoadFinished);
    const auto asked = [&](const QString &password, const QString &reason) {
        QInputDialog *dialog = nullptr;
        if (!QTest::qWaitFor([&] { return (dialog = currentDialog<QInputDialog>()); },
                             TestSupport::Patience))
            return false;
        EXPECT_TRUE(dialog->labelText().contains(u"locked.pdf"_s));
        EXPECT_TRUE(dialog->labelText().contains(reason)) << dialog->labelText().toStdString();
        if (password.isEmpty()) {
            dialog->reject();
        } else {
            dialog->setTextValue(password);
            dialog->accept();
        }
        return true;
    };
    delegate->application(nullptr, {path});
    ASSERT_TRUE(answer(u"Yes"_s));
    ASSERT_TRUE(asked(u"wrong"_s, u"encrypted"_s));
    ASSERT_TRUE(asked(QString(), u"wrong"_s));
    // Each try ended with the dialog, the last one with nothing more.
    EXPECT_EQ(loaded.count(), 2);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(text->toPlainText(), u"stay"_s);

    delegate->application(nullptr, {path});
    ASSERT_TRUE(answer(u"Yes"_s));
    ASSERT_TRUE(asked(u"p"_s.repeated(128), u"encrypted"_s));
    ASSERT_TRUE(asked(u"user"_s, u"the password is longer than 127 bytes"_s));
    EXPECT_TRUE(QTest::qWaitFor([&] { return text->toPlainText() == u"Opened at last."_s; },
                                TestSupport::Patience))
        << text->toPlainText().toStdString();
}

// A scanned page says so while it is read from its picture.
TEST_F(Documents, AScannedPageIsRecognisedWithItsPageInTheStatus)
{
    QTemporaryDir dir;
    const QString path = writeFile(
        dir, u"scan.pdf"_s, PdfMakers::textPdf({{{72, 100, u"Read from a picture."_s}}}, true));
    const QSignalSpy loaded(delegate.get(), &AppDelegate::fileLoadFinished);
    delegate->application(nullptr, {path});
    const auto *label = child<QLabel>("statusLabel");
    EXPECT_TRUE(QTest::qWaitFor([&] { return label->text() == u"Recognising page 1 of 1..."_s; },
                                TestSupport::Patience));
    ASSERT_TRUE(QTest::qWaitFor([&] { return loaded.count() == 1; }, TestSupport::Patience));
    EXPECT_EQ(text->toPlainText(), u"Read from a picture."_s);
}

TEST_F(Documents, OpenRecordsTheFileEvenWhenItCannotBeReadAsText)
{
    QTemporaryDir dir;
    const QString poem = writeFile(dir, u"poem.txt"_s, "Caf\xc3\xa9 \xe4\xb8\xad\xe6\x96\x87");
    ASSERT_TRUE(load({poem}, true));
    EXPECT_EQ(text->toPlainText(), u"Café 中文"_s);
    // The list is written beside the load, never in its way.
    EXPECT_TRUE(QTest::qWaitFor([&] { return isRecent(poem); }, TestSupport::Patience));

    const QString binary = writeFile(dir, u"binary.txt"_s, QByteArray("caf\xe9\0\1", 6));
    LogCapture log;
    ASSERT_TRUE(load({binary}, true));
    EXPECT_EQ(text->toPlainText(), u"Café 中文"_s);
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines().first().contains(binary));
    EXPECT_TRUE(log.lines().first().contains(u"UTF-8"_s));
    EXPECT_TRUE(QTest::qWaitFor([&] { return isRecent(binary); }, TestSupport::Patience));
}

// Files that never end or never start are refused without blocking.
TEST_F(Documents, AFolderAFifoADeviceOrAMissingFileKeepsTheText)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(u"fifo"_s);
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    text->setPlainText(u"stay"_s);
    LogCapture log;
    // Larger than the editor takes without stalling the window.
    QFile large(dir.filePath(u"large.txt"_s));
    ASSERT_TRUE(large.open(QIODevice::WriteOnly) && large.resize(AppDelegate::maximumTextSize + 1));
    // Whatever its name, an image is no text.
    const QString image = writeFile(dir, u"image.txt"_s, QByteArray("\x89PNG\r\n\x1a\n\0\0", 10));
    const QStringList paths{dir.path(),       fifo, u"/dev/zero"_s, dir.filePath(u"missing.txt"_s),
                            large.fileName(), image};
    // A FIFO or a device is refused before it is read.
    const QStringList reasons{u"folder"_s,  u"regular"_s, u"regular"_s,
                              u"No such"_s, u"larger"_s,  u"UTF-8"_s};
    auto *status = child<QLabel>("statusLabel");
    for (qsizetype i = 0; i < paths.size(); ++i) {
        ASSERT_TRUE(load({paths.at(i)})) << paths.at(i).toStdString();
        // Told in the window, to screen readers too, and never in a box the
        // desktop's hand-over would put in front of the person.
        EXPECT_FALSE(status->isHidden());
        EXPECT_TRUE(status->text().contains(paths.at(i)) && status->text().contains(reasons.at(i)))
            << status->text().toStdString();
        EXPECT_EQ(status->parentWidget()->accessibleName(), status->text());
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
    delegate->doNew(nullptr);
    EXPECT_TRUE(status->isHidden());
    EXPECT_EQ(text->toPlainText(), u"stay"_s);
    ASSERT_EQ(log.lines().size(), paths.size());
    for (qsizetype i = 0; i < paths.size(); ++i)
        EXPECT_TRUE(log.lines().at(i).contains(paths.at(i)));
}

TEST_F(Documents, ALongFileLoadsExactlyAcrossThePiecesItIsReadIn)
{
    // Read a MiB at a time: a line break "\r\n" and a character split
    // between two pieces, and a byte order mark that is text, not a mark;
    // one line across the pieces; read as UTF-8 until a Latin-1 letter past
    // the first piece shows the encoding.
    const QByteArray lines = QByteArray("abcdefg\n").repeated(131071);
    const QByteArray first = lines + "abcdefg"; // 1 MiB - 1 bytes
    const QByteArray second = lines + "abcdef"; // 1 MiB - 2 bytes after the "\n"
    const QByteArray line = QByteArray("keeper climbed ").repeated(80000) + "\xe2\x80\x94";
    const std::pair<QByteArray, QString> rows[] = {
        {first + "\r\n" + second + "\xc3\xa9\xef\xbb\xbfz",
         QString::fromLatin1(first + '\n' + second) + u"\u00e9\ufeffz"_s},
        {line.repeated(2), QString::fromUtf8(line.repeated(2))},
        {first + "Gr\xfc\xdf"
                 "e.",
         QString::fromLatin1(first) + u"Grüße."_s},
    };
    QTemporaryDir dir;
    const auto shown = [this] { return EditorText::read(text->document()).text; };
    for (const auto &[bytes, expected] : rows) {
        ASSERT_TRUE(load({writeFile(dir, u"long.txt"_s, bytes)}));
        EXPECT_TRUE(shown() == expected) << shown().right(80).toStdString();
        // A block for each line, but a long line is held in pieces.
        const qsizetype lineCount = expected.count(u'\n') + 1;
        if (lineCount > 1)
            EXPECT_EQ(text->document()->blockCount(), lineCount);
        else
            EXPECT_LT(text->document()->blockCount(), expected.size() / 1000);
    }
    // The one line comes back as it was.
    text->undo();
    EXPECT_TRUE(shown() == QString::fromUtf8(line.repeated(2)));
}

TEST_F(Documents, FilesFromTheDesktopLoadTheFirstIntoAnEditorThatStaysUsable)
{
    QTemporaryDir dir;
    const QString first = writeFile(dir, u"one.txt"_s, "first text");
    const QString second = writeFile(dir, u"two words.txt"_s, "second\ntext");
    ASSERT_TRUE(load({first, second}));
    EXPECT_EQ(text->toPlainText(), u"first text"_s);
    // As the desktop's recent list and file managers name files.
    ASSERT_TRUE(load({QUrl::fromLocalFile(second).toString(QUrl::FullyEncoded)}));
    EXPECT_EQ(text->toPlainText(), u"second\ntext"_s);
    EXPECT_EQ(text->document()->defaultFont(), text->font());
    // The loaded text is the user's to edit and undo from here on.
    text->setFocus();
    QTest::keyClicks(text, u"more "_s);
    EXPECT_EQ(text->toPlainText(), u"more second\ntext"_s);
    text->undo();
    EXPECT_EQ(text->toPlainText(), u"second\ntext"_s);

    // A file elsewhere cannot be read: the window says so and keeps the text.
    delegate->application(nullptr, {u"sftp://host/notes.txt"_s});
    auto *status = child<QLabel>("statusLabel");
    EXPECT_FALSE(status->isHidden());
    EXPECT_TRUE(status->text().contains(u"sftp://host/notes.txt"_s));
    EXPECT_EQ(text->toPlainText(), u"second\ntext"_s);
}

TEST_F(Documents, ChaptersFollowEditsReachTheExportPanelAndGoWithTheirText)
{
    QTemporaryDir dir;
    // A word longer than the editor's blocks: cut where it stands for
    // nothing, before the second chapter.
    const QString path = writeFile(dir, u"book.html"_s,
                                   "<h1>Eins</h1><p>Erster Teil.</p><p>" + QByteArray(9000, 'x') +
                                       "</p><h2>Zwei</h2><p>Zweiter Teil.</p>");
    ASSERT_TRUE(load({path}));
    auto *outline = delegate->findChild<OutlineTracker *>();
    ASSERT_TRUE(outline);
    const auto chapterStarts = [&] {
        QStringList starts;
        const QString whole = EditorText::read(text->document()).text;
        for (const TextChapter &chapter : outline->forText().chapters)
            starts << whole.mid(chapter.offset, 4);
        return starts;
    };
    const QStringList both{u"Eins"_s, u"Zwei"_s};
    EXPECT_EQ(chapterStarts(), both);

    // Typing before a chapter moves it with its text; one whose start is
    // deleted is gone.
    QTextCursor cursor(text->document());
    cursor.setPosition(5);
    cursor.insertText(u"Neu "_s);
    EXPECT_EQ(chapterStarts(), both);

    const auto panelOffers = [&]() -> QString {
        delegate->doExport(nullptr);
        auto *panel = currentDialog<QFileDialog>();
        if (!panel)
            return u"no panel"_s;
        auto *line = panel->findChild<QLabel *>(u"exportChaptersLabel"_s);
        auto *split = panel->findChild<QCheckBox *>(u"splitChaptersCheck"_s);
        const QString offered = line && split     ? line->text()
                                : !line && !split ? QString()
                                                  : u"half"_s;
        panel->reject();
        return offered;
    };
    EXPECT_EQ(panelOffers(), u"2 chapters will be marked"_s);

    cursor.setPosition(0);
    cursor.movePosition(QTextCursor::Right, QTextCursor::KeepAnchor, 2);
    cursor.removeSelectedText();
    EXPECT_EQ(chapterStarts(), QStringList{u"Zwei"_s});
    EXPECT_EQ(panelOffers(), u"1 chapter will be marked"_s);

    // New drops them, and the panel then shows nothing of chapters.
    delegate->doNew(nullptr);
    ASSERT_TRUE(answer(u"Yes"_s));
    EXPECT_EQ(outline->chapterCount(), 0);
    text->setPlainText(u"Eins zwei"_s);
    EXPECT_EQ(panelOffers(), QString());

    // A book exported to a format without chapters says so when it is done.
    ASSERT_TRUE(load({writeFile(dir, u"short.html"_s,
                                "<h1>Eins</h1><p>Kurz.</p><h1>Zwei</h1><p>Auch kurz.</p>")}));
    delegate->doExport(nullptr);
    ASSERT_TRUE(choose(dir.filePath(u"short.aiff"_s)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !delegate->isExporting(); }, TestSupport::Patience));
    EXPECT_TRUE(QFile::exists(dir.filePath(u"short.aiff"_s)));
    EXPECT_TRUE(
        delegate->findChild<StatusArea *>()->shownText().contains(u"AIFF files hold no chapters"_s))
        << delegate->findChild<StatusArea *>()->shownText().toStdString();
}
