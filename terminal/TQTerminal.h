#pragma once

#include "platform/Pipe.h"
#include "platform/Process.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

// Runs programs and bash command lines and hands back what they printed, as
// text. The synchronous operations block their caller; the background ones
// return at once and stream the output to the caller's callables.
//
// One object serves one caller at a time: the operations replace the members
// without locking. A background run started earlier goes on undisturbed when
// a new one replaces the members.
class TQTerminal
{
public:
    // std::nullopt is the null marker: it stands for an absent argument.
    using Arguments = QList<std::optional<QString>>;
    using Environment = QMap<QString, QString>;
    using Callback = std::function<void(const QString &text)>;

    TQTerminal();
    ~TQTerminal();
    TQTerminal(const TQTerminal &) = delete;
    TQTerminal &operator=(const TQTerminal &) = delete;

    // What the resource script getpath.sh prints when run by a login bash:
    // the login shell's search path. Standard output, then standard error,
    // nothing trimmed. No value when the script is missing or bash cannot be
    // started.
    static std::optional<QString> getPath();

    // Runs args[0], looked up by env, with the other elements as its
    // arguments, unchanged, in exactly the given environment (an empty one
    // when none is given), and returns its standard output followed by its
    // standard error. No value when nothing could be started, which includes
    // an argument list holding a null marker.
    std::optional<QString> exec(const Arguments &args, const Environment &environment = {});

    // Double-quoted bash words, one per argument; null markers make none.
    // Inside double quotes bash still expands $ and `, so variable references
    // and command substitutions in an argument are expanded.
    static QStringList sanitizedArgs(const Arguments &args);

    // A chunk of a background run's output without the line that marks the
    // working directory at the end of the command line, and without the empty
    // line after it. Only a marker whole within the chunk is found.
    static QString withoutDirectoryMarker(QString text);

    // Runs the arguments as a bash command line in the background; returns ""
    // once it has started, no value when it could not be started (then
    // neither callable is ever called). Each chunk of standard output and
    // standard error, without the working-directory marker, goes to action on
    // the main thread, one at a time. completed is called once, on the thread
    // that saw the process exit, after both streams have ended and every
    // chunk has been handed to action, with all the output. The main thread
    // must therefore keep running its event loop. An environment with entries
    // replaces the inherited one.
    std::optional<QString> exec(const Arguments &args, const Environment &environment,
                                Callback action, Callback completed);
    // As exec() above, but logs the command line and the argument list first,
    // and calls action directly on the thread that read the chunk.
    std::optional<QString> bgexec(const Arguments &args, const Environment &environment,
                                  Callback action, Callback completed);

    // The process of the most recent run that this object started.
    std::shared_ptr<Process> task() const;
    void setTask(std::shared_ptr<Process> task);
    // The pipes of the most recent background run. Nothing is ever written to
    // input nor is it closed: a command that reads its standard input waits
    // for the caller to do that.
    std::shared_ptr<Pipe> output() const;
    void setOutput(std::shared_ptr<Pipe> output);
    std::shared_ptr<Pipe> error() const;
    void setError(std::shared_ptr<Pipe> error);
    std::shared_ptr<Pipe> input() const;
    void setInput(std::shared_ptr<Pipe> input);

private:
    enum class Delivery { MainThread, ReadingThread };

    std::optional<QString> startInBackground(const Arguments &args, const Environment &environment,
                                             Callback action, Callback completed,
                                             Delivery delivery);

    std::shared_ptr<Process> m_task;
    std::shared_ptr<Pipe> m_output;
    std::shared_ptr<Pipe> m_error;
    std::shared_ptr<Pipe> m_input;
};
