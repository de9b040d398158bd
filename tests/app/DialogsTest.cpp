#include "AppFixture.h"

#include <QAccessible>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

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
