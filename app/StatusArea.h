#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QLabel;
class QProgressBar;
class QShortcut;
class QToolButton;

// The status area at the foot of the window: one line of news with a busy or
// progress bar, a failure that stays until the next command, and a Cancel
// button while a document is read. What it shows is what screen readers are
// told: the area's accessible name is always the line on the screen (empty
// when there is none), and each new line is announced once.
class StatusArea : public QObject
{
    Q_OBJECT

public:
    // Either outlet may be missing; what it would show is then left out.
    StatusArea(QLabel *label, QProgressBar *progress, QObject *parent = nullptr);
    ~StatusArea() override;

    // A status of the moment, with the busy indicator when `busy`.
    void show(const QString &text, bool busy);
    // A failure, shown and announced until the next status or hide().
    void showFailure(const QString &message);
    void hide();
    // Hides the line only when it shows a failure.
    void hideFailure();
    // The line changes as a long task goes on; the bar, named `barName` for
    // screen readers, shows how far it is. Not announced: it would talk over
    // everything else.
    void showProgress(const QString &text, int permille, const QString &barName);
    void setProgress(int permille, const QString &barName);
    // The line on the screen; empty when hidden.
    QString shownText() const;
    // The Cancel button, and Escape in the window, for as long as `offered`.
    void offerCancel(bool offered);

Q_SIGNALS:
    void cancelRequested();
    // A new line was announced to screen readers.
    void announced(const QString &line);

private:
    QWidget *area() const;
    void setLine(const QString &text, bool announce);

    QPointer<QLabel> m_label;
    QPointer<QProgressBar> m_progress;
    QPointer<QToolButton> m_cancel;
    QPointer<QShortcut> m_escape;
    bool m_failureShown = false;
};
