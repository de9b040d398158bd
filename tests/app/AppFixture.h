#pragma once

#include "app/AppDelegate.h"
#include "app/Preferences.h"
#include "app/Startup.h"
#include "platform/application/Application.h"
#include "platform/speech/SpeechSynthesizer.h"
#include "platform/speech/SpeechTesting.h"
#include "platform/system/LogCapture.h"
#include "support/FakeVoiceSource.h"
#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>

#include <memory>
#include <utility>

// The modal window in front, as the type asked for; null when there is none.
template<typename Dialog>
Dialog *currentDialog()
{
    return qobject_cast<Dialog *>(QApplication::activeModalWidget());
}

// Chooses `path` in the file panel in front as its OK button does; false
// when no panel is in front.
inline bool choose(const QString &path)
{
    auto *panel = currentDialog<QFileDialog>();
    if (!panel)
        return false;
    panel->selectFile(path);
    static_cast<QDialog *>(panel)->accept(); // as the OK button does
    return true;
}

// Clicks the button of that title (its mnemonic left out) in the message box
// in front.
inline bool answer(const QString &title)
{
    if (auto *box = currentDialog<QMessageBox>())
        for (QAbstractButton *button : box->buttons())
            if (button->text().remove(u'&') == title) {
                button->click();
                return true;
            }
    return false;
}

// Waits until the log has had `line` `times` times.
inline bool waitForLog(const LogCapture &log, const QString &line, int times = 1)
{
    return QTest::qWaitFor([&] { return log.count(line) == times; }, TestSupport::Patience);
}

// The main window loaded from its description with a controller connected to
// it, as the program does at start-up, on a voice list the test controls.
class AppFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SpeechTesting::setVoiceSource(&voices);
        // Every test starts from the choices of a first launch.
        Preferences::settings()->clear();
        delegate = std::make_unique<AppDelegate>();
        window.reset(Startup::loadMainWindow(delegate.get()));
        ASSERT_TRUE(window);
    }

    void TearDown() override
    {
        window.reset();
        delegate.reset();
        SpeechTesting::setVoiceSource(nullptr);
    }

    void launch() { delegate->applicationDidFinishLaunching(); }

    template<typename T>
    T *child(const char *name) const
    {
        return window->findChild<T *>(QString::fromLatin1(name));
    }

    FakeVoiceSource voices;
    std::unique_ptr<AppDelegate> delegate;
    std::unique_ptr<QWidget> window;
};

// The window shown and launched on the real voice list, as a user meets it.
class LaunchedWindow : public AppFixture
{
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        SpeechTesting::setVoiceSource(nullptr);
        // Long exports are rendered by the program's worker processes, as
        // in the program.
        SpeechSynthesizer::setRenderProgram(QStringLiteral(TAVORIN_PROGRAM));
        window->show();
        launch();
        text = child<QPlainTextEdit>("textView");
    }

    void TearDown() override
    {
        AppFixture::TearDown();
        SpeechSynthesizer::setRenderProgram(QString());
    }

    void select(int start, int length)
    {
        QTextCursor cursor = text->textCursor();
        cursor.setPosition(start);
        cursor.setPosition(start + length, QTextCursor::KeepAnchor);
        text->setTextCursor(cursor);
    }

    QPlainTextEdit *text = nullptr;
};
