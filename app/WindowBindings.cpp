#include "app/WindowBindings.h"

#include "app/AppDelegate.h"
#include "platform/application/Application.h"
#include "platform/speech/SpeechSynthesizer.h"

#include <QAbstractButton>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

WindowBindings::WindowBindings(AppDelegate *controller, QObject *window)
    : QObject(controller)
    , m_controller(controller)
{
    Application::connectOutlets(this, window);

    connect(controller, &AppDelegate::isPlayingChanged, this, &WindowBindings::updateCommands);
    connect(controller, &AppDelegate::isPausedChanged, this, &WindowBindings::updateCommands);
    connect(controller, &AppDelegate::isExportingChanged, this, &WindowBindings::updateCommands);
    connect(controller, &AppDelegate::minRateChanged, this, &WindowBindings::updateRateRange);
    connect(controller, &AppDelegate::maxRateChanged, this, &WindowBindings::updateRateRange);
    connect(controller, &AppDelegate::currentRateChanged, this, &WindowBindings::updateRate);

    if (m_rateSlider) {
        // Only the user's moves write the rate, and only through its setter,
        // so that the controller's observer forwards each one.
        connect(m_rateSlider, &QSlider::valueChanged, this, [this](int value) {
            if (m_controller)
                m_controller->setCurrentRate(float(value));
        });
    }
    updateRateRange();
    updateRate();
    updateCommands();
}

WindowBindings::~WindowBindings() = default;

bool WindowBindings::canPlay() const
{
    return m_controller && !m_controller->isPlaying() && !m_controller->isExporting();
}

bool WindowBindings::canPause() const
{
    return m_controller && m_controller->isPlaying();
}

bool WindowBindings::canStop() const
{
    return m_controller &&
           (m_controller->isPlaying() || m_controller->isPaused() || m_controller->isExporting());
}

bool WindowBindings::canExport() const
{
    return m_controller && !m_controller->isExporting();
}

void WindowBindings::updateCommands()
{
    offer(m_playButton, canPlay());
    offer(m_pauseButton, canPause());
    offer(m_stopButton, canStop());
    offer(m_exportButton, canExport());
    Q_EMIT commandsChanged();
}

void WindowBindings::offer(QAbstractButton *button, bool available)
{
    if (!button)
        return;
    button->setEnabled(available);
    // Styled buttons draw the same face whether enabled or not; the window
    // fades the ones it does not offer so that the difference shows.
    auto *fade = qobject_cast<QGraphicsOpacityEffect *>(button->graphicsEffect());
    if (!fade) {
        fade = new QGraphicsOpacityEffect(button);
        button->setGraphicsEffect(fade);
    }
    fade->setOpacity(available ? 1.0 : 0.4);
    fade->setEnabled(!available);
}

void WindowBindings::updateRateRange()
{
    if (!m_rateSlider || !m_controller)
        return;
    // The engine speaks any rate outside its range at the nearest limit: the
    // slider offers only rates that are spoken as shown.
    const auto [engineMinimum, engineMaximum] = SpeechSynthesizer::rateRange();
    const int minimum = std::max(int(std::ceil(m_controller->minRate())), engineMinimum);
    const int maximum = std::min(int(std::floor(m_controller->maxRate())), engineMaximum);
    const QSignalBlocker blocker(m_rateSlider);
    m_rateSlider->setRange(minimum, std::max(minimum, maximum));
}

void WindowBindings::updateRate()
{
    if (!m_controller)
        return;
    // What the engine really speaks at.
    const auto [minimum, maximum] = SpeechSynthesizer::rateRange();
    const float rate = std::clamp(m_controller->currentRate(), float(minimum), float(maximum));
    if (m_rateSlider) {
        const QSignalBlocker blocker(m_rateSlider);
        m_rateSlider->setValue(int(std::lround(rate)));
    }
    if (m_rateValueLabel)
        m_rateValueLabel->setText(tr("%1 wpm").arg(double(rate), 0, 'g', 4));
}
