#include "app/AppDelegate.h"

#include "app/FileDrop.h"
#include "app/FindIndicator.h"
#include "app/MainMenu.h"
#include "app/Preferences.h"
#include "app/VoiceRecords.h"
#include "app/WindowBindings.h"
#include "menus/MenuOperations.h"
#include "platform/menu/MenuItem.h"
#include "platform/menu/PopUpButton.h"
#include "platform/speech/Lexicon.h"
#include "platform/speech/SystemVoices.h"
#include "platform/system/Bundle.h"
#include "platform/system/Log.h"

#include <QFileInfo>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>

#include <algorithm>

using namespace Qt::StringLiterals;

AppDelegate::AppDelegate(QObject *parent)
    : ApplicationDelegate(parent)
    , m_session(new SpeechSession(this))
    , m_export(new ExportJob(this))
    , m_voice(new VoiceChoices(this))
    , m_documents(new DocumentLoader(this))
    , m_outline(new OutlineTracker(this))
{
    connect(m_documents, &DocumentLoader::textWillBeReplaced, this, [this] {
        rememberPlace();
        m_document.reset();
        m_session->textWillBeReplaced();
    });
    connect(m_documents, &DocumentLoader::textWillBeReplaced, m_outline, &OutlineTracker::clear);
    connect(m_documents, &DocumentLoader::outlineRead, m_outline, &OutlineTracker::follow);
    connect(m_documents, &DocumentLoader::finished, this, [this](const QString &path, bool loaded) {
        if (loaded) {
            m_document = ReadingPlaces::identify(path);
            restorePlace();
        }
        Q_EMIT fileLoadFinished(path, loaded);
    });
    connect(m_voice, &VoiceChoices::minRateChanged, this, &AppDelegate::minRateChanged);
    connect(m_voice, &VoiceChoices::maxRateChanged, this, &AppDelegate::maxRateChanged);
    connect(m_voice, &VoiceChoices::rateChanged, this, &AppDelegate::currentRateChanged);
    connect(m_voice, &VoiceChoices::pitchChanged, this, &AppDelegate::currentPitchChanged);
    connect(m_voice, &VoiceChoices::intonationChanged, this,
            &AppDelegate::currentIntonationChanged);
    connect(m_voice, &VoiceChoices::volumeChanged, this, &AppDelegate::currentVolumeChanged);
    // Whatever state the session takes, the window's flags follow: each
    // of them says whether it changed.
    connect(m_session, &SpeechSession::stateChanged, this, [this] {
        Q_EMIT isPlayingChanged(isPlaying());
        Q_EMIT isPausedChanged(isPaused());
        Q_EMIT isExportingChanged(isExporting());
    });
    // A speech of the session's own ends an export without its report.
    connect(m_session, &SpeechSession::started, m_export, &ExportJob::abandon);
    connect(m_export, &ExportJob::progressed, this, [this](const QString &line, int permille) {
        status()->showProgress(line, permille, tr("Export progress"));
    });
    connect(m_export, &ExportJob::failed, this,
            [this](const QString &message) { status()->showFailure(message); });
    connect(m_export, &ExportJob::noticed, this,
            [this](const QString &message) { status()->show(message, false); });
    connect(&SystemVoices::instance(), &SystemVoices::changed, this,
            &AppDelegate::systemVoicesChanged);
}

AppDelegate::~AppDelegate() = default;

void AppDelegate::applicationDidFinishLaunching()
{
    // The voice menu is the pop-up's own unless the window names another.
    if (m_voicePopup && !m_voicePopupMenu)
        m_voicePopupMenu = m_voicePopup->menu();
    m_session->setViews({m_textView, m_spokenTextView, m_voicePopup, m_voicePopupMenu, status()});
    m_documents->setViews(m_textView, status());
    if (m_window && !m_bindings) {
        m_bindings = new WindowBindings(this, m_window);
        new MainMenu(m_window, this, m_bindings);
    }
    if (m_textView && !m_textView->findChild<FileDrop *>()) {
        // Files dropped on the editor are opened as the desktop's are.
        new FileDrop(m_textView, [this](const QStringList &paths) { application(this, paths); });
    }

    SpeechSynthesizer *synthesizer = m_session->startSynthesizer(this);

    Log::write(QString::number(getAvailableVoices().size()));
    buildVoiceMenu();

    setMinRate(0.0f);
    setMaxRate(300.0f);
    setCurrentRate(synthesizer->rate());

    // Registered after the launch value is set, so that value is not echoed
    // back to the synthesizer.
    if (!m_rateObservation) {
        m_rateObservation =
            connect(this, &AppDelegate::currentRateChanged, this, [this](float value) {
                observeValueForKeyPath(u"currentRate"_s, this, {{u"new"_s, value}}, nullptr);
            });
    }
    m_voice->follow(synthesizer);
    loadLexicon();

    setIsPlaying(false);
    setIsExporting(false);
    setIsPaused(false);

    applyRememberedChoices();
}

void AppDelegate::buildVoiceMenu()
{
    QList<QAction *> items;
    QAction *firstSystemVoice = nullptr;
    QString defaultVoiceTitle;
    const QVariantList voices = getAvailableVoices();
    for (const QVariant &voice : voices) {
        const QVariantMap record = voice.toMap();
        const QString label = record.value(u"label"_s).toString();
        QAction *item = MenuItem::create(label, u"activeVoiceChanged:"_s, QString());
        if (record.value(u"identifier"_s).toString() == SpeechSynthesizer::defaultVoice())
            defaultVoiceTitle = label;
        MenuItem::setRepresentedObject(item, record);
        if (!firstSystemVoice &&
            SystemVoices::isSystemVoice(record.value(u"identifier"_s).toString()))
            firstSystemVoice = item;
        items.append(item);
    }
    if (m_voicePopupMenu) {
        Operations::removeAllItemsExceptForFirst(m_voicePopupMenu, 0);
        Operations::addItemsFromMenuItems(m_voicePopupMenu, items, this);
        // The desktop's voices, which can be heard but not exported, apart.
        if (firstSystemVoice)
            m_voicePopupMenu->insertSection(firstSystemVoice,
                                            tr("System voices (speech-dispatcher)"));
    } else {
        qDeleteAll(items);
    }
    if (m_voicePopup)
        m_voicePopup->selectItemWithTitle(defaultVoiceTitle);
}

QVariantList AppDelegate::getAvailableVoices()
{
    // Voices without a name or a language cannot make a complete record and
    // are left out, which keeps the others usable.
    QVariantList voices = VoiceRecords::availableVoiceRecords();
    Log::write(u"HERE!"_s);
    return voices;
}

void AppDelegate::systemVoicesChanged()
{
    if (!m_voicePopup || !m_voicePopupMenu)
        return;
    const auto identifier = [](QAction *item) {
        return item ? MenuItem::representedObject(item).toMap().value(u"identifier"_s).toString()
                    : QString();
    };
    const QString selected = identifier(m_voicePopup->selectedItem());
    const QString remembered = m_voice->rememberedVoice();
    buildVoiceMenu();
    // The voice chosen stays chosen while it is listed; a remembered
    // system voice that only now arrived is chosen as at launch.
    const QString wanted =
        selected == SpeechSynthesizer::defaultVoice() && SystemVoices::isSystemVoice(remembered)
            ? remembered
            : selected;
    for (QAction *item : m_voicePopupMenu->actions()) {
        if (!item->isSeparator() && identifier(item) == wanted) {
            m_voicePopup->selectItem(item);
            break;
        }
    }
    const QString problem = SystemVoices::problem();
    if (!problem.isEmpty())
        status()->showFailure(tr("No system voices: %1").arg(problem));
}

// The person's pronunciations: what cannot be read or is broken is left
// out, and the status says so.
void AppDelegate::loadLexicon()
{
    auto lexicon = std::make_shared<Lexicon>();
    const QString path = Preferences::lexiconPath();
    QString error;
    if (QFileInfo::exists(path) && !lexicon->load(path, error))
        status()->showFailure(tr("The pronunciation lexicon cannot be read: %1").arg(error));
    applyLexicon(std::move(lexicon));
}

void AppDelegate::applyLexicon(std::shared_ptr<const Lexicon> lexicon)
{
    if (!lexicon->problems().isEmpty())
        status()->showFailure(
            tr("Broken entries of the pronunciation lexicon are not applied (%1 in all): %2")
                .arg(lexicon->problems().size())
                .arg(lexicon->problems().constFirst()));
    m_session->synthesizer()->setLexicon(std::move(lexicon));
}

void AppDelegate::doPronunciation(QObject *sender)
{
    Q_UNUSED(sender);
    if (m_pronunciationDialog) {
        m_pronunciationDialog->activateWindow();
        return;
    }
    // Hear It speaks at once, not after the text being played.
    if (isPlaying() || isPaused())
        m_session->stop();
    const SpeechSynthesizer *synth = m_session->synthesizer();
    m_pronunciationDialog = new PronunciationDialog(
        Preferences::lexiconPath(),
        {synth->voice(), synth->rate(), synth->pitch(), synth->intonation(), synth->volume()},
        [this](std::shared_ptr<const Lexicon> lexicon) { applyLexicon(std::move(lexicon)); },
        m_window);
    m_pronunciationDialog->setAttribute(Qt::WA_DeleteOnClose);
    m_pronunciationDialog->setWindowModality(m_window ? Qt::WindowModal : Qt::ApplicationModal);
    m_pronunciationDialog->show();
}

void AppDelegate::activeVoiceChanged(QObject *sender)
{
    if (auto *item = qobject_cast<QAction *>(sender))
        m_voice->rememberVoice(
            MenuItem::representedObject(item).toMap().value(u"identifier"_s).toString());
}

void AppDelegate::applyRememberedChoices()
{
    // A voice no longer installed leaves the default selected.
    const QString voice = m_voice->rememberedVoice();
    if (!voice.isEmpty() && m_voicePopup && m_voicePopupMenu) {
        const QList<QAction *> items = m_voicePopupMenu->actions();
        const auto item = std::find_if(items.begin(), items.end(), [&voice](QAction *candidate) {
            return MenuItem::representedObject(candidate).toMap().value(u"identifier"_s) == voice;
        });
        if (item != items.end()) {
            m_voicePopup->selectItem(*item);
            activeVoiceChanged(*item);
        }
    }

    if (m_window) {
        const QByteArray geometry =
            Preferences::settings()->value(Preferences::geometryKey.toString()).toByteArray();
        if (!geometry.isEmpty())
            m_window->restoreGeometry(geometry);
    }

    // Then the voice's rate and shape, and the command line's over them.
    m_voice->restore();
}

void AppDelegate::applicationWillTerminate()
{
    rememberPlace();
    if (m_voice->isRemembering() && m_window)
        Preferences::settings()->setValue(Preferences::geometryKey.toString(),
                                          m_window->saveGeometry());
}

void AppDelegate::followWordsWithCaret(QObject *sender)
{
    const auto *item = qobject_cast<QAction *>(sender);
    m_session->setCaretFollowsWords(item && item->isCheckable() ? item->isChecked()
                                                                : !caretFollowsWords());
}

void AppDelegate::aboutMe(QObject *sender)
{
    Q_UNUSED(sender);
    // A new controller, and so a new window with freshly read values, each time.
    m_aboutDialog = std::make_unique<AboutDialog>();
    m_aboutDialog->setAppWebsiteURL(QUrl(Bundle::websiteUrl()));
    const QString acknowledgments = Bundle::pathForResource(AboutDialog::acknowledgmentsFileName());
    if (!acknowledgments.isEmpty())
        m_aboutDialog->setAcknowledgmentsPath(acknowledgments);
    m_aboutDialog->showAsSheet(m_window);
}

void AppDelegate::observeValueForKeyPath(const QString &keyPath, QObject *object,
                                         const QVariantMap &change, void *context)
{
    Q_UNUSED(object);
    Q_UNUSED(change);
    Q_UNUSED(context);
    if (SpeechSynthesizer *synthesizer = speechSynth())
        synthesizer->setRate(currentRate());
    Log::write(
        QString::asprintf("keypath: %s - %g", keyPath.toUtf8().constData(), double(currentRate())));
}

bool AppDelegate::applicationShouldHandleReopen(bool hasVisibleWindows)
{
    if (m_window) {
        // A minimised window is still visible to Qt, but not to the person.
        const bool minimised = m_window->isMinimized();
        if (minimised)
            m_window->setWindowState(m_window->windowState() & ~Qt::WindowMinimized);
        m_window->show();
        m_window->raise();
        // Only a window that was not visible is made key as well.
        if (!hasVisibleWindows || minimised)
            m_window->activateWindow();
    }
    return true;
}

bool AppDelegate::applicationShouldTerminateAfterLastWindowClosed()
{
    return false;
}

// The three flags are one state: a flag set makes its state the one that
// holds, a flag cleared leaves it (to none) only when it held. Every call
// notifies, changed value or not.
void AppDelegate::setIsPlaying(bool value)
{
    setFlag(SpeechSession::State::Speaking, value);
    Q_EMIT isPlayingChanged(isPlaying());
}

void AppDelegate::setIsPaused(bool value)
{
    setFlag(SpeechSession::State::Paused, value);
    Q_EMIT isPausedChanged(isPaused());
}

void AppDelegate::setIsExporting(bool value)
{
    setFlag(SpeechSession::State::Exporting, value);
    Q_EMIT isExportingChanged(isExporting());
}

void AppDelegate::setFlag(SpeechSession::State state, bool value)
{
    if (value)
        m_session->setState(state);
    else if (m_session->state() == state)
        m_session->setState(SpeechSession::State::Idle);
}

StatusArea *AppDelegate::status()
{
    if (!m_status) {
        m_status = new StatusArea(m_statusLabel, m_statusProgress, this);
        connect(m_status, &StatusArea::cancelRequested, m_documents, &DocumentLoader::cancel);
    }
    return m_status;
}
