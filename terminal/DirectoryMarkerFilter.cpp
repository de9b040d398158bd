#include "terminal/DirectoryMarkerFilter.h"

#include <utility>

namespace {

constexpr QStringView Opening = u":::::/";
constexpr QStringView Closing = u":::::\n";

// Where the marker starts when `text` ends with one, else -1. The directory
// may itself hold ":::::/"; taking the last one keeps the program's own text
// whole whatever its unfinished line held.
qsizetype finalMarker(QStringView text)
{
    if (!text.endsWith(Closing))
        return -1;
    const qsizetype lineStart = text.first(text.size() - 1).lastIndexOf(u'\n') + 1;
    const qsizetype found = text.sliced(lineStart).lastIndexOf(Opening);
    if (found < 0)
        return -1;
    const qsizetype start = lineStart + found;
    return start + Opening.size() <= text.size() - Closing.size() ? start : -1;
}

} // namespace

QString DirectoryMarkerFilter::filter(const QString &text, bool atEnd)
{
    QString released;
    // A whole line held as the possible marker was the program's after all.
    if (m_held.endsWith(u'\n') && !text.isEmpty())
        released = std::exchange(m_held, QString());
    // Where a marker can begin that was not seen before.
    const qsizetype scanFrom = qMax<qsizetype>(0, m_held.size() - (Opening.size() - 1));
    QString pending = std::exchange(m_held, QString()) + text;

    qsizetype hold = pending.size();
    const QStringView view(pending);
    if (atEnd || view.endsWith(u'\n')) {
        const qsizetype marker = finalMarker(view);
        if (marker >= 0)
            hold = marker;
    } else {
        const qsizetype newLine = view.sliced(scanFrom).lastIndexOf(u'\n');
        const qsizetype lineStart = newLine >= 0 ? scanFrom + newLine + 1 : scanFrom;
        const qsizetype candidate = view.sliced(lineStart).lastIndexOf(Opening);
        if (candidate >= 0) {
            hold = lineStart + candidate;
        } else if (newLine < 0 && view.startsWith(Opening)) {
            hold = 0; // still the line held before
        } else {
            // The line ends in what may become the opening.
            for (qsizetype length = Opening.size() - 1; length > 0; --length) {
                if (view.size() - length >= lineStart && view.endsWith(Opening.first(length))) {
                    hold = view.size() - length;
                    break;
                }
            }
        }
    }
    if (atEnd) {
        pending.truncate(hold);
        return released + pending;
    }
    m_held = pending.sliced(hold);
    pending.truncate(hold);
    return released + pending;
}
