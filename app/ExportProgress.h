#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QString>

// How far an export has come: the share of the text rendered, the time taken
// and an estimate of the time left, offered for display at most a few times
// a second.
class ExportProgress
{
    Q_DECLARE_TR_FUNCTIONS(ExportProgress)

public:
    explicit ExportProgress(qint64 total = 0);

    void start(qint64 total);
    // True when the display should change: the first time, on reaching the
    // end, and otherwise after a quarter of a second at the soonest.
    bool advance(qint64 done);

    // Thousandths of the text.
    int permille() const;
    qint64 elapsedMs() const;
    // -1 while there is too little to go by.
    qint64 remainingMs() const;
    // "42% · 0:12 elapsed · about 0:30 left"
    QString text() const;

private:
    qint64 m_total = 0;
    qint64 m_done = 0;
    qint64 m_shownAt = -1;
    qint64 m_shownDone = 0;
    QElapsedTimer m_clock;
};
