#include "app/VoiceChoices.h"

#include "app/Preferences.h"
#include "platform/speech/SpeechSynthesizer.h"

#include <algorithm>
#include <cmath>
#include <optional>

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

VoiceChoices::VoiceChoices(QObject *parent)
    : QObject(parent)
{
    connect(this, &VoiceChoices::rateChanged, this,
            [this](float value) { remember(Preferences::rateKey, value); });
    connect(this, &VoiceChoices::pitchChanged, this, [this](int value) {
        if (m_synthesizer)
            m_synthesizer->setPitch(value);
        remember(Preferences::pitchKey, value);
    });
    connect(this, &VoiceChoices::intonationChanged, this, [this](int value) {
        if (m_synthesizer)
            m_synthesizer->setIntonation(value);
        remember(Preferences::intonationKey, value);
    });
    connect(this, &VoiceChoices::volumeChanged, this, [this](int value) {
        if (m_synthesizer)
            m_synthesizer->setVolume(value);
        remember(Preferences::volumeKey, value);
    });
}

VoiceChoices::~VoiceChoices() = default;

void VoiceChoices::setMinRate(float value)
{
    m_minRate = value;
    Q_EMIT minRateChanged(value);
}

void VoiceChoices::setMaxRate(float value)
{
    m_maxRate = value;
    Q_EMIT maxRateChanged(value);
}

void VoiceChoices::setRate(float value)
{
    m_settings.rate = value;
    Q_EMIT rateChanged(value);
}

void VoiceChoices::setPitch(int value)
{
    m_settings.pitch = value;
    Q_EMIT pitchChanged(pitch());
}

void VoiceChoices::setIntonation(int value)
{
    m_settings.intonation = value;
    Q_EMIT intonationChanged(intonation());
}

void VoiceChoices::setVolume(int value)
{
    m_settings.volume = value;
    Q_EMIT volumeChanged(volume());
}

void VoiceChoices::follow(SpeechSynthesizer *synthesizer)
{
    m_synthesizer = synthesizer;
    if (!synthesizer)
        return;
    setPitch(synthesizer->pitch());
    setIntonation(synthesizer->intonation());
    setVolume(synthesizer->volume());
}

void VoiceChoices::setLaunchShape(std::function<void(VoiceSettings &)> shape)
{
    m_launchShape = std::move(shape);
}

void VoiceChoices::restore()
{
    m_remembering = false;
    const auto settings = Preferences::settings();
    // Each value within what the window offers.
    if (const auto remembered = number(*settings, Preferences::rateKey)) {
        const double minimum = std::max(double(m_minRate), double(VoiceSettings::MinimumRate));
        const double maximum =
            std::max(minimum, std::min(double(m_maxRate), double(VoiceSettings::MaximumRate)));
        setRate(float(std::clamp(*remembered, minimum, maximum)));
    }
    if (const auto remembered = number(*settings, Preferences::pitchKey))
        setPitch(whole(*remembered));
    if (const auto remembered = number(*settings, Preferences::intonationKey))
        setIntonation(whole(*remembered));
    if (const auto remembered = number(*settings, Preferences::volumeKey))
        setVolume(whole(*remembered));
    if (m_launchShape) {
        VoiceSettings asked = m_settings;
        m_launchShape(asked);
        setPitch(asked.pitch);
        setIntonation(asked.intonation);
        setVolume(asked.volume);
    }
    m_remembering = true;
}

QString VoiceChoices::rememberedVoice() const
{
    return Preferences::settings()->value(Preferences::voiceKey.toString()).toString();
}

void VoiceChoices::rememberVoice(const QString &identifier)
{
    remember(Preferences::voiceKey, identifier);
}

void VoiceChoices::remember(QStringView key, const QVariant &value)
{
    if (m_remembering)
        Preferences::settings()->setValue(key.toString(), value);
}
