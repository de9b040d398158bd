#include "AppFixture.h"

#include "app/MainMenu.h"

using MainMenuBar = LaunchedWindow;

// The menus' shortcuts reach the controller's commands from the editor (the
// bar's titles are seen in each language by the translations test).
TEST_F(MainMenuBar, ShortcutsSendTheControllersCommands)
{
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    auto *menu = window->findChild<MainMenu *>();
    ASSERT_TRUE(menu);
    ASSERT_TRUE(menu->item(u"&Help/&About Tavorin"_s));

    text->setFocus();
    const auto press = [&](int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget *focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : window.get(), Qt::Key(key), modifiers);
    };
    text->setPlainText(u"   "_s);
    press(Qt::Key_N, Qt::ControlModifier);
    EXPECT_TRUE(text->toPlainText().isEmpty());

    for (auto [key, mode] : {std::pair{Qt::Key_O, QFileDialog::AcceptOpen},
                             std::pair{Qt::Key_E, QFileDialog::AcceptSave}}) {
        press(key, Qt::ControlModifier);
        auto *panel = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        ASSERT_TRUE(panel);
        EXPECT_EQ(panel->acceptMode(), mode);
        panel->reject();
        text->setFocus();
    }

    const QString words = u"Some words to speak for a while. And then some more words."_s;
    text->setPlainText(words);
    QAction *nextSentence = menu->item(u"&Speech/&Next Sentence"_s);
    EXPECT_FALSE(menu->item(u"&Speech/P&ause"_s)->isEnabled());
    EXPECT_FALSE(nextSentence->isEnabled());
    press(Qt::Key_F5);
    EXPECT_TRUE(delegate->isPlaying());
    EXPECT_TRUE(menu->item(u"&Speech/P&ause"_s)->isEnabled());
    EXPECT_FALSE(menu->item(u"&Speech/&Play"_s)->isEnabled());
    EXPECT_TRUE(nextSentence->isEnabled());
    // Alt with the arrows moves the speech, and neither the caret nor the text.
    const int caret = text->textCursor().position();
    press(Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(delegate->spokenRange().location, quint64(words.indexOf(u"And")));
    press(Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(delegate->spokenRange().location, 0u);
    EXPECT_EQ(text->textCursor().position(), caret);
    EXPECT_EQ(text->toPlainText(), words);
    press(Qt::Key_F6);
    EXPECT_TRUE(delegate->isPaused());
    EXPECT_TRUE(nextSentence->isEnabled());
    press(Qt::Key_F7);
    EXPECT_FALSE(delegate->isPaused() || delegate->isPlaying());
    EXPECT_FALSE(nextSentence->isEnabled());
    // The editor keeps its own keys: Ctrl+Right moves the caret a word on.
    press(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(text->textCursor().position(), caret + 5);
    // Shift+F5 speaks from the cursor.
    QTextCursor cursor(text->document());
    cursor.setPosition(5);
    text->setTextCursor(cursor);
    press(Qt::Key_F5, Qt::ShiftModifier);
    EXPECT_EQ(delegate->spokenRange().location, 5u);
    press(Qt::Key_F7);
}
