#include "AppFixture.h"

#include "app/WindowBindings.h"
#include "platform/Bundle.h"
#include "platform/Menu.h"
#include "platform/MenuItem.h"
#include "platform/PopUpButton.h"

#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QProgressBar>
#include <QSlider>

using namespace Qt::StringLiterals;

namespace {

QStringList titles(const QMenu *menu)
{
    QStringList result;
    for (const QAction *item : Menu::itemArray(menu))
        result << item->text();
    return result;
}

} // namespace

using Launch = AppFixture;

TEST_F(Launch, LogsTheVoiceQueriesAndTheCountButNotTheLaunchRate)
{
    voices.add(u"en"_s, u"English"_s, u"en"_s);
    voices.add(u"de"_s, u"German"_s, u"de"_s);
    voices.defaultIdentifier = u"en"_s;
    LogCapture log;
    launch();
    EXPECT_EQ(log.lines(), (QStringList{u"HERE!"_s, u"2"_s, u"HERE!"_s}));

    EXPECT_EQ(delegate->minRate(), 0.0f);
    EXPECT_EQ(delegate->maxRate(), 300.0f);
    EXPECT_EQ(delegate->currentRate(), delegate->speechSynth()->rate());
    EXPECT_FALSE(delegate->isPlaying());
    EXPECT_FALSE(delegate->isPaused());
    EXPECT_FALSE(delegate->isExporting());
    EXPECT_EQ(delegate->spokenRange(), CharacterRange{});
    EXPECT_TRUE(child<QLabel>("statusLabel")->isHidden());
    EXPECT_TRUE(child<QProgressBar>("statusProgress")->isHidden());
}

TEST_F(Launch, EveryRateChangeIsForwardedAndLoggedEvenWhenUnchanged)
{
    launch();
    LogCapture log;
    delegate->setCurrentRate(210.5f);
    EXPECT_EQ(delegate->speechSynth()->rate(), 210.5f);
    delegate->setCurrentRate(210.5f);
    delegate->setCurrentRate(90.0f);
    EXPECT_EQ(delegate->speechSynth()->rate(), 90.0f);
    EXPECT_EQ(log.lines(),
              (QStringList{u"keypath: currentRate - 210.5"_s, u"keypath: currentRate - 210.5"_s,
                           u"keypath: currentRate - 90"_s}));
}

TEST_F(Launch, TheRateSliderIsBoundedAndWritesThroughTheController)
{
    launch();
    auto *slider = child<QSlider>("rateSlider");
    ASSERT_TRUE(slider);
    EXPECT_EQ(slider->minimum(), 0);
    EXPECT_EQ(slider->maximum(), 300);
    EXPECT_EQ(slider->value(), int(delegate->currentRate()));

    LogCapture log;
    slider->setValue(250);
    EXPECT_EQ(delegate->currentRate(), 250.0f);
    EXPECT_EQ(delegate->speechSynth()->rate(), 250.0f);
    EXPECT_EQ(log.lines(), QStringList{u"keypath: currentRate - 250"_s});
    EXPECT_EQ(child<QLabel>("rateValueLabel")->text(), u"250 wpm"_s);

    // A change made elsewhere moves the slider without echoing back.
    log.clear();
    delegate->setCurrentRate(120.0f);
    EXPECT_EQ(slider->value(), 120);
    EXPECT_EQ(log.lines().size(), 1);
}

TEST_F(Launch, FillsTheVoiceMenuInPlatformOrderAndSelectsTheDefault)
{
    voices.add(u"zz"_s, u"Zulu"_s, u"zu"_s);
    voices.add(u"aa"_s, u"Afar"_s, u"aa"_s, u"VoiceGenderFemale"_s);
    voices.add(u"mm"_s, u"Middle"_s, u"mi"_s);
    voices.defaultIdentifier = u"aa"_s;
    launch();

    auto *popup = child<PopUpButton>("voicePopup");
    ASSERT_TRUE(popup);
    EXPECT_EQ(titles(popup->menu()),
              (QStringList{u"Zulu ♂ (zu)"_s, u"Afar ♀ (aa)"_s, u"Middle ♂ (mi)"_s}));
    ASSERT_TRUE(popup->selectedItem());
    EXPECT_EQ(popup->selectedItem()->text(), u"Afar ♀ (aa)"_s);

    const QAction *item = popup->selectedItem();
    EXPECT_EQ(MenuItem::target(item), delegate.get());
    EXPECT_EQ(MenuItem::action(item), u"activeVoiceChanged:"_s);
    EXPECT_TRUE(MenuItem::keyEquivalent(item).isEmpty());
    EXPECT_EQ(MenuItem::representedObject(item).toMap().value(u"identifier"_s).toString(), u"aa"_s);
}

TEST_F(Launch, EqualLabelsBothAppearAndTheFirstIsSelected)
{
    voices.add(u"one"_s, u"Same"_s, u"xx"_s);
    voices.add(u"two"_s, u"Same"_s, u"xx"_s);
    voices.defaultIdentifier = u"two"_s;
    launch();
    auto *popup = child<PopUpButton>("voicePopup");
    EXPECT_EQ(Menu::numberOfItems(popup->menu()), 2);
    ASSERT_TRUE(popup->selectedItem());
    EXPECT_EQ(MenuItem::representedObject(popup->selectedItem()).toMap().value(u"identifier"_s),
              QVariant(u"one"_s));
}

TEST_F(Launch, WithoutVoicesTheMenuIsEmptyAndNothingIsSelected)
{
    voices.defaultIdentifier = u"en"_s;
    LogCapture log;
    launch();
    EXPECT_TRUE(log.lines().contains(u"0"_s));
    auto *popup = child<PopUpButton>("voicePopup");
    EXPECT_EQ(Menu::numberOfItems(popup->menu()), 0);
    EXPECT_EQ(popup->selectedItem(), nullptr);
}

TEST_F(Launch, AnUnknownDefaultVoiceSelectsNothing)
{
    voices.add(u"en"_s, u"English"_s, u"en"_s);
    voices.defaultIdentifier = u"fr"_s;
    launch();
    EXPECT_EQ(child<PopUpButton>("voicePopup")->selectedItem(), nullptr);
}

TEST_F(Launch, ReopenBringsTheWindowBackAndAlwaysAnswersTrue)
{
    launch();
    window->hide();
    EXPECT_TRUE(delegate->applicationShouldHandleReopen(false));
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(delegate->applicationShouldHandleReopen(true));
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(delegate->applicationShouldTerminateAfterLastWindowClosed());
}

TEST_F(Launch, ButtonsOfferWhatMakesSenseInEachState)
{
    launch();
    const WindowBindings *bindings = delegate->windowBindings();
    ASSERT_TRUE(bindings);
    auto enabled = [this](const char *name) { return child<QWidget>(name)->isEnabled(); };
    EXPECT_TRUE(enabled("playButton"));
    EXPECT_FALSE(enabled("pauseButton"));
    EXPECT_FALSE(enabled("stopButton"));
    EXPECT_TRUE(enabled("exportButton"));

    delegate->setIsPlaying(true);
    EXPECT_FALSE(enabled("playButton"));
    EXPECT_TRUE(enabled("pauseButton"));
    EXPECT_TRUE(enabled("stopButton"));

    delegate->setIsPlaying(false);
    delegate->setIsPaused(true);
    EXPECT_TRUE(enabled("playButton"));
    EXPECT_FALSE(enabled("pauseButton"));
    EXPECT_TRUE(enabled("stopButton"));

    delegate->setIsPaused(false);
    delegate->setIsExporting(true);
    EXPECT_FALSE(enabled("exportButton"));
    EXPECT_TRUE(enabled("stopButton"));
}

TEST_F(Launch, AboutShowsANewSheetOnTheMainWindowEachTime)
{
    window->show();
    launch();
    delegate->aboutMe(nullptr);
    AboutDialog *first = delegate->aboutDialog();
    ASSERT_TRUE(first);
    ASSERT_TRUE(first->window());
    EXPECT_TRUE(first->window()->isVisible());
    EXPECT_EQ(first->window()->windowModality(), Qt::WindowModal);
    EXPECT_EQ(first->window()->parentWidget(), window.get());
    EXPECT_EQ(first->appWebsiteURL(), QUrl(Bundle::websiteUrl()));
    EXPECT_TRUE(first->acknowledgmentsPath().endsWith(AboutDialog::acknowledgmentsFileName()));
    EXPECT_EQ(first->appName(), u"Tavorin"_s);

    first->setAppName(u"Changed"_s);
    QPointer<QWidget> firstWindow = first->window();
    delegate->aboutMe(nullptr);
    EXPECT_NE(delegate->aboutDialog()->window(), firstWindow.data());
    EXPECT_EQ(delegate->aboutDialog()->appName(), u"Tavorin"_s);
}
