// Speaks on whatever audio server its environment names, for the fault tests
// that kill that server mid-speech. Reports on standard output, one line each:
//   speaking       the first speech has reported its third word
//   end 0|1        the first speech's end report
//   again 0|1      the end report of a second speech started afterwards
// Log lines go to standard error as in the program. Started with the render
// worker's option it is a worker of a parallel export, as the program is.
#include "platform/speech/SpeechSynthesizer.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

void say(const char *line)
{
    std::printf("%s\n", line);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 2 && qstrcmp(argv[1], SpeechSynthesizer::renderWorkerOption()) == 0)
        return SpeechSynthesizer::runRenderWorker();
    QCoreApplication app(argc, argv);
    SpeechSynthesizer synthesizer;
    synthesizer.setRate(300.0f);
    int words = 0;
    QObject::connect(&synthesizer, &SpeechSynthesizer::willSpeakWord, &app, [&] {
        if (++words == 3)
            say("speaking");
    });
    int ends = 0;
    QObject::connect(&synthesizer, &SpeechSynthesizer::didFinishSpeaking, &app, [&](bool finished) {
        if (ends++ == 0) {
            say(finished ? "end 1" : "end 0");
            synthesizer.startSpeakingString(u"And once more."_s);
            return;
        }
        say(finished ? "again 1" : "again 0");
        app.quit();
    });
    // About eight seconds of speech: time enough to kill the server while
    // it plays, short enough to finish on the silent clock afterwards.
    synthesizer.startSpeakingString(
        QString(u"The audio server goes away while this is spoken. "_s).repeated(5));

    // Never outlive the test that started this.
    QTimer::singleShot(60000, &app, [] { std::_Exit(3); });
    return app.exec();
}
