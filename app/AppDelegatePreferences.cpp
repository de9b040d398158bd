// The voice settings and the choices remembered from one launch to the next.
#include "app/AppDelegate.h"

#include "app/Preferences.h"
#include "platform/menu/MenuItem.h"
#include "platform/menu/PopUpButton.h"

#include <QMainWindow>
#include <QMenu>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

void AppDelegate::setCurrentPitch(int value)
{
    m_voiceSettings.pitch = value;
    Q_EMIT currentPitchChanged(currentPitch());
}

void AppDelegate::setCurrentIntonation(int value)
{
    m_voiceSettings.intonation = value;
    Q_EMIT currentIntonationChanged(currentIntonation());
}

void AppDelegate::setCurrentVolume(int value)
{
    m_voiceSettings.volume = value;
    Q_EMIT currentVolumeChanged(currentVolume());
}

void AppDelegate::followVoiceSettings()
{
    if (m_voiceSettingsFollowed)
        return;
    m_voiceSettingsFollowed = true;
    connect(this, &AppDelegate::currentRateChanged, this,
            [this](float value) { remember(Preferences::rateKey, value); });
    connect(this, &AppDelegate::currentPitchChanged, this, [this](int value) {
        if (SpeechSynthesizer *synthesizer = speechSynth())
            synthesizer->setPitch(value);
        remember(Preferences::pitchKey, value);
    });
    connect(this, &AppDelegate::currentIntonationChanged, this, [this](int value) {
        if (SpeechSynthesizer *synthesizer = speechSynth())
            synthesizer->setIntonation(value);
        remember(Preferences::intonationKey, value);
    });
    connect(this, &AppDelegate::currentVolumeChanged, this, [this](int value) {
        if (SpeechSynthesizer *synthesizer = speechSynth())
            synthesizer->setVolume(value);
        remember(Preferences::volumeKey, value);
    });
}

void AppDelegate::remember(QStringView key, const QVariant &value)
{
    if (m_remembering)
        Preferences::settings()->setValue(key.toString(), value);
}

namespace {

// A remembered number, or nothing when the file holds none there (edited by
// hand, or written by another version).
std::optional<double> number(const Preferences::Settings &settings, QStringView key)
{
    bool ok = false;
    const double value = settings.value(key.toString()).toDouble(&ok);
    return ok && std::isfinite(value) ? std::optional(value) : std::nullopt;
}

// Whole, and small enough for an int; the setters take it within its limits.
int whole(double value)
{
    return int(std::lround(std::clamp(value, -1e6, 1e6)));
}

} // namespace

void AppDelegate::applyRememberedChoices()
{
    m_remembering = false;
    const auto settings = Preferences::settings();

    // A voice no longer installed leaves the default selected.
    const QString voice = settings->value(Preferences::voiceKey.toString()).toString();
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

    // Each value within what the window offers.
    if (const auto rate = number(*settings, Preferences::rateKey)) {
        const double minimum = std::max(double(m_minRate), double(VoiceSettings::MinimumRate));
        const double maximum =
            std::max(minimum, std::min(double(m_maxRate), double(VoiceSettings::MaximumRate)));
        setCurrentRate(float(std::clamp(*rate, minimum, maximum)));
    }
    if (const auto pitch = number(*settings, Preferences::pitchKey))
        setCurrentPitch(whole(*pitch));
    if (const auto intonation = number(*settings, Preferences::intonationKey))
        setCurrentIntonation(whole(*intonation));
    if (const auto volume = number(*settings, Preferences::volumeKey))
        setCurrentVolume(whole(*volume));

    if (m_window) {
        const QByteArray geometry =
            settings->value(Preferences::geometryKey.toString()).toByteArray();
        if (!geometry.isEmpty())
            m_window->restoreGeometry(geometry);
    }

    if (m_launchShape) {
        VoiceSettings asked = m_voiceSettings;
        m_launchShape(asked);
        setCurrentPitch(asked.pitch);
        setCurrentIntonation(asked.intonation);
        setCurrentVolume(asked.volume);
    }
    m_remembering = true;
}

void AppDelegate::applicationWillTerminate()
{
    if (m_remembering && m_window)
        Preferences::settings()->setValue(Preferences::geometryKey.toString(),
                                          m_window->saveGeometry());
}
