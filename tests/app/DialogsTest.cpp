#include "AppFixture.h"
#include "app/PronunciationDialog.h"
#include "platform/speech/SpeechTesting.h"

#include <QAccessible>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>

using SheetDialogs = AppFixture;

// 1 for the default button, 0 for the alternate, as sheets on the main window
// or, without one, as dialogs of their own.
TEST_F(SheetDialogs, ConfirmationsAnswerOnceWithOneForTheDefaultAndZeroForTheAlternate)
{
    window->show();
    launch();
    QList<int> codes;
    delegate->confirmationDialogWithTitle(u"Title"_s, u"100% <b>plain</b>"_s, u"Keep"_s, u"Drop"_s,
                                          [&](int code) { codes << code; });
    QMessageBox *box = currentDialog<QMessageBox>();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->parentWidget(), window.get());
    // What the box shows, as a screen reader reads it out: the text as given.
    QStringList shown;
    for (QLabel *label : box->findChildren<QLabel *>())
        shown << QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name);
    EXPECT_TRUE(shown.contains(u"100% <b>plain</b>"_s)) << shown.join(u'|').toStdString();
    EXPECT_EQ(box->defaultButton()->text(), u"Keep"_s);
    QTest::keyClick(box, Qt::Key_Escape);

    // Each button has its mnemonic.
    delegate->yesNoConfirmationDialogWithTitle(u"T"_s, u"I"_s, [&](int code) { codes << code; });
    box = currentDialog<QMessageBox>();
    ASSERT_TRUE(box && QTest::qWaitForWindowActive(box));
    QTest::keyClick(box->focusWidget(), Qt::Key_Y, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return codes.size() == 2; },
                                TestSupport::Patience)); // pressed for a moment

    window->hide();
    delegate->yesNoConfirmationDialogWithTitle(u"T"_s, u"I"_s, [&](int code) { codes << code; });
    box = currentDialog<QMessageBox>();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->parentWidget(), nullptr);
    EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(codes, (QList<int>{1, 0, 1}));
}

TEST_F(SheetDialogs, PanelsYieldOneResolvedPathOrNothingWhenCancelled)
{
    window->show();
    launch();
    QTemporaryDir dir;
    const QString target = TestSupport::writeFile(dir.filePath(u"real.txt"_s), {});
    const QString link = dir.filePath(u"link.txt"_s);
    ASSERT_TRUE(QFile::link(target, link));

    QStringList paths;
    delegate->openDialogForFiles(true, false, {u"txt"_s},
                                 [&](const QString &path) { paths << path; });
    auto *panel = currentDialog<QFileDialog>();
    ASSERT_TRUE(panel);
    EXPECT_TRUE(panel->filter() & QDir::Hidden);
    EXPECT_EQ(panel->nameFilters(), QStringList{u"*.txt"_s});
    ASSERT_TRUE(choose(link));
    EXPECT_EQ(paths, QStringList{QFileInfo(target).canonicalFilePath()});

    // A cancelled panel is seen through Export.
    QList<QUrl> urls;
    delegate->saveDialogWithPath(QUrl::fromLocalFile(dir.path()).toString(), u"output.aiff"_s,
                                 [&](const QUrl &url) { urls << url; });
    panel = currentDialog<QFileDialog>();
    ASSERT_TRUE(panel);
    EXPECT_EQ(QDir(panel->directory()).canonicalPath(), QDir(dir.path()).canonicalPath());
    static_cast<QDialog *>(panel)->accept();
    ASSERT_EQ(urls.size(), 1);
    EXPECT_EQ(urls.first().fileName(), u"output.aiff"_s);
    EXPECT_TRUE(urls.first().isLocalFile());
}

// The table shows the file's entries with why the broken ones are not
// applied, saves them grouped by section with their comments and hands the
// saved lexicon on; a new table reads the same rows back, and Hear It says
// the selected entry, reported as its written word.
TEST(PronunciationTable, SavesReloadsAppliesAndHearsTheSelectedEntry)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"config/tavorin/lexicon.txt"_s);
    QDir().mkpath(dir.filePath(u"config/tavorin"_s));
    TestSupport::writeFile(path,
                           "# names\nTavorin = Ta vo rin\n/(a/ = b\n[de]\nHaus = Hous\n# end\n");
    std::shared_ptr<const Lexicon> applied;
    const auto rows = [](PronunciationDialog &dialog) {
        const auto *table = dialog.findChild<QTableWidget *>();
        QStringList shown;
        for (int row = 0; row < table->rowCount(); ++row) {
            QStringList cells;
            for (int column = 0; column < table->columnCount(); ++column)
                cells << table->item(row, column)->text().section(u':', 0, 0);
            shown << cells.join(u'|');
        }
        return shown;
    };
    const auto button = [](PronunciationDialog &dialog, const QString &text) {
        for (QPushButton *found : dialog.findChildren<QPushButton *>())
            if (found->text() == text)
                return found;
        return static_cast<QPushButton *>(nullptr);
    };
    {
        PronunciationDialog dialog(path, {SpeechSynthesizer::defaultVoice()},
                                   [&](std::shared_ptr<const Lexicon> l) { applied = l; });
        EXPECT_EQ(rows(dialog), (QStringList{u"|Tavorin|Ta vo rin|"_s,
                                             u"|/(a/|b|the regular expression does not compile"_s,
                                             u"de|Haus|Hous|"_s}));
        auto *table = dialog.findChild<QTableWidget *>();
        button(dialog, u"&Add"_s)->click();
        table->item(3, 0)->setText(u"FR"_s);
        table->item(3, 1)->setText(u"chat"_s);
        table->item(3, 2)->setText(u"minou"_s);
        table->selectRow(1);
        button(dialog, u"&Remove"_s)->click();
        ASSERT_TRUE(dialog.save());
        EXPECT_EQ(
            TestSupport::contents(path),
            "# names\nTavorin = Ta vo rin\n\n[de]\nHaus = Hous\n\n[fr]\nchat = minou\n# end\n");
        ASSERT_TRUE(applied);
        EXPECT_EQ(applied->rewrite(u"chat Tavorin"_s, u"fr"_s, false).spoken(),
                  u"minou Ta vo rin"_s);
    }
    PronunciationDialog dialog(path, {SpeechSynthesizer::defaultVoice()}, {});
    EXPECT_EQ(rows(dialog),
              (QStringList{u"|Tavorin|Ta vo rin|"_s, u"de|Haus|Hous|"_s, u"fr|chat|minou|"_s}));

    SpeechTesting::setSilentPlayback(true);
    const auto audible = qScopeGuard([] { SpeechTesting::setSilentPlayback(false); });
    dialog.findChild<QTableWidget *>()->selectRow(0);
    button(dialog, u"&Hear It"_s)->click();
    auto *synth = dialog.findChild<SpeechSynthesizer *>();
    ASSERT_TRUE(synth);
    QSignalSpy words(synth, &SpeechSynthesizer::willSpeakWord);
    QSignalSpy ends(synth, &SpeechSynthesizer::didFinishSpeaking);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !ends.isEmpty(); }, TestSupport::Patience));
    EXPECT_TRUE(ends.at(0).at(0).toBool());
    ASSERT_EQ(words.size(), 1);
    EXPECT_EQ(words.at(0).at(0).value<CharacterRange>(), (CharacterRange{0, 7}));
    EXPECT_EQ(words.at(0).at(1).toString(), u"Tavorin"_s);
}
