#pragma once

#include <QAbstractButton>
#include <QLabel>
#include <QObject>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSlider>

class AppDelegate;

// Keeps the main window's controls in step with the controller's observable
// state: the rate slider shows and writes currentRate within minRate and
// maxRate, the pitch, intonation and volume sliders theirs, and each button is offered only where
// its command makes sense. The commands themselves are never changed by this. It also keeps the
// keyboard useful: the editor has the focus first, Ctrl+Tab and
// Ctrl+Shift+Tab move between it and the controls both ways, Escape among the
// controls goes back to it, and a button that stops being offered hands the
// focus to the command offered in its place.
class WindowBindings : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QAbstractButton *playButton MEMBER m_playButton)
    Q_PROPERTY(QAbstractButton *pauseButton MEMBER m_pauseButton)
    Q_PROPERTY(QAbstractButton *stopButton MEMBER m_stopButton)
    Q_PROPERTY(QAbstractButton *exportButton MEMBER m_exportButton)
    Q_PROPERTY(QSlider *rateSlider MEMBER m_rateSlider)
    Q_PROPERTY(QLabel *rateValueLabel MEMBER m_rateValueLabel)
    Q_PROPERTY(QSlider *pitchSlider MEMBER m_pitchSlider)
    Q_PROPERTY(QLabel *pitchValueLabel MEMBER m_pitchValueLabel)
    Q_PROPERTY(QSlider *intonationSlider MEMBER m_intonationSlider)
    Q_PROPERTY(QLabel *intonationValueLabel MEMBER m_intonationValueLabel)
    Q_PROPERTY(QSlider *volumeSlider MEMBER m_volumeSlider)
    Q_PROPERTY(QLabel *volumeValueLabel MEMBER m_volumeValueLabel)
    Q_PROPERTY(QPlainTextEdit *textView MEMBER m_textView)

public:
    // Binds the controls found by name below `window` to `controller`.
    WindowBindings(AppDelegate *controller, QObject *window);
    ~WindowBindings() override;

    bool canPlay() const;
    bool canPause() const;
    bool canStop() const;
    bool canExport() const;
    // Next and Previous Sentence and Paragraph.
    bool canMoveInSpeech() const;

Q_SIGNALS:
    // The can...() answers may have changed.
    void commandsChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void updateCommands();
    static void offer(QAbstractButton *button, bool available);
    void updateRateRange();
    void updateRate();
    // A slider and its label for one of the controller's whole-number
    // settings from 0 to `maximum`, shown through `text`.
    void bindSetting(QSlider *slider, QLabel *label, int maximum, int (AppDelegate::*value)() const,
                     void (AppDelegate::*setValue)(int), void (AppDelegate::*changed)(int),
                     QString (*text)(int));

    QPointer<AppDelegate> m_controller;
    QPointer<QAbstractButton> m_playButton;
    QPointer<QAbstractButton> m_pauseButton;
    QPointer<QAbstractButton> m_stopButton;
    QPointer<QAbstractButton> m_exportButton;
    QPointer<QSlider> m_rateSlider;
    QPointer<QLabel> m_rateValueLabel;
    QPointer<QSlider> m_pitchSlider;
    QPointer<QLabel> m_pitchValueLabel;
    QPointer<QSlider> m_intonationSlider;
    QPointer<QLabel> m_intonationValueLabel;
    QPointer<QSlider> m_volumeSlider;
    QPointer<QLabel> m_volumeValueLabel;
    QPointer<QPlainTextEdit> m_textView;
};
