#include "AppFixture.h"

#include "app/WindowBindings.h"
#include "platform/menu/Menu.h"
#include "platform/menu/MenuItem.h"
#include "platform/menu/PopUpButton.h"
#include "platform/system/Bundle.h"

#include <QAccessible>
#include <QProgressBar>
#include <QScopeGuard>
#include <QSettings>
#include <QSlider>

#include <array>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using Launch = AppFixture;

// The voice menu as launch fills it: labels made of the name part before the
// first parenthesis, ♀ only for the exact female value, incomplete voices left
// out, the platform's order kept, and the default voice selected.
TEST_F(Launch, FillsTheVoiceMenuAndSelectsTheDefault)
{
    using Voice = std::array<QString, 4>; // identifier, name, language, gender
    const struct
    {
        QList<Voice> voices;
        QString defaultVoice;
        QStringList titles;
        QString selected; // the selected item's identifier; none when null
    } cases[] = {
        {{{u"zz"_s, u"Zulu"_s, u"zu"_s, {}},
          {u"aa"_s, u"Anna (Premium)"_s, u"de-DE"_s, u"VoiceGenderFemale"_s},
          {u"paren"_s, u"(Compact) Fred"_s, u"en-GB"_s, {}},
          {u"two"_s, u"A (b) (c)"_s, u"fr"_s, u"VoiceGenderNeuter"_s},
          {u"c"_s, u"C"_s, u"x"_s, u"voicegenderfemale"_s}},
         u"aa"_s,
         {u"Zulu ♂ (zu)"_s, u"Anna  ♀ (de-DE)"_s, u" ♂ (en-GB)"_s, u"A  ♂ (fr)"_s, u"C ♂ (x)"_s},
         u"aa"_s},
        {{{u"one"_s, u"Same"_s, u"xx"_s, {}}, {u"two"_s, u"Same"_s, u"xx"_s, {}}},
         u"two"_s,
         {u"Same ♂ (xx)"_s, u"Same ♂ (xx)"_s},
         u"one"_s}, // equal labels: the first
        {{{u"en"_s, u"en"_s, u"xx"_s, {}}}, u"fr"_s, {u"en ♂ (xx)"_s}, QString()},
        {{}, u"en"_s, {}, QString()},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.titles.join(u", "_s).toStdString());
        TearDown();
        SetUp();
        voices.voices.clear();
        for (const Voice &v : c.voices) {
            QVariantMap attributes{
                {u"VoiceName"_s, v[1]}, {u"VoiceLanguage"_s, v[2]}, {u"VoiceIdentifier"_s, v[0]}};
            if (!v[3].isNull())
                attributes.insert(u"VoiceGender"_s, v[3]);
            voices.voices.append({v[0], attributes});
        }
        voices.voices.append({u"nameless"_s, {{u"VoiceLanguage"_s, u"en"_s}}});
        voices.voices.append({u"gone"_s, {}});
        voices.defaultIdentifier = c.defaultVoice;
        launch();
        auto *popup = child<PopUpButton>("voicePopup");
        EXPECT_EQ(TestSupport::titles(popup->menu()), c.titles);
        const QAction *selected = popup->selectedItem();
        const QVariantMap record = MenuItem::representedObject(selected).toMap();
        EXPECT_EQ(selected ? record.value(u"identifier"_s).toString() : QString(), c.selected);
        const QList<QAction *> items = Menu::itemArray(popup->menu());
        // Chosen from the shown menu, an item is the selection, even under
        // the same label as another.
        if (items.size() > 1) {
            window->show();
            QMenu *menu = popup->menu();
            menu->popup(popup->mapToGlobal(QPoint(0, popup->height())));
            ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(items[1]).center());
            EXPECT_EQ(popup->selectedItem(), items[1]);
            EXPECT_EQ(MenuItem::state(items[1]), 1);
            EXPECT_EQ(MenuItem::state(items[0]), 0);
        }
    }
}

TEST_F(Launch, TheBoundedRateSliderAndEveryRateChangeGoThroughTheController)
{
    launch();
    EXPECT_EQ(delegate->currentRate(), delegate->speechSynth()->rate());
    EXPECT_TRUE(child<QLabel>("statusLabel")->isHidden());
    EXPECT_TRUE(child<QProgressBar>("statusProgress")->isHidden());
    auto *slider = child<QSlider>("rateSlider");
    ASSERT_TRUE(slider);
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
    EXPECT_EQ(QAccessible::queryAccessibleInterface(slider)->text(QAccessible::Value),
              u"250 wpm"_s);
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

// The person's choices come back at the next launch, from this test
// program's own settings; what the command line asks for wins for its run
// only; values that the file should not hold fall back or are clamped.
TEST_F(Launch, ChoicesOutlastARestartAndTheCommandLineWinsForItsRunOnly)
{
    const QString file = Preferences::settings()->fileName();
    EXPECT_TRUE(file.startsWith(qEnvironmentVariable("XDG_CONFIG_HOME") + u'/'))
        << file.toStdString();
    for (const char *voice : {"a", "b"})
        voices.voices.append({QString::fromLatin1(voice),
                              {{u"VoiceName"_s, QString::fromLatin1(voice)},
                               {u"VoiceLanguage"_s, u"en"_s},
                               {u"VoiceIdentifier"_s, QString::fromLatin1(voice)}}});
    voices.defaultIdentifier = u"a"_s;
    const auto restart = [this](std::function<void(VoiceSettings &)> shape) {
        delegate->applicationWillTerminate();
        window.reset();
        delegate = std::make_unique<AppDelegate>();
        delegate->setLaunchShape(shape);
        window.reset(Startup::loadMainWindow(delegate.get()));
        launch();
    };
    const auto voice = [this] {
        return MenuItem::representedObject(child<PopUpButton>("voicePopup")->selectedItem())
            .toMap()
            .value(u"identifier"_s);
    };
    const auto shape = [this] {
        const SpeechSynthesizer *synth = delegate->speechSynth();
        EXPECT_EQ(synth->rate(), delegate->currentRate());
        return std::array{int(synth->rate()), synth->pitch(), synth->intonation(), synth->volume()};
    };
    const QTemporaryDir opened, saved;
    launch();
    child<PopUpButton>("voicePopup")->menu()->actions().at(1)->trigger();
    child<QSlider>("rateSlider")->setValue(250);
    child<QSlider>("pitchSlider")->setValue(70);
    child<QSlider>("intonationSlider")->setValue(20);
    child<QSlider>("volumeSlider")->setValue(150);
    window->resize(700, 450);
    delegate->openDialogForFiles(true, false, {}, [](const QString &) {});
    ASSERT_TRUE(choose(TestSupport::writeFile(opened.filePath(u"a.txt"_s), "a")));
    delegate->saveDialogWithPath({}, u"out.aiff"_s, [](const QUrl &) {});
    ASSERT_TRUE(choose(saved.filePath(u"out.aiff"_s)));

    restart({});
    EXPECT_EQ(voice(), u"b"_s);
    EXPECT_EQ(shape(), (std::array{250, 70, 20, 150}));
    EXPECT_EQ(child<QSlider>("pitchSlider")->value(), 70);
    EXPECT_EQ(child<QLabel>("volumeValueLabel")->text(), u"150 %"_s);
    EXPECT_EQ(window->size(), QSize(700, 450));
    for (const auto &[folder, open] : {std::pair{opened.path(), true}, {saved.path(), false}}) {
        if (open)
            delegate->openDialogForFiles(true, false, {}, [](const QString &) {});
        else
            delegate->saveDialogWithPath({}, u"out.aiff"_s, [](const QUrl &) {});
        auto *panel = currentDialog<QFileDialog>();
        ASSERT_TRUE(panel);
        EXPECT_EQ(panel->directory().canonicalPath(), QDir(folder).canonicalPath());
        panel->reject();
    }

    restart([](VoiceSettings &settings) { settings.pitch = 90; });
    EXPECT_EQ(shape(), (std::array{250, 90, 20, 150}));
    child<QSlider>("volumeSlider")->setValue(60);
    restart({});
    EXPECT_EQ(shape(), (std::array{250, 70, 20, 60}));

    {
        const auto settings = Preferences::settings();
        settings->setValue(Preferences::voiceKey.toString(), u"uninstalled"_s);
        settings->setValue(Preferences::rateKey.toString(), u"fast"_s);
        settings->setValue(Preferences::pitchKey.toString(), 500);
        settings->setValue(Preferences::intonationKey.toString(), -5);
    }
    restart({});
    EXPECT_EQ(voice(), u"a"_s);
    EXPECT_EQ(shape(), (std::array{175, 100, 0, 60}));
}

// Settings reached through a link are saved in place of the regular file it
// names. A link to a device or a FIFO is neither read (which would block)
// nor replaced: the window starts and quits as ever, and says once that its
// choices are not saved.
TEST_F(Launch, SettingsAreSavedThroughLinksToRegularFilesOnly)
{
    const QString file = Preferences::settings()->fileName();
    ASSERT_TRUE(QDir().mkpath(QFileInfo(file).path()));
    const QByteArray link = QFile::encodeName(file);
    const auto unlink = qScopeGuard([&link] { ::unlink(link.constData()); });
    QTemporaryDir scratch;
    const QString real =
        TestSupport::writeFile(scratch.filePath(u"real.conf"_s), "[speech]\npitch=70\n");
    const QByteArray fifo = QFile::encodeName(scratch.filePath(u"fifo"_s));
    const QByteArray device = QFile::encodeName(scratch.filePath(u"null"_s));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    QList<QByteArray> targets{QFile::encodeName(real)};
    // Only a privileged process may make a device node.
    if (::mknod(device.constData(), S_IFCHR | 0666, makedev(1, 3)) == 0)
        targets << device;
    targets << fifo;
    const LogCapture log;
    for (const QByteArray &target : std::as_const(targets)) {
        SCOPED_TRACE(target.toStdString());
        struct stat before = {};
        ASSERT_EQ(::stat(target.constData(), &before), 0);
        ::unlink(link.constData());
        ASSERT_EQ(::symlink(target.constData(), link.constData()), 0);
        window.reset();
        delegate = std::make_unique<AppDelegate>();
        window.reset(Startup::loadMainWindow(delegate.get()));
        launch();
        child<QSlider>("pitchSlider")->setValue(30);
        delegate->applicationWillTerminate();
        struct stat after = {};
        ASSERT_EQ(::lstat(link.constData(), &after), 0);
        EXPECT_TRUE(S_ISLNK(after.st_mode));
        ASSERT_EQ(::lstat(target.constData(), &after), 0);
        EXPECT_EQ(after.st_mode & S_IFMT, before.st_mode & S_IFMT);
        if (S_ISREG(before.st_mode)) {
            EXPECT_EQ(child<QSlider>("pitchSlider")->value(), 30);
            EXPECT_TRUE(TestSupport::contents(real).contains("pitch=30"));
        } else {
            EXPECT_EQ(after.st_ino, before.st_ino);
        }
    }
    const QStringList lines = log.lines().filter(u"Settings are not saved"_s);
    EXPECT_EQ(lines.size(), 1) << lines.join(u'\n').toStdString();
    EXPECT_EQ(QDir(scratch.path())
                  .entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot)
                  .size(),
              targets.size());
}

TEST_F(Launch, ButtonsOfferWhatMakesSenseInEachStateAndClosingDoesNotQuit)
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

    window->hide();
    EXPECT_TRUE(delegate->applicationShouldHandleReopen(false));
    EXPECT_TRUE(window->isVisible());
    // Qt counts a minimised window as visible; the person does not.
    window->showMinimized();
    EXPECT_TRUE(delegate->applicationShouldHandleReopen(true));
    EXPECT_FALSE(window->isMinimized());
    EXPECT_FALSE(delegate->applicationShouldTerminateAfterLastWindowClosed());
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
