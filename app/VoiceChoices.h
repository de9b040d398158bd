#pragma once

#include "platform/speech/VoiceSettings.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class SpeechSynthesizer;

// How the person wants the voice to speak: the rate within the limits the
// window offers, the pitch, the intonation and the volume, each kept within
// what is spoken in this one place. Pitch, intonation and volume go to the
// synthesizer as they change (the rate goes through the controller's own
// observation). Once the launch has restored them, every change is
// remembered for the next launch, as is the voice chosen.
class VoiceChoices : public QObject
{
    Q_OBJECT

public:
    explicit VoiceChoices(QObject *parent = nullptr);
    ~VoiceChoices() override;

    float minRate() const { return m_minRate; }
    float maxRate() const { return m_maxRate; }
    float rate() const { return m_settings.rate; }
    int pitch() const { return m_settings.clamped().pitch; }
    int intonation() const { return m_settings.clamped().intonation; }
    int volume() const { return m_settings.clamped().volume; }
    // Each setter notifies, changed value or not.
    void setMinRate(float value);
    void setMaxRate(float value);
    void setRate(float value);
    void setPitch(int value);
    void setIntonation(int value);
    void setVolume(int value);

    // Takes the synthesizer's own shape and sends it later changes.
    void follow(SpeechSynthesizer *synthesizer);
    // What the command line asked for: it wins over what was remembered, and
    // is not remembered itself until the person changes it.
    void setLaunchShape(std::function<void(VoiceSettings &)> shape);
    // The choices of the last launch (each within what the window offers),
    // then the command line's; from then on each change is remembered.
    void restore();
    bool isRemembering() const { return m_remembering; }
    // The voice chosen last time; empty when none was.
    QString rememberedVoice() const;
    void rememberVoice(const QString &identifier);

Q_SIGNALS:
    void minRateChanged(float value);
    void maxRateChanged(float value);
    void rateChanged(float value);
    void pitchChanged(int value);
    void intonationChanged(int value);
    void volumeChanged(int value);

private:
    void remember(QStringView key, const QVariant &value);

    VoiceSettings m_settings;
    float m_minRate = 0.0f;
    float m_maxRate = 0.0f;
    QPointer<SpeechSynthesizer> m_synthesizer;
    std::function<void(VoiceSettings &)> m_launchShape;
    // Off until the launch has applied what was remembered and asked for.
    bool m_remembering = false;
};
