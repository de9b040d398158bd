#pragma once

#include "platform/process/Pipe.h"
#include "platform/process/Process.h"

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
    // an argument list holding a null marker or an argument holding a NUL
    // character.
    std::optional<QString> exec(const Arguments &args, const Environment &environment = {});

    // How the arguments of a background run become words of the command line.
    enum class Quoting {
        // sanitizedArgs(): bash expands $ and ` in every argument. Only for
        // arguments the caller wrote itself: text from elsewhere can run any
        // command through a command substitution.
        Expanding,
        // literalArgs(): every argument reaches the program exactly as given.
        // The form for file names, user input and anything not the caller's.
        Literal,
    };

    // Double-quoted bash words, one per argument; null markers make none.
    // Inside double quotes bash still expands $ and `, so variable references
    // and command substitutions in an argument are expanded, and whatever
    // such a substitution runs, runs. Each argument still makes exactly one
    // word: $@ and array[@] act as $* and array[*] there, and a `, $(, ${ or $[
    // that nothing closes is taken literally instead of breaking the whole
    // command line.
    static QStringList sanitizedArgs(const Arguments &args);
    // Single-quoted bash words, one per argument, with nothing expanded;
    // null markers make none.
    static QStringList literalArgs(const Arguments &args);

    // Runs the arguments as a bash command line in the background; returns ""
    // once it has started, no value when it could not be started (then
    // neither callable is ever called), which includes an argument holding a
    // NUL character. Each chunk of standard output and standard error goes to
    // action on the main thread, one at a time, in the order that completed
    // sees them in. The line that the command line prints last to mark the
    // working directory is taken out of standard output; text that could be
    // that line is held back until the stream shows that it is not. completed
    // is called once, on the thread that saw the process exit, after both
    // streams have ended and every chunk has been handed to action, with all
    // the output. The main thread must therefore keep running its event loop.
    // An environment with entries replaces the inherited one.
    std::optional<QString> exec(const Arguments &args, const Environment &environment,
                                Callback action, Callback completed,
                                Quoting quoting = Quoting::Expanding);
    // As exec() above, but logs the command line and the argument list first,
    // to standard error, and calls action directly on the thread that read
    // the chunk, one chunk at a time.
    std::optional<QString> bgexec(const Arguments &args, const Environment &environment,
                                  Callback action, Callback completed,
                                  Quoting quoting = Quoting::Expanding);

    // The process of the most recent run that this object started.
    std::shared_ptr<Process> task() const;
    void setTask(std::shared_ptr<Process> task);
    // The pipes of the most recent background run. Nothing is ever written to
    // input: a command that reads its standard input waits for the caller to
    // write or close it. A newer run closes the writing end it replaces, so
    // that the older run sees the end of its input and can finish.
    std::shared_ptr<Pipe> output() const;
    void setOutput(std::shared_ptr<Pipe> output);
    std::shared_ptr<Pipe> error() const;
    void setError(std::shared_ptr<Pipe> error);
    std::shared_ptr<Pipe> input() const;
    void setInput(std::shared_ptr<Pipe> input);

private:
    enum class Delivery { MainThread, ReadingThread };

    std::optional<QString> startInBackground(const Arguments &args, const Environment &environment,
                                             Callback action, Callback completed, Delivery delivery,
                                             Quoting quoting);

    std::shared_ptr<Process> m_task;
    std::shared_ptr<Pipe> m_output;
    std::shared_ptr<Pipe> m_error;
    std::shared_ptr<Pipe> m_input;
};
