#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QLocalServer;

// One running instance per user session. A launch first asks the channel in
// the user's private runtime folder whether an instance runs; if one answers,
// the launch hands over its files and is done. Otherwise it becomes the
// instance and listens on the channel. A lock held across "ask, then listen"
// makes two launches at the same moment end with one instance; the kernel
// drops the lock of a crashed process, and a channel nobody answers on is
// replaced, so a crash never blocks later launches.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    enum class Outcome {
        HandedOver, // a running instance took the request
        Primary,    // this process is the instance; call listen()
        Standalone, // no channel could be made; run without one
    };

    // `folder` holds the channel; empty means the user's runtime folder.
    explicit SingleInstance(const QString &folder = QString(), QObject *parent = nullptr);
    ~SingleInstance() override;

    // Hands `files` to a running instance, or takes the lock so that this
    // process can become the instance. Blocks for at most a few seconds.
    Outcome handOver(const QStringList &files);

    // Starts answering later launches (needs an event loop) and releases the
    // lock. False, with a log line, when the channel cannot be opened.
    bool listen();

    QString channelPath() const { return m_folder + QStringLiteral("/instance.socket"); }

    // The user's private runtime folder ($XDG_RUNTIME_DIR when it is safe to
    // use, else a private folder of our own in /tmp), or empty.
    static QString runtimeFolder();

Q_SIGNALS:
    // Another launch asked for the application, with these files (absolute).
    void activationRequested(const QStringList &files);

private:
    void releaseLock();
    void serveConnection();

    QString m_folder;
    int m_lockFd = -1;
    QLocalServer *m_server = nullptr;
};
