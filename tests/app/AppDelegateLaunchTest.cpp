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
    EXPECT_EQ(delegate->currentRate(), delegate->speechSynth()->rate());
    EXPECT_TRUE(child<QLabel>("statusLabel")->isHidden());
    EXPECT_TRUE(child<QProgressBar>("statusProgress")->isHidden());
}

TEST_F(Launch, TheBoundedRateSliderAndEveryRateChangeGoThroughTheController)
{
    launch();
    auto *slider = child<QSlider>("rateSlider");
    ASSERT_TRUE(slider);
    EXPECT_EQ(delegate->minRate(), 0.0f);
    EXPECT_EQ(delegate->maxRate(), 300.0f);
    // The engine speaks nothing slower than 80 words per minute: the slider
    // does not offer it, and a slower rate set elsewhere shows as spoken.
    EXPECT_EQ(slider->minimum(), 80);
    EXPECT_EQ(slider->maximum(), 300);
    delegate->setCurrentRate(40.0f);
    EXPECT_EQ(child<QLabel>("rateValueLabel")->text(), u"80 wpm"_s);

    LogCapture log;
    slider->setValue(250);
    EXPECT_EQ(delegate->speechSynth()->rate(), 250.0f);
    EXPECT_EQ(child<QLabel>("rateValueLabel")->text(), u"250 wpm"_s);
    // Changes made elsewhere, repeated ones too, are logged and move the
    // slider without echoing back.
    delegate->setCurrentRate(120.5f);
    delegate->setCurrentRate(120.5f);
    EXPECT_EQ(slider->value(), 121);
    EXPECT_EQ(delegate->speechSynth()->rate(), 120.5f);
    EXPECT_EQ(log.lines(),
              (QStringList{u"keypath: currentRate - 250"_s, u"keypath: currentRate - 120.5"_s,
                           u"keypath: currentRate - 120.5"_s}));
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
    const QAction *item = popup->selectedItem();
    ASSERT_TRUE(item);
    EXPECT_EQ(item->text(), u"Afar ♀ (aa)"_s);
    EXPECT_EQ(MenuItem::target(item), delegate.get());
    EXPECT_EQ(MenuItem::action(item), u"activeVoiceChanged:"_s);
    EXPECT_EQ(MenuItem::representedObject(item).toMap().value(u"identifier"_s).toString(), u"aa"_s);
}

TEST_F(Launch, VoiceMenuEdgeCases)
{
    const struct
    {
        QStringList labels; // identifiers and names alike
        QString defaultVoice;
        int items;
        QString selected; // none when null
    } cases[] = {
        {{u"Same"_s, u"Same"_s}, u"two"_s, 2, u"one"_s}, // equal labels: the first
        {{u"en"_s}, u"fr"_s, 1, QString()},              // unknown default voice
        {{}, u"en"_s, 0, QString()},                     // no voices at all
    };
    for (const auto &c : cases) {
        TearDown();
        SetUp();
        const QStringList identifiers{u"one"_s, u"two"_s};
        for (qsizetype i = 0; i < c.labels.size(); ++i)
            voices.add(c.labels.size() > 1 ? identifiers[i] : c.labels[i], c.labels[i], u"xx"_s);
        voices.defaultIdentifier = c.defaultVoice;
        LogCapture log;
        launch();
        EXPECT_TRUE(log.lines().contains(QString::number(c.items)));
        auto *popup = child<PopUpButton>("voicePopup");
        EXPECT_EQ(Menu::numberOfItems(popup->menu()), c.items);
        const QAction *selected = popup->selectedItem();
        EXPECT_EQ(
            selected
                ? MenuItem::representedObject(selected).toMap().value(u"identifier"_s).toString()
                : QString(),
            c.selected);
        voices.voices.clear();
    }
}

TEST_F(Launch, ReopenBringsTheWindowBackAndClosingItDoesNotQuit)
{
    launch();
    window->hide();
    EXPECT_TRUE(delegate->applicationShouldHandleReopen(false));
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(delegate->applicationShouldHandleReopen(true));
    EXPECT_FALSE(delegate->applicationShouldTerminateAfterLastWindowClosed());
}

TEST_F(Launch, ButtonsOfferWhatMakesSenseInEachState)
{
    launch();
    // Flags set, then whether Play, Pause, Stop and Export are enabled.
    const struct
    {
        bool playing, paused, exporting;
        QList<bool> enabled;
    } rows[] = {
        {false, false, false, {true, false, false, true}},
        {true, false, false, {false, true, true, true}},
        {false, true, false, {true, false, true, true}},
        {false, false, true, {false, false, true, false}},
    };
    for (const auto &row : rows) {
        delegate->setIsPlaying(row.playing);
        delegate->setIsPaused(row.paused);
        delegate->setIsExporting(row.exporting);
        QList<bool> enabled;
        for (const char *name : {"playButton", "pauseButton", "stopButton", "exportButton"})
            enabled << child<QWidget>(name)->isEnabled();
        EXPECT_EQ(enabled, row.enabled) << row.playing << row.paused << row.exporting;
    }
}

TEST_F(Launch, AboutShowsANewSheetOnTheMainWindowEachTime)
{
    window->show();
    launch();
    delegate->aboutMe(nullptr);
    AboutDialog *first = delegate->aboutDialog();
    ASSERT_TRUE(first && first->window());
    EXPECT_TRUE(first->window()->isVisible());
    EXPECT_EQ(first->window()->windowModality(), Qt::WindowModal);
    EXPECT_EQ(first->window()->parentWidget(), window.get());
    EXPECT_EQ(first->appWebsiteURL(), QUrl(Bundle::websiteUrl()));
    EXPECT_TRUE(first->acknowledgmentsPath().endsWith(AboutDialog::acknowledgmentsFileName()));

    first->setAppName(u"Changed"_s);
    QPointer<QWidget> firstWindow = first->window();
    delegate->aboutMe(nullptr);
    EXPECT_NE(delegate->aboutDialog()->window(), firstWindow.data());
    EXPECT_EQ(delegate->aboutDialog()->appName(), u"Tavorin"_s);
}
