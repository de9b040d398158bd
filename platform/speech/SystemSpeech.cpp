#include "platform/speech/SystemSpeech.h"

#include "platform/speech/SpeechChannel.h"
#include "platform/speech/SystemVoices.h"
#include "platform/speech/TextPieces.h"
#include "platform/speech/WordMarks.h"
#include "platform/system/Log.h"

#include <QCoreApplication>
#include <QTextBoundaryFinder>
#include <QThread>

#include <algorithm>
#include <cstdlib>
#include <mutex>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

using namespace Qt::StringLiterals;

namespace {

// A sentence longer than this is sent in parts, cut at white space where
// there is some.
constexpr qsizetype MaximumSentence = 2048;
// How long a sentence may speak without a mark before it is marked whole,
// while its module is not yet known to send marks: a module that does sends
// the first one as the sentence begins, but a busy machine can hold it up,
// and a sentence marked whole before its words come flickers.
constexpr int SentenceMarkDelayMs = 1000;
constexpr int WatchIntervalMs = 1000;

std::mutex receiverMutex;
SystemSpeech *receiver = nullptr;

std::unique_ptr<SystemSpeech> &running()
{
    static std::unique_ptr<SystemSpeech> speech;
    return speech;
}

// Text as SSML character data: markup characters escaped, and what XML does
// not allow (control characters, noncharacters) spoken as the space it
// stands for.
void appendEscaped(QString &ssml, QStringView text)
{
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'&':
            ssml += u"&amp;"_s;
            break;
        case u'<':
            ssml += u"&lt;"_s;
            break;
        case u'>':
            ssml += u"&gt;"_s;
            break;
        case u'\t':
        case u'\n':
            ssml += c;
            break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0xFFFE || c.unicode() == 0xFFFF)
                ssml += u' ';
            else
                ssml += c;
        }
    }
}

// The written tokens of a part of the text, found as the word marks of the
// engines find them.
std::vector<CharacterRange> tokensOf(const QString &text, qsizetype start, qsizetype end)
{
    std::vector<CharacterRange> tokens;
    WordMarks marks([&tokens](qint64, CharacterRange range) {
        tokens.push_back(range);
        return true;
    });
    marks.beginPiece(QStringView(text).sliced(start, end - start), start, 0);
    marks.endPiece(0);
    return tokens;
}

} // namespace

// libspeechd's callbacks, on its own thread: each hands its event to the
// main thread.
struct SystemSpeechCallbacks
{
    static void post(size_t message, SPDNotificationType type, const QString &mark)
    {
        std::lock_guard lock(receiverMutex);
        if (!receiver)
            return;
        QMetaObject::invokeMethod(
            receiver,
            [message, type, mark] {
                if (SystemSpeech *speech = running().get())
                    speech->notified(int(message), int(type), mark);
            },
            Qt::QueuedConnection);
    }

    static void event(size_t message, size_t, SPDNotificationType type)
    {
        post(message, type, QString());
    }

    static void indexMark(size_t message, size_t, SPDNotificationType type, char *mark)
    {
        post(message, type, mark ? QString::fromUtf8(mark) : QString());
    }
};

SystemSpeech &SystemSpeech::instance()
{
    Q_ASSERT(!QCoreApplication::instance() ||
             QThread::currentThread() == QCoreApplication::instance()->thread());
    std::unique_ptr<SystemSpeech> &speech = running();
    if (!speech) {
        speech.reset(new SystemSpeech);
        if (QCoreApplication::instance())
            qAddPostRoutine(&SystemSpeech::shutDown);
    }
    return *speech;
}

void SystemSpeech::shutDown()
{
    running().reset();
}

SystemSpeech::SystemSpeech()
{
    m_sentenceTimer.setSingleShot(true);
    m_sentenceTimer.setInterval(SentenceMarkDelayMs);
    QObject::connect(&m_sentenceTimer, &QTimer::timeout, this, [this] { markSentence(); });
    m_watch.setInterval(WatchIntervalMs);
    QObject::connect(&m_watch, &QTimer::timeout, this, [this] { check(); });
    std::lock_guard lock(receiverMutex);
    receiver = this;
}

SystemSpeech::~SystemSpeech()
{
    {
        std::lock_guard lock(receiverMutex);
        receiver = nullptr;
    }
    if (m_speech)
        m_speech->channel->finish(SpeechChannel::Result::Cancelled);
    if (m_connection) {
        spd_cancel(m_connection);
        spd_close(m_connection);
    }
}

SPDConnection *SystemSpeech::open(const char *component, SPDConnectionMode mode)
{
    char *error = nullptr;
    SPDConnection *connection = nullptr;
    {
#if defined(__SANITIZE_ADDRESS__)
        // libspeechd drops a message of its own when it cannot start the
        // server: not a leak of ours to report.
        __lsan::ScopedDisabler libraryLeaks;
#endif
        // Started by libspeechd when it is not running, as the desktop's
        // clients start it.
        connection = spd_open2("tavorin", component, nullptr, mode, nullptr, 1, &error);
    }
    if (!connection)
        Log::write(u"speech-dispatcher: %1"_s.arg(error ? QString::fromUtf8(error).simplified()
                                                        : QString()));
    std::free(error);
    return connection;
}

bool SystemSpeech::connect(QString &why)
{
    if (m_connection)
        return true;
    m_connection = open("speech", SPD_MODE_THREADED);
    if (!m_connection) {
        why = SystemVoices::notRunning();
        return false;
    }
    m_connection->callback_begin = &SystemSpeechCallbacks::event;
    m_connection->callback_end = &SystemSpeechCallbacks::event;
    m_connection->callback_cancel = &SystemSpeechCallbacks::event;
    m_connection->callback_im = &SystemSpeechCallbacks::indexMark;
    for (const SPDNotification notification : {SPD_BEGIN, SPD_END, SPD_CANCEL, SPD_INDEX_MARKS})
        spd_set_notification_on(m_connection, notification);
    if (spd_set_data_mode(m_connection, SPD_DATA_SSML) != 0) {
        why = SystemVoices::stoppedAnswering();
        spd_close(m_connection);
        m_connection = nullptr;
        return false;
    }
    return true;
}

int SystemSpeech::rateScale(float wordsPerMinute)
{
    VoiceSettings settings;
    settings.rate = wordsPerMinute;
    const float rate = settings.clamped().rate - VoiceSettings::DefaultRate;
    const float range = rate < 0 ? VoiceSettings::DefaultRate - VoiceSettings::MinimumRate
                                 : VoiceSettings::MaximumRate - VoiceSettings::DefaultRate;
    return int(std::lround(rate * 100.0f / range));
}

int SystemSpeech::serverScale(int value, int maximum)
{
    return std::clamp(value, 0, maximum) * 200 / std::max(maximum, 1) - 100;
}

bool SystemSpeech::apply(const VoiceSettings &settings)
{
    return spd_set_output_module(m_connection,
                                 SystemVoices::module(settings.voice).toUtf8().constData()) == 0 &&
           spd_set_synthesis_voice(
               m_connection, SystemVoices::voiceName(settings.voice).toUtf8().constData()) == 0 &&
           spd_set_voice_rate(m_connection, rateScale(settings.rate)) == 0 &&
           spd_set_voice_pitch(m_connection,
                               serverScale(settings.pitch, VoiceSettings::MaximumPitch)) == 0 &&
           spd_set_voice_pitch_range(
               m_connection, serverScale(settings.intonation, VoiceSettings::MaximumIntonation)) ==
               0 &&
           spd_set_volume(m_connection,
                          serverScale(settings.volume, VoiceSettings::MaximumVolume)) == 0;
}

void SystemSpeech::submit(const QString &text, const VoiceSettings &settings,
                          std::shared_ptr<SpeechChannel> channel)
{
    if (m_speech) {
        // Its report, if one is awaited, comes now: the server will not
        // speak it any more.
        if (m_connection)
            spd_cancel(m_connection);
        finish(int(SpeechChannel::Result::Cancelled));
    }
    QString why;
    if (!connect(why)) {
        channel->finish(SpeechChannel::Result::Failed, why);
        SystemVoices::lose(why);
        return;
    }
    m_paused = false;
    m_speech = std::make_unique<Speech>();
    m_speech->text = text;
    m_speech->module = SystemVoices::module(settings.voice);
    m_speech->channel = std::move(channel);
    if (!apply(settings)) {
        check();
        if (m_speech)
            finish(int(SpeechChannel::Result::Failed),
                   QCoreApplication::translate("SystemVoices",
                                               "speech-dispatcher cannot speak with %1")
                       .arg(settings.voice));
        return;
    }
    m_watch.start();
    sendNext();
}

void SystemSpeech::sendNext()
{
    Speech &speech = *m_speech;
    if (speech.cancelled) {
        finish(int(SpeechChannel::Result::Cancelled));
        return;
    }
    const qsizetype size = speech.text.size();
    while (speech.position < size) {
        const qsizetype start = speech.position;
        // The finder reads all it is given: only the part a sentence can
        // take, so that each sentence of a long text costs its own length.
        const qsizetype window = std::min(size - start, 2 * MaximumSentence);
        QTextBoundaryFinder sentences(QTextBoundaryFinder::Sentence,
                                      speech.text.constData() + start, window);
        const qsizetype next = sentences.toNextBoundary();
        qsizetype end = next > 0 ? start + next : start + window;
        if (end - start > MaximumSentence) {
            const qsizetype earliest = start + MaximumSentence / 2;
            qsizetype cut = start + MaximumSentence;
            while (cut > earliest && !speech.text[cut - 1].isSpace())
                --cut;
            if (cut <= earliest)
                cut = TextPieces::cutBetweenWords(speech.text, start, earliest,
                                                  start + MaximumSentence);
            end = cut > start ? cut : start + MaximumSentence;
        }
        speech.position = end;
        speech.tokens = tokensOf(speech.text, start, end);
        if (speech.tokens.empty())
            continue;
        const CharacterRange &last = speech.tokens.back();
        speech.sentence = {speech.tokens.front().location,
                           last.location + last.length - speech.tokens.front().location};
        QString ssml = u"<speak>"_s;
        qsizetype at = start;
        for (size_t i = 0; i < speech.tokens.size(); ++i) {
            const auto location = qsizetype(speech.tokens[i].location);
            appendEscaped(ssml, QStringView(speech.text).sliced(at, location - at));
            ssml += u"<mark name=\"%1\"/>"_s.arg(i);
            at = location;
        }
        appendEscaped(ssml, QStringView(speech.text).sliced(at, end - at));
        ssml += u"</speak>"_s;
        speech.marked = false;
        speech.resumeAt = start;
        speech.message = spd_say(m_connection, SPD_TEXT, ssml.toUtf8().constData());
        if (speech.message < 0)
            lost(SystemVoices::stoppedAnswering());
        return;
    }
    finish(int(SpeechChannel::Result::Completed));
}

void SystemSpeech::notified(int message, int type, const QString &mark)
{
    if (!m_speech || message != m_speech->message)
        return;
    Speech &speech = *m_speech;
    const auto marks = m_modulesMark.constFind(speech.module);
    switch (SPDNotificationType(type)) {
    case SPD_EVENT_BEGIN:
        if (marks == m_modulesMark.cend())
            m_sentenceTimer.start();
        else if (!*marks)
            markSentence();
        break;
    case SPD_EVENT_INDEX_MARK: {
        m_sentenceTimer.stop();
        m_modulesMark.insert(speech.module, true);
        bool number = false;
        const qsizetype index = mark.toLongLong(&number);
        if (number && index >= 0 && index < qsizetype(speech.tokens.size())) {
            speech.marked = true;
            speech.resumeAt = qsizetype(speech.tokens[size_t(index)].location);
            speech.channel->addWord(0, speech.tokens[size_t(index)]);
        }
        break;
    }
    case SPD_EVENT_END:
        m_sentenceTimer.stop();
        if (!speech.marked && marks == m_modulesMark.cend())
            m_modulesMark.insert(speech.module, false);
        sendNext();
        break;
    case SPD_EVENT_CANCEL:
        // Also when another client's message of a higher priority took
        // the server: the speech ended early.
        finish(int(SpeechChannel::Result::Cancelled));
        break;
    default:
        break;
    }
}

void SystemSpeech::markSentence()
{
    if (m_speech)
        m_speech->channel->addWord(0, m_speech->sentence);
}

// speech-dispatcher pauses a message at a place of its own choosing, some
// words on, and one paused before Continue comes late, holds every later
// message of ours and then ignores a cancel: so a pause ends the message at
// once, and Continue speaks again from the word it stopped in.
void SystemSpeech::pause()
{
    if (!m_speech || m_paused)
        return;
    m_paused = true;
    m_sentenceTimer.stop();
    m_speech->position = m_speech->resumeAt;
    m_speech->message = -1;
    if (spd_cancel(m_connection) != 0)
        lost(SystemVoices::stoppedAnswering());
}

void SystemSpeech::resume()
{
    if (!m_speech || !m_paused)
        return;
    m_paused = false;
    sendNext();
}

void SystemSpeech::cancel(const std::shared_ptr<SpeechChannel> &channel)
{
    channel->cancel();
    if (!m_speech || m_speech->channel != channel)
        return;
    m_speech->cancelled = true;
    if (m_paused)
        finish(int(SpeechChannel::Result::Cancelled));
    else if (spd_cancel(m_connection) != 0)
        lost(SystemVoices::stoppedAnswering());
}

void SystemSpeech::finish(int result, const QString &error)
{
    m_paused = false;
    m_sentenceTimer.stop();
    m_watch.stop();
    if (!m_speech)
        return;
    const std::unique_ptr<Speech> speech = std::move(m_speech);
    speech->channel->finish(SpeechChannel::Result(result), error);
}

void SystemSpeech::check()
{
    if (!m_connection)
        return;
    // A question that libspeechd answers safely once the server is gone
    // (asking for the output module then reads a reply that never came).
    if (char **modules = spd_list_modules(m_connection))
        free_spd_modules(modules);
    else
        lost(SystemVoices::stoppedAnswering());
}

void SystemSpeech::lost(const QString &why)
{
    Log::write(why);
    spd_close(m_connection);
    m_connection = nullptr;
    finish(int(SpeechChannel::Result::Failed), why);
    SystemVoices::lose(why);
}
