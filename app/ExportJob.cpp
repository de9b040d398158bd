#include "app/ExportJob.h"

#include "platform/speech/SpeechSynthesizer.h"

ExportJob::ExportJob(QObject *parent)
    : QObject(parent)
{}

ExportJob::~ExportJob() = default;

void ExportJob::start(SpeechSynthesizer *synthesizer, const QString &text, const QUrl &url,
                      SpeechSynthesizer::ExportOptions options)
{
    m_running = true;
    m_markedUpTo = 0;
    m_path = url.isEmpty() ? options.timingsPath : url.toLocalFile();
    m_progress.start(text.size());
    Q_EMIT progressed(tr("Exporting... %1").arg(m_progress.text()), m_progress.permille());
    m_notice.clear();
    if (synthesizer && synthesizer->startSpeakingString(text, url, std::move(options)))
        m_notice = synthesizer->exportNotice();
}

bool ExportJob::reach(CharacterRange word)
{
    const quint64 end = word.location + word.length;
    if (!m_running || !m_progress.advance(qint64(end)))
        return false;
    Q_EMIT progressed(tr("Exporting... %1").arg(m_progress.text()), m_progress.permille());
    if (word.location < m_markedUpTo)
        return false;
    m_markedUpTo = end;
    return true;
}

void ExportJob::end(bool finished, const QString &reason)
{
    if (!std::exchange(m_running, false))
        return;
    if (!finished && !reason.isEmpty())
        Q_EMIT failed(tr("Cannot export to %1: %2").arg(m_path, reason));
    else if (finished && !m_notice.isEmpty())
        Q_EMIT noticed(tr("Exported to %1. %2").arg(m_path, m_notice));
}
