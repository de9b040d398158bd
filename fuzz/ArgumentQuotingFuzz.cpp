// Every argument of a background run becomes one bash word, none split,
// joined or lost. In the literal form, whatever an argument holds, bash must
// hand the program exactly that argument. The expanding form keeps $ and `
// meaningful on purpose, so there it is checked on arguments without them.
// No argument holds NUL, which bash cannot pass and the runner refuses.

#include "fuzz/FuzzInput.h"
#include "platform/process/Pipe.h"
#include "platform/process/Process.h"
#include "terminal/TQTerminal.h"

#include <QByteArrayList>

#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// What a bash command line prints, or no value when bash failed.
std::optional<QByteArray> runBash(const QByteArray &commandLine)
{
    auto bash = std::make_shared<Process>();
    bash->setLaunchPath(u"/bin/bash"_s);
    bash->setArguments({u"-c"_s, QString::fromUtf8(commandLine)});
    // Bash reads no start-up file for -c, but BASH_ENV would be sourced: a
    // clean environment keeps the round trip about quoting alone.
    bash->setEnvironment({{u"PATH"_s, u"/usr/bin:/bin"_s}, {u"LC_ALL"_s, u"C.UTF-8"_s}});
    auto output = std::make_shared<Pipe>();
    bash->setStandardOutput(output);
    if (!bash->launch())
        fuzzFailure("bash starts");
    const QByteArray printed = output->fileHandleForReading()->readDataToEndOfFile();
    bash->waitUntilExit();
    if (bash->terminationReason() != Process::TerminationReason::Exit ||
        bash->terminationStatus() != 0)
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
