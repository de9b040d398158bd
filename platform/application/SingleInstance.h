#pragma once

#include "platform/system/UniqueFd.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include <sys/types.h>

class QLocalSocket;
class QSocketNotifier;

// One running instance per user session. A launch first asks the channel in
// the user's private runtime folder whether an instance runs; if one answers,
// the launch hands over its files, or a text to speak, and is done. Otherwise it becomes the
// instance and listens on the channel. A lock held across "ask, then listen"
// makes two launches at the same moment end with one instance; the kernel
// drops the lock of a crashed process, and a channel that refuses connections
// is replaced, so a crash never blocks later launches. A channel that takes
// the connection belongs to a live instance, however busy: it is waited for,
// never replaced.
//
// The instance serves each connection for a few seconds at most (a long text
// to speak, for as long as it takes to send) and a bounded number at a time,
// and keeps listening when the system briefly runs out of descriptors, so
// that nothing another program does to the channel leads to a second
// instance.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    enum class Outcome {
        HandedOver, // a running instance took the request
        Primary,    // this process is the instance; call listen()
        Standalone, // no channel could be made; run without one
        Failed,     // an instance runs but did not answer: see errorString()
    };

    // `folder` holds the channel; empty means the user's runtime folder.
    explicit SingleInstance(const QString &folder = QString(), QObject *parent = nullptr);
    ~SingleInstance() override;

    // Hands `files`, or a text to speak when `speech` is not empty, to a
    // running instance, or takes the lock so that this process can become
    // the instance. Waits a few seconds for the lock and longer for a busy
    // instance's answer, then gives up with Failed. An instance that does
    // not speak the text (an older one, or one that cannot now) is Failed.
    Outcome handOver(const QStringList &files, const QString &speech = QString());
    // Why handOver() ended Standalone or Failed.
    QString errorString() const { return m_errorString; }

    // Starts answering later launches (needs an event loop) and releases the
    // lock. Only after handOver() made this process the instance. False,
    // with a log line, when the channel cannot be opened.
    bool listen();

    QString channelPath() const { return m_folder + QStringLiteral("/instance.socket"); }

    // The user's private runtime folder ($XDG_RUNTIME_DIR when it is safe to
    // use, else a private folder of our own in /tmp), or empty.
    static QString runtimeFolder();

    // The largest text a request may carry to be spoken, in UTF-8 bytes.
    static constexpr qsizetype maximumSpeech = 10 * 1024 * 1024;

    // Decides whether a text handed over by another launch is spoken: true
    // when it is. Called on the main thread before the launch is answered,
    // so that a launch whose text is not spoken says so. Without a handler,
    // no text is taken.
    using SpeechHandler = std::function<bool(const QString &text)>;
    void setSpeechHandler(SpeechHandler handler) { m_speechHandler = std::move(handler); }

Q_SIGNALS:
    // Another launch asked for the application, with these files (absolute).
    void activationRequested(const QStringList &files);

private:
    bool takeLock();
    void releaseLock();
    void acceptConnections();
    void serveConnection(QLocalSocket *socket);
    // The reply to one request line; the files of a request that brings
    // the window back go to `activation`.
    QByteArray answer(const QByteArray &request, std::optional<QStringList> &activation);

    QString m_folder;
    QString m_errorString;
    UniqueFd m_lockFd;
    bool m_primary = false;
    bool m_staleChannel = false;
    UniqueFd m_listenFd;
    dev_t m_channelDevice = 0;
    ino_t m_channelInode = 0;
    QSocketNotifier *m_notifier = nullptr;
    int m_openConnections = 0;
    bool m_acceptFailing = false;
    SpeechHandler m_speechHandler;
};
