#include "AppFixture.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

template<typename Dialog>
Dialog *currentDialog()
{
    return qobject_cast<Dialog *>(QApplication::activeModalWidget());
}

} // namespace

class Dialogs : public AppFixture
{
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        window->show();
        launch();
    }
};

TEST_F(Dialogs, ConfirmationGivesOneForTheDefaultAndZeroForTheAlternate)
{
    QList<int> codes;
    delegate->confirmationDialogWithTitle(u"Title"_s, u"100% <b>plain</b>"_s, u"Keep"_s, u"Drop"_s,
                                          [&](int code) { codes << code; });
    QMessageBox *box = currentDialog<QMessageBox>();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->parentWidget(), window.get());
    EXPECT_EQ(box->informativeText(), u"100% <b>plain</b>"_s);
    EXPECT_EQ(box->defaultButton()->text(), u"Keep"_s);
    QTest::keyClick(box, Qt::Key_Escape);
    EXPECT_EQ(codes, QList<int>{1});

    delegate->yesNoConfirmationDialogWithTitle(u"T"_s, u"I"_s, [&](int code) { codes << code; });
    box = currentDialog<QMessageBox>();
    ASSERT_TRUE(box);
    for (QAbstractButton *button : box->buttons())
        if (button->text() == u"Yes"_s)
            button->click();
    EXPECT_EQ(codes, (QList<int>{1, 0}));
}

TEST_F(Dialogs, OpenPanelYieldsOnePathWithLinksResolved)
{
    QTemporaryDir dir;
    QFile target(dir.filePath(u"real.txt"_s));
    ASSERT_TRUE(target.open(QIODevice::WriteOnly));
    target.close();
    const QString link = dir.filePath(u"link.txt"_s);
    ASSERT_TRUE(QFile::link(target.fileName(), link));

    QStringList paths;
    delegate->openDialogForFiles(true, false, {}, [&](const QString &path) { paths << path; });
    auto *panel = currentDialog<QFileDialog>();
    ASSERT_TRUE(panel);
    EXPECT_TRUE(panel->filter() & QDir::Hidden);
    panel->selectFile(link);
    acceptPanel(panel);
    EXPECT_EQ(paths, QStringList{QFileInfo(target.fileName()).canonicalFilePath()});
}

TEST_F(Dialogs, SavePanelProposesTheNameAndYieldsTheUrlAndCancelledPanelsCallNothing)
{
    QTemporaryDir dir;
    QList<QUrl> urls;
    delegate->openDialogForFiles(true, false, {u"txt"_s}, [&](const QString &) { urls << QUrl(); });
    auto *panel = currentDialog<QFileDialog>();
    ASSERT_TRUE(panel);
    EXPECT_EQ(panel->nameFilters(), QStringList{u"*.txt"_s});
    panel->reject();
    for (bool cancel : {true, false}) {
        delegate->saveDialogWithPath(QUrl::fromLocalFile(dir.path()).toString(), u"output.aiff"_s,
                                     [&](const QUrl &url) { urls << url; });
        panel = currentDialog<QFileDialog>();
        ASSERT_TRUE(panel);
        EXPECT_EQ(QDir(panel->directory()).canonicalPath(), QDir(dir.path()).canonicalPath());
        if (cancel)
            panel->reject();
        else
            acceptPanel(panel);
    }
    ASSERT_EQ(urls.size(), 1);
    EXPECT_EQ(urls.first().fileName(), u"output.aiff"_s);
    EXPECT_TRUE(urls.first().isLocalFile());
}

TEST_F(Dialogs, WithoutAMainWindowTheDialogStandsAloneAndStillAnswers)
{
    window->hide();
    QList<int> codes;
    delegate->yesNoConfirmationDialogWithTitle(u"T"_s, u"I"_s, [&](int code) { codes << code; });
    QMessageBox *box = currentDialog<QMessageBox>();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->parentWidget(), nullptr);
    EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(codes, QList<int>{1});
}
