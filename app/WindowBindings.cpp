#include "app/WindowBindings.h"

#include "app/AppDelegate.h"
#include "platform/application/Application.h"
#include "platform/speech/SpeechSynthesizer.h"
#include "platform/speech/VoiceSettings.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QGraphicsOpacityEffect>
#include <QKeyEvent>
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
    const auto number = [](int value) { return QString::number(value); };
    bindSetting(m_pitchSlider, m_pitchValueLabel, VoiceSettings::MaximumPitch,
                &AppDelegate::currentPitch, &AppDelegate::setCurrentPitch,
                &AppDelegate::currentPitchChanged, number);
    bindSetting(m_intonationSlider, m_intonationValueLabel, VoiceSettings::MaximumIntonation,
                &AppDelegate::currentIntonation, &AppDelegate::setCurrentIntonation,
                &AppDelegate::currentIntonationChanged, number);
    bindSetting(m_volumeSlider, m_volumeValueLabel, VoiceSettings::MaximumVolume,
                &AppDelegate::currentVolume, &AppDelegate::setCurrentVolume,
                &AppDelegate::currentVolumeChanged,
                [](int value) { return tr("%1 %").arg(value); });
    updateCommands();

    if (m_textView) {
        // Typing at once goes into the text.
        m_textView->setFocus(Qt::OtherFocusReason);
        m_textView->installEventFilter(this);
        if (QWidget *top = m_textView->window(); top != m_textView)
            top->installEventFilter(this);
    }
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

bool WindowBindings::canMoveInSpeech() const
{
    return m_controller && m_controller->canMoveInSpeech();
}

namespace {

// The next (or previous) widget that Tab would give the focus to.
void moveFocusOn(QWidget *from, bool forward)
{
    for (QWidget *widget = from;;) {
        widget = forward ? widget->nextInFocusChain() : widget->previousInFocusChain();
        if (!widget || widget == from)
            return;
        if (widget->window() == from->window() && widget->isVisible() && widget->isEnabled() &&
            (widget->focusPolicy() & Qt::TabFocus) && !widget->focusProxy()) {
            widget->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return;
        }
    }
}

} // namespace

bool WindowBindings::eventFilter(QObject *watched, QEvent *event)
{
    // The event's type is looked at first: the editor still sends events
    // while it is destroyed, when it is no longer an editor.
    if (event->type() != QEvent::KeyPress || !m_textView)
        return QObject::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    // Tab types a tab into the text, which may need one; Ctrl+Tab and
    // Ctrl+Shift+Tab move on, as in Qt's editors, and do the same among the
    // controls, where Qt would do nothing with them. Keys the controls leave
    // unused come on to the window.
    const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
    if (tab && key->modifiers() & Qt::ControlModifier) {
        QWidget *from =
            watched == m_textView ? m_textView.data() : m_textView->window()->focusWidget();
        if (from) {
            const bool back = key->key() == Qt::Key_Backtab || key->modifiers() & Qt::ShiftModifier;
            moveFocusOn(from, !back);
            return true;
        }
    }
    // Escape among the controls goes back to the text.
    if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier &&
        watched != m_textView && m_textView->window()->focusWidget() != m_textView) {
        m_textView->setFocus(Qt::ShortcutFocusReason);
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void WindowBindings::updateCommands()
{
    const std::pair<QAbstractButton *, bool> buttons[] = {
        {m_playButton, canPlay()},
        {m_pauseButton, canPause()},
        {m_stopButton, canStop()},
        {m_exportButton, canExport()},
    };
    // A focused button that is no longer offered would pass the focus on to
    // whatever comes next in the window; it goes to the command offered in
    // its place instead: Pause after Play, Play after Pause or Stop.
    QAbstractButton *focused = nullptr;
    for (const auto &[button, available] : buttons) {
        if (button && !available && button->window()->focusWidget() == button)
            focused = button;
    }
    QAbstractButton *successor = nullptr;
    if (focused) {
        QAbstractButton *const candidates[] = {
            focused == m_playButton ? m_pauseButton.data() : m_playButton.data(),
            m_stopButton.data(),
            m_playButton.data(),
        };
        for (QAbstractButton *candidate : candidates) {
            for (const auto &[button, available] : buttons) {
                if (button == candidate && available && !successor)
                    successor = candidate;
            }
        }
    }
    for (const auto &[button, available] : buttons) {
        if (available)
            offer(button, true);
    }
    if (successor)
        successor->setFocus(Qt::OtherFocusReason);
    else if (focused && m_textView)
        m_textView->setFocus(Qt::OtherFocusReason);
    for (const auto &[button, available] : buttons) {
        if (!available)
            offer(button, false);
    }
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
    const int minimum =
        std::max(int(std::ceil(m_controller->minRate())), VoiceSettings::MinimumRate);
    const int maximum =
        std::min(int(std::floor(m_controller->maxRate())), VoiceSettings::MaximumRate);
    const QSignalBlocker blocker(m_rateSlider);
    m_rateSlider->setRange(minimum, std::max(minimum, maximum));
}

void WindowBindings::updateRate()
{
    if (!m_controller)
        return;
    // What the engine really speaks at.
    VoiceSettings spoken;
    spoken.rate = m_controller->currentRate();
    const float rate = spoken.clamped().rate;
    if (m_rateSlider) {
        const QSignalBlocker blocker(m_rateSlider);
        m_rateSlider->setValue(int(std::lround(rate)));
    }
    const QString shown = tr("%1 wpm").arg(double(rate), 0, 'g', 4);
    if (m_rateValueLabel)
        m_rateValueLabel->setText(shown);
    if (m_rateSlider) {
        // What a screen reader reads as the slider's value.
        m_rateSlider->setProperty("accessibleValueText", shown);
        QAccessibleValueChangeEvent changed(m_rateSlider, m_rateSlider->value());
        QAccessible::updateAccessibility(&changed);
    }
}

void WindowBindings::bindSetting(QSlider *slider, QLabel *label, int maximum,
                                 int (AppDelegate::*value)() const,
                                 void (AppDelegate::*setValue)(int),
                                 void (AppDelegate::*changed)(int), QString (*text)(int))
{
    if (!slider)
        return;
    slider->setRange(0, maximum);
    const QPointer<QSlider> guardedSlider(slider);
    const QPointer<QLabel> guardedLabel(label);
    const auto show = [this, guardedSlider, guardedLabel, value, text] {
        if (!m_controller || !guardedSlider)
            return;
        const int shown = (m_controller->*value)();
        {
            const QSignalBlocker blocker(guardedSlider);
            guardedSlider->setValue(shown);
        }
        if (guardedLabel)
            guardedLabel->setText(text(shown));
        guardedSlider->setProperty("accessibleValueText", text(shown));
        QAccessibleValueChangeEvent event(guardedSlider, shown);
        QAccessible::updateAccessibility(&event);
    };
    // As with the rate, only the person's moves write the value.
    connect(slider, &QSlider::valueChanged, this, [this, setValue](int moved) {
        if (m_controller)
            (m_controller->*setValue)(moved);
    });
    connect(m_controller, changed, this, show);
    show();
}
