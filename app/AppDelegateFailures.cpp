// Failures that the person at the window must learn of, not only the log.
#include "app/AppDelegate.h"

#include <QAccessible>
#include <QLabel>

using namespace Qt::StringLiterals;

void AppDelegate::showFailure(const QString &message)
{
    // The status area rather than a dialog: a file handed over by the
    // desktop must not put up a box the person never asked for.
    showStatus(message, false);
    m_failureShown = true;
    if (!m_statusLabel)
        return;
    m_statusLabel->setAccessibleName(message);
    QAccessibleEvent changed(m_statusLabel, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
    announce(message);
}

// The status area stays on the screen when its line is hidden at the end of
// speech: its name carries the latest news, each change an event that
// screen readers hear.
void AppDelegate::announce(const QString &text)
{
    QWidget *area = m_statusLabel ? m_statusLabel->parentWidget() : nullptr;
    if (!area)
        return;
    if (area->accessibleName() != text) {
        area->setAccessibleName(text);
    } else {
        // The same news again, as when Play follows Play.
        QAccessibleEvent again(area, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&again);
    }
    QAccessibleEvent alert(area, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}

void AppDelegate::hideFailure()
{
    if (m_failureShown)
        hideStatus();
}

void AppDelegate::exportEnded(bool finishedSpeaking)
{
    const bool wasExporting = m_exportInProgress;
    m_exportInProgress = false;
    // A stopped export has no reason; a failed one has.
    const QString reason = m_speechSynth ? m_speechSynth->errorString() : QString();
    if (wasExporting && !finishedSpeaking && !reason.isEmpty())
        showFailure(tr("Cannot export to %1: %2").arg(m_exportPath, reason));
}
