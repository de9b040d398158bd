#include "app/ExportProgress.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 UpdateIntervalMs = 250;

QString duration(qint64 ms)
{
    const qint64 seconds = (ms + 500) / 1000;
    if (seconds >= 3600)
        return u"%1:%2:%3"_s.arg(seconds / 3600)
            .arg(seconds / 60 % 60, 2, 10, QChar(u'0'))
            .arg(seconds % 60, 2, 10, QChar(u'0'));
    return u"%1:%2"_s.arg(seconds / 60).arg(seconds % 60, 2, 10, QChar(u'0'));
}

} // namespace

ExportProgress::ExportProgress(qint64 total)
{
    start(total);
}

void ExportProgress::start(qint64 total)
{
    m_total = std::max<qint64>(total, 0);
    m_done = 0;
    m_shownAt = -1;
    m_shownDone = 0;
    m_clock.start();
}

bool ExportProgress::advance(qint64 done)
{
    m_done = std::clamp<qint64>(done, m_done, m_total);
    const qint64 now = m_clock.elapsed();
    if (m_shownAt >= 0 &&
        (m_done == m_shownDone || (now - m_shownAt < UpdateIntervalMs && m_done < m_total)))
        return false;
    m_shownAt = now;
    m_shownDone = m_done;
    return true;
}

int ExportProgress::permille() const
{
    return m_total > 0 ? int(m_done * 1000 / m_total) : 0;
}

qint64 ExportProgress::elapsedMs() const
{
    return m_clock.elapsed();
}

qint64 ExportProgress::remainingMs() const
{
    // The first moments say little about the rate: the engine starts, the
    // first sentence may be short.
    const qint64 elapsed = elapsedMs();
    if (m_total <= 0 || m_done <= 0 || (elapsed < 1000 && m_done * 50 < m_total))
        return -1;
    return elapsed * (m_total - m_done) / m_done;
}

QString ExportProgress::text() const
{
    const QString percent = tr("%1%").arg(permille() / 10);
    const QString elapsed = tr("%1 elapsed").arg(duration(elapsedMs()));
    const qint64 remaining = remainingMs();
    if (remaining < 0)
        return tr("%1 · %2").arg(percent, elapsed);
    return tr("%1 · %2 · about %3 left").arg(percent, elapsed, duration(remaining));
}
