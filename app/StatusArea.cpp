#include "app/StatusArea.h"

#include <QAccessible>
#include <QBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QShortcut>
#include <QToolButton>

using namespace Qt::StringLiterals;

StatusArea::StatusArea(QLabel *label, QProgressBar *progress, QObject *parent)
    : QObject(parent)
    , m_label(label)
    , m_progress(progress)
{
    // File names are no markup.
    if (m_label)
        m_label->setTextFormat(Qt::PlainText);
    // A bar without a range is a busy indicator.
    if (m_progress)
        m_progress->setRange(0, 0);
}

StatusArea::~StatusArea() = default;

QWidget *StatusArea::area() const
{
    return m_label ? m_label->parentWidget() : nullptr;
}

void StatusArea::show(const QString &text, bool busy)
{
    m_failureShown = false;
    if (m_progress) {
        // Busy without a range, unless a long task gives it one.
        m_progress->setAccessibleName(tr("Busy"));
        m_progress->setRange(0, 0);
        m_progress->setHidden(!busy);
    }
    setLine(text, true);
}

void StatusArea::showFailure(const QString &message)
{
    // The status area rather than a dialog: a file handed over by the
    // desktop must not put up a box the person never asked for.
    show(message, false);
    m_failureShown = true;
}

void StatusArea::hide()
{
    m_failureShown = false;
    if (m_progress)
        m_progress->setHidden(true);
    // The label keeps its last text while hidden; the area says nothing.
    if (m_label)
        m_label->setHidden(true);
    if (QWidget *widget = area())
        widget->setAccessibleName(QString());
}

void StatusArea::hideFailure()
{
    if (m_failureShown)
        hide();
}

void StatusArea::showProgress(const QString &text, int permille, const QString &barName)
{
    setLine(text, false);
    setProgress(permille, barName);
}

void StatusArea::setProgress(int permille, const QString &barName)
{
    if (!m_progress)
        return;
    m_progress->setAccessibleName(barName);
    m_progress->setRange(0, 1000);
    m_progress->setValue(permille);
}

QString StatusArea::shownText() const
{
    return m_label && !m_label->isHidden() ? m_label->text() : QString();
}

// Sets the line and the area's name with it; a line that was not on the
// screen before is announced.
void StatusArea::setLine(const QString &text, bool announce)
{
    const bool fresh = shownText() != text;
    if (m_label) {
        m_label->setText(text);
        m_label->setHidden(false);
    }
    QWidget *widget = area();
    if (!widget)
        return;
    widget->setAccessibleName(m_label ? text : QString());
    if (announce && fresh && m_label) {
        QAccessibleEvent alert(widget, QAccessible::Alert);
        QAccessible::updateAccessibility(&alert);
        Q_EMIT announced(text);
    }
}

void StatusArea::offerCancel(bool offered)
{
    QWidget *widget = area();
    if (offered && !m_cancel && widget) {
        auto *button = new QToolButton(widget);
        button->setObjectName(u"openCancelButton"_s);
        button->setText(tr("Cancel"));
        button->setToolTip(tr("Stop opening the document and keep the text (Escape)"));
        button->setAutoRaise(true);
        if (auto *layout = qobject_cast<QBoxLayout *>(widget->layout()))
            layout->insertWidget(layout->indexOf(m_label) + 1, button);
        connect(button, &QToolButton::clicked, this, &StatusArea::cancelRequested);
        m_cancel = button;
        auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), widget->window());
        escape->setContext(Qt::WindowShortcut);
        connect(escape, &QShortcut::activated, this, &StatusArea::cancelRequested);
        m_escape = escape;
    }
    if (m_cancel)
        m_cancel->setHidden(!offered);
    if (m_escape)
        m_escape->setEnabled(offered);
}
