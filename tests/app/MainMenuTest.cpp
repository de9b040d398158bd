#include "AppFixture.h"

#include "app/MainMenu.h"

#include <QApplication>
#include <QFileDialog>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTest>

using namespace Qt::StringLiterals;

class MainMenuBar : public AppFixture
{
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        window->show();
        window->activateWindow();
        launch();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        menu = window->findChild<MainMenu *>();
        ASSERT_TRUE(menu);
    }

    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window.get(),
                        Qt::Key(key), modifiers);
    }

    MainMenu *menu = nullptr;
};

TEST_F(MainMenuBar, HoldsFileSpeechAndHelpInThatOrder)
{
    QStringList titles;
    for (QAction *action : qobject_cast<QMainWindow *>(window.get())->menuBar()->actions())
        titles << action->text();
    EXPECT_EQ(titles, (QStringList{u"&File"_s, u"&Speech"_s, u"&Help"_s}));
    ASSERT_TRUE(menu->item(u"&Help/&About Tavorin"_s));
}

TEST_F(MainMenuBar, ShortcutsSendTheControllersCommands)
{
    auto *text = child<QPlainTextEdit>("textView");
    text->setFocus();
    text->setPlainText(u"   "_s);
    press(Qt::Key_N, Qt::ControlModifier);
    EXPECT_TRUE(text->toPlainText().isEmpty());

    press(Qt::Key_O, Qt::ControlModifier);
    auto *open = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
    ASSERT_TRUE(open);
    EXPECT_EQ(open->acceptMode(), QFileDialog::AcceptOpen);
    open->reject();

    text->setPlainText(u"Some words to speak for a while, and then some more words."_s);
    text->setFocus();
    EXPECT_FALSE(menu->item(u"&Speech/P&ause"_s)->isEnabled());
    press(Qt::Key_F5);
    EXPECT_TRUE(delegate->isPlaying());
    EXPECT_TRUE(menu->item(u"&Speech/P&ause"_s)->isEnabled());
    EXPECT_FALSE(menu->item(u"&Speech/&Play"_s)->isEnabled());
    press(Qt::Key_F6);
    EXPECT_TRUE(delegate->isPaused());
    press(Qt::Key_F7);
    EXPECT_FALSE(delegate->isPaused());
    EXPECT_FALSE(delegate->isPlaying());

    press(Qt::Key_E, Qt::ControlModifier);
    auto *save = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
    ASSERT_TRUE(save);
    EXPECT_EQ(save->acceptMode(), QFileDialog::AcceptSave);
    save->reject();
}
