#pragma once

#include "platform/speech/CharacterRange.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

class QPlainTextEdit;

// Marks a run of text in a text editor for a moment and scrolls it into view,
// without touching the editor's selection or text; the mark shows above the
// selection too. Each mark replaces the
// previous one; the cost does not depend on the length of the text.
class FindIndicator : public QObject
{
    Q_OBJECT

public:
    explicit FindIndicator(QPlainTextEdit *view);
    ~FindIndicator() override;

    // Scrolls the mark into view unless `scrollIntoView` is false.
    void showForRange(CharacterRange range, bool scrollIntoView = true);
    void clear();
    // While held (a paused speech), the mark stays where it is instead of
    // fading: it shows where the speech goes on from.
    void setHeld(bool held);

    // The range marked now, or an empty range once the mark has faded.
    CharacterRange markedRange() const { return m_marked; }

    static constexpr int fadeMilliseconds = 1500;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void scrollToPosition(int position);
    void paintOverSelection();

    QPointer<QPlainTextEdit> m_view;
    QTimer m_fade;
    CharacterRange m_marked;
    bool m_painting = false;
    bool m_held = false;
};
