#include "AppFixture.h"

#include "platform/menu/MenuItem.h"
#include "platform/menu/PopUpButton.h"
#include "platform/speech/SystemVoices.h"

#include <QMenu>

using Window = LaunchedWindow;

// The keyboard as a person uses it: typing goes into the text at once, Tab
// types a tab, Ctrl+Tab and Ctrl+Shift+Tab move between the text and the
// controls both ways, Escape goes back to the text, and after Space or
// Return on Play or Pause the focus is on the command now offered.
TEST_F(Window, TheKeyboardStartsInTheTextAndFollowsTheCommandsOffered)
{
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    EXPECT_EQ(QApplication::focusWidget(), text);
    QTest::keyClick(text, Qt::Key_Tab);
    EXPECT_EQ(text->toPlainText(), u"\t"_s);
    QTest::keyClick(text, Qt::Key_Tab, Qt::ControlModifier);
    auto *play = child<QAbstractButton>("playButton");
    auto *pause = child<QAbstractButton>("pauseButton");
    EXPECT_EQ(QApplication::focusWidget(), play);
    const auto press = [](Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
        return QApplication::focusWidget();
    };
    EXPECT_EQ(press(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier), text);
    EXPECT_EQ(press(Qt::Key_Tab, Qt::ControlModifier), play);
    EXPECT_EQ(press(Qt::Key_Tab, Qt::ControlModifier), child<QWidget>("voicePopup"));
    EXPECT_EQ(press(Qt::Key_Tab, Qt::ControlModifier), child<QWidget>("rateSlider"));
    EXPECT_EQ(press(Qt::Key_Escape), text);
    EXPECT_EQ(press(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier),
              child<QWidget>("exportButton"));
    EXPECT_EQ(press(Qt::Key_Tab, Qt::ControlModifier), text);
    EXPECT_EQ(text->toPlainText(), u"\t"_s) << "a key meant for moving typed into the text";
    press(Qt::Key_Tab, Qt::ControlModifier);

    text->setPlainText(QString(u"A sentence that takes a while to speak. "_s).repeated(20));
    QTest::keyClick(play, Qt::Key_Space);
    EXPECT_TRUE(delegate->isPlaying());
    EXPECT_EQ(QApplication::focusWidget(), pause);
    QTest::keyClick(pause, Qt::Key_Return);
    EXPECT_TRUE(delegate->isPaused());
    EXPECT_EQ(QApplication::focusWidget(), play);
    delegate->doStop(nullptr);
}

// The controls wrap into rows rather than overlap, at every width the window
// allows, and the text starts below them.
TEST_F(Window, NothingOverlapsAtAnyWidthTheWindowAllows)
{
    auto *bar = child<QWidget>("controlBar");
    const QList<QWidget *> controls = {
        child<QWidget>("playButton"),       child<QWidget>("pauseButton"),
        child<QWidget>("stopButton"),       child<QWidget>("voiceCaption"),
        child<QWidget>("voicePopup"),       child<QWidget>("rateCaption"),
        child<QWidget>("rateSlider"),       child<QWidget>("rateValueLabel"),
        child<QWidget>("pitchSlider"),      child<QWidget>("pitchValueLabel"),
        child<QWidget>("intonationSlider"), child<QWidget>("intonationValueLabel"),
        child<QWidget>("volumeSlider"),     child<QWidget>("volumeValueLabel"),
        child<QWidget>("exportButton"),
    };
    EXPECT_LE(window->minimumWidth(), 640);
    for (const int width : {window->minimumWidth(), 640, 900, 1280}) {
        SCOPED_TRACE(width);
        window->resize(width, 560);
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->width() == width; }));
        QCoreApplication::processEvents();
        QList<QRect> placed;
        for (QWidget *control : controls) {
            const QRect rect(control->mapTo(window.get(), QPoint()), control->size());
            EXPECT_TRUE(window->rect().contains(rect)) << control->objectName().toStdString();
            for (const QRect &other : placed)
                EXPECT_FALSE(rect.intersects(other)) << control->objectName().toStdString();
            placed << rect;
        }
        EXPECT_GE(text->mapTo(window.get(), QPoint()).y(),
                  bar->mapTo(window.get(), QPoint()).y() + bar->height());
    }
}

// speech-dispatcher's voices (the private server's) join the voice menu
// once listed, in a section of their own after the others; an export with
// one is refused in the status line, without a panel.
TEST_F(Window, SystemVoicesComeInASectionOfTheirOwnAndAreNotExported)
{
    ASSERT_TRUE(qEnvironmentVariableIsSet("SPEECHD_ADDRESS")) << "run through scripts/test.sh";
    SystemVoices::prepare();
    QMenu *menu = child<PopUpButton>("voicePopup")->menu();
    const auto section = [menu]() -> QAction * {
        for (QAction *item : menu->actions())
            if (item->isSeparator() && !item->text().isEmpty())
                return item;
        return nullptr;
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return section(); }, TestSupport::Patience));
    EXPECT_EQ(section()->text(), u"System voices (speech-dispatcher)"_s);
    const QList<QAction *> items = menu->actions();
    const qsizetype heading = items.indexOf(section());
    for (qsizetype i = 0; i < items.size(); ++i) {
        const QString voice =
            MenuItem::representedObject(items[i]).toMap().value(u"identifier"_s).toString();
        if (i != heading) {
            EXPECT_EQ(SystemVoices::isSystemVoice(voice), i > heading) << voice.toStdString();
        }
    }

    ASSERT_TRUE(delegate->speechSynth()->setVoice(u"system:espeak-ng/English (America)"_s));
    for (const auto command : {&AppDelegate::doExport, &AppDelegate::doExportTimings}) {
        child<QLabel>("statusLabel")->clear();
        (delegate.get()->*command)(nullptr);
        EXPECT_EQ(currentDialog<QFileDialog>(), nullptr);
        EXPECT_TRUE(child<QLabel>("statusLabel")->text().contains(u"cannot be exported"_s));
    }
}
