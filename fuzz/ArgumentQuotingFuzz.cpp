// Every argument of a background run becomes one bash word, none split,
// joined or lost. In the literal form, whatever an argument holds, bash must
// hand the program exactly that argument. The expanding form keeps $ and `
// meaningful on purpose, so there it is checked on arguments without them.
// No argument holds NUL, which bash cannot pass and the runner refuses.

#include "fuzz/FuzzInput.h"
#include "terminal/TQTerminal.h"

#include <QByteArrayList>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// What a bash command line prints, or no value when bash failed.
std::optional<QByteArray> runBash(const QByteArray &commandLine)
{
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
        fuzzFailure("a pipe for bash");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    // Bash reads no start-up file for -c, but BASH_ENV would be sourced:
    // a clean environment keeps the round trip about quoting alone.
    char bash[] = "/bin/bash";
    char dashC[] = "-c";
    std::vector<char *> argv = {bash, dashC, const_cast<char *>(commandLine.constData()), nullptr};
    char path[] = "PATH=/usr/bin:/bin";
    char locale[] = "LC_ALL=C.UTF-8";
    char *environment[] = {path, locale, nullptr};
    pid_t child = -1;
    const int spawned = posix_spawn(&child, bash, &actions, nullptr, argv.data(), environment);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    if (spawned != 0) {
        ::close(pipeEnds[0]);
        fuzzFailure("bash starts");
    }
    QByteArray printed;
    char buffer[4096];
    for (;;) {
        const ssize_t count = ::read(pipeEnds[0], buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        printed.append(buffer, qsizetype(count));
    }
    ::close(pipeEnds[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return printed;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);
    TQTerminal::Arguments literal;
    TQTerminal::Arguments expanding;
    QByteArrayList expected{"literal"};
    QByteArrayList expectedExpanding{"expanding"};
    const unsigned count = 1 + input.number(4);
    for (unsigned i = 0; i < count; ++i) {
        if (input.number(8) == 0) {
            literal << std::nullopt; // makes no word
            expanding << std::nullopt;
            continue;
        }
        QString argument = input.text(48, input.flag());
        argument.remove(QChar(0));
        literal << argument;
        expected << argument.toUtf8();
        argument.remove(u'$').remove(u'`');
        expanding << argument;
        expectedExpanding << argument.toUtf8();
    }

    const QStringList literalWords = TQTerminal::literalArgs(literal);
    const QStringList expandingWords = TQTerminal::sanitizedArgs(expanding);
    if (literalWords.size() != expected.size() - 1 ||
        expandingWords.size() != expectedExpanding.size() - 1)
        fuzzFailure("one word per argument");
    const QByteArray commandLine = "printf '%s\\0' literal " + literalWords.join(u' ').toUtf8() +
                                   " expanding " + expandingWords.join(u' ').toUtf8();
    const std::optional<QByteArray> printed = runBash(commandLine);
    if (!printed)
        fuzzFailure("bash accepts the words", QString::fromUtf8(commandLine));

    QByteArrayList received = printed->split('\0');
    received.removeLast(); // after the last terminator
    if (received != expected + expectedExpanding)
        fuzzFailure("bash gets every argument unchanged", QString::fromUtf8(commandLine));
    return 0;
}
