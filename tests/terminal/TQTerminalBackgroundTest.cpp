#include "terminal/TQTerminal.h"

#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QThread>

#include <mutex>

namespace {

using namespace TestSupport;

// Long enough for a loaded machine under the sanitizers; only a bound.

// What a background run handed to its two callables, and on which threads.
class RunRecord
{
public:
    struct State
    {
        QStringList chunks;
        QList<bool> actionOnMainThread;
        QString output;
        int completedCalls = 0;
        bool completedOnMainThread = false;
        qsizetype chunksBeforeCompleted = -1;
    };

    TQTerminal::Callback action()
    {
        return [this](const QString &chunk) {
            std::lock_guard lock(m_mutex);
            m_state.chunks << chunk;
            m_state.actionOnMainThread << (QThread::currentThread() == qApp->thread());
        };
    }
    TQTerminal::Callback completed()
    {
        return [this](const QString &output) {
            std::lock_guard lock(m_mutex);
            ++m_state.completedCalls;
            m_state.output = output;
            m_state.completedOnMainThread = QThread::currentThread() == qApp->thread();
            m_state.chunksBeforeCompleted = m_state.chunks.size();
        };
    }
    State state() const
    {
        std::lock_guard lock(m_mutex);
        return m_state;
    }
    bool waitForCompletion() const
    {
        return QTest::qWaitFor([this] { return state().completedCalls > 0; },
                               TestSupport::Patience);
    }

private:
    mutable std::mutex m_mutex;
    State m_state;
};

// Closes the run's standard input after writing to it.
void answer(const TQTerminal &terminal, const QByteArray &text)
{
    ASSERT_TRUE(terminal.input()->fileHandleForWriting()->writeData(text));
    terminal.input()->fileHandleForWriting()->closeFile();
}

} // namespace

TEST(TQTerminalBackground, BothOperationsReturnAtOnceAndHandOverTheOutputWithoutTheMarker)
{
    const QString home = qEnvironmentVariable("HOME");
    const struct
    {
        bool onReader;
        TQTerminal::Arguments args;
        TQTerminal::Environment environment;
        QString output;
    } cases[] = {
        {false, {u"echo"_s, u"hi"_s}, {}, u"hi\n"_s},
        {true, {u"echo"_s, u"hi"_s}, {}, u"hi\n"_s},
        {true, {u"false"_s}, {}, u""_s}, // no marker, and still completes
        {false, {u"eval"_s, u"echo oops >&2"_s}, {}, u"oops\n"_s},
        {true, {u"cd"_s, u"/usr"_s}, {}, u""_s},
        // Bytes that are not UTF-8, a character cut off by the end of the stream too.
        {false,
         {u"eval"_s, u"printf 'a\\377 \\200 d\\342\\202'; false"_s},
         {},
         u"a\ufffd \ufffd d\ufffd\ufffd"_s},
        // Only the marker the command line prints last is taken out, also
        // after an unfinished line; the program's look-alikes stay.
        {true,
         {u"eval"_s, u"printf 'a\\n:::::/x:::::\\n\\n:::::x:::::\\nb'"_s},
         {},
         u"a\n:::::/x:::::\n\n:::::x:::::\nb"_s},
        {false, {u"eval"_s, u"printf ':::::/x:::::\\n' >&2"_s}, {}, u":::::/x:::::\n"_s},
        {true, {u"echo"_s, u"$HOME"_s}, {}, home + u'\n'},
        {true,
         {u"echo"_s, u"${ONLY-unset}/${HOME-unset}"_s},
         {{u"ONLY"_s, u"1"_s}},
         u"1/unset\n"_s},
    };
    TQTerminal terminal;
    for (const auto &c : cases) {
        SCOPED_TRACE(TQTerminal::sanitizedArgs(c.args).join(u' ').toStdString());
        RunRecord record;
        const auto quoting = TQTerminal::Quoting::Expanding;
        EXPECT_EQ(c.onReader ? terminal.bgexec(c.args, c.environment, record.action(),
                                               record.completed(), quoting)
                             : terminal.exec(c.args, c.environment, record.action(),
                                             record.completed(), quoting),
                  u""_s);
        ASSERT_TRUE(record.waitForCompletion());
        EXPECT_EQ(record.state().output, c.output);
        EXPECT_EQ(record.state().chunks.join(QString()), c.output);
    }

    // Callables a caller leaves out are skipped.
    ASSERT_EQ(terminal.bgexec({u"echo"_s, u"unheard"_s}, {}, {}, {}), u""_s);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return !terminal.task()->isRunning(); }, TestSupport::Patience));
}

// Both streams at once, each past what a pipe holds: a reader that drained
// one before the other would never finish.
TEST(TQTerminalBackground, EachCallableRunsOnItsThreadAndSeesTheChunksInOneOrder)
{
    TQTerminal terminal;
    const TQTerminal::Arguments script{
        u"eval"_s, u"for i in $(seq 20000); do echo out$i; echo err$i >&2; done"_s};
    RunRecord onMain;
    ASSERT_TRUE(terminal.exec(script, {}, onMain.action(), onMain.completed(),
                              TQTerminal::Quoting::Literal));
    RunRecord onReader;
    ASSERT_TRUE(terminal.bgexec(script, {}, onReader.action(), onReader.completed(),
                                TQTerminal::Quoting::Literal));
    ASSERT_TRUE(onMain.waitForCompletion());
    ASSERT_TRUE(onReader.waitForCompletion());

    for (const RunRecord *record : {&onMain, &onReader}) {
        const RunRecord::State state = record->state();
        EXPECT_EQ(state.completedCalls, 1);
        EXPECT_FALSE(state.completedOnMainThread);
        EXPECT_EQ(state.chunksBeforeCompleted, state.chunks.size());
        EXPECT_EQ(state.output.count(u'\n'), 40000);
        EXPECT_TRUE(state.chunks.join(QString()) == state.output);
    }
    EXPECT_FALSE(onMain.state().actionOnMainThread.contains(false));
    EXPECT_FALSE(onReader.state().actionOnMainThread.contains(true));
}

// Held on its standard input: the output before arrives at once, a character
// cut there arrives whole, and the marker line arriving alone is an empty chunk.
TEST(TQTerminalBackground, OutputBeforeAPauseArrivesAtOnceAndWholeAfterIt)
{
    TQTerminal terminal;
    RunRecord record;
    ASSERT_TRUE(terminal.bgexec({u"eval"_s, u"echo hi; read -r line"_s}, {}, record.action(),
                                record.completed()));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !record.state().chunks.isEmpty(); }, TestSupport::Patience));
    EXPECT_EQ(record.state().chunks.first(), u"hi\n"_s);
    EXPECT_EQ(record.state().completedCalls, 0) << "waits for standard input";
    answer(terminal, "\n");
    ASSERT_TRUE(record.waitForCompletion());
    EXPECT_EQ(record.state().chunks, (QStringList{u"hi\n"_s, u""_s, u""_s, u""_s}));
    EXPECT_EQ(record.state().output, u"hi\n"_s);

    RunRecord split;
    ASSERT_TRUE(
        terminal.exec({u"eval"_s, u"printf '\\342\\202'; read -r line; printf '\\254\\n'"_s}, {},
                      split.action(), split.completed()));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !split.state().chunks.isEmpty(); }, TestSupport::Patience));
    EXPECT_EQ(split.state().chunks.first(), u""_s);
    answer(terminal, "\n");
    ASSERT_TRUE(split.waitForCompletion());
    EXPECT_TRUE(split.state().chunks.contains(u"\u20ac\n"_s));
    EXPECT_EQ(split.state().output, u"\u20ac\n"_s);

    // A line that looks like the marker ends one read and more output
    // follows in the next: the line was the program's, and arrives whole.
    RunRecord lookAlike;
    ASSERT_TRUE(terminal.bgexec({u"eval"_s, u"printf ':::::/x:::::\\n'; read -r line; echo more"_s},
                                {}, lookAlike.action(), lookAlike.completed()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !lookAlike.state().chunks.isEmpty(); },
                                TestSupport::Patience));
    answer(terminal, "\n");
    ASSERT_TRUE(lookAlike.waitForCompletion());
    EXPECT_EQ(lookAlike.state().output, u":::::/x:::::\nmore\n"_s);
}

TEST(TQTerminalBackground, ARunWhoseInputANewRunReplacesSeesItsEnd)
{
    TQTerminal terminal;
    RunRecord first;
    ASSERT_TRUE(terminal.bgexec({u"cat"_s}, {}, first.action(), first.completed()));
    RunRecord second;
    ASSERT_TRUE(terminal.bgexec({u"cat"_s}, {}, second.action(), second.completed()));
    ASSERT_TRUE(first.waitForCompletion());
    EXPECT_EQ(first.state().output, u""_s);

    answer(terminal, "second\n");
    ASSERT_TRUE(second.waitForCompletion());
    EXPECT_EQ(second.state().output, u"second\n"_s);
}

TEST(TQTerminalBackground, AThousandRunsLeaveNoZombieDescriptorOrThread)
{
    const int threads = threadCount();
    {
        // Lets whatever the first run opens for good (such as the log) open.
        TQTerminal warmUp;
        RunRecord record;
        ASSERT_TRUE(warmUp.bgexec({u"true"_s}, {}, record.action(), record.completed()));
        ASSERT_TRUE(record.waitForCompletion());
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return threadCount() <= threads; }, TestSupport::Patience));
    const int descriptors = openDescriptorCount();
    // Ten at a time, each terminal starting its next run while the one
    // before is still being wound down.
    {
        std::vector<TQTerminal> terminals(10);
        for (int batch = 0; batch < 100; ++batch) {
            std::vector<RunRecord> records(terminals.size());
            for (size_t i = 0; i < terminals.size(); ++i)
                ASSERT_TRUE(terminals[i].exec({u"echo"_s, QString::number(batch)}, {},
                                              records[i].action(), records[i].completed()));
            for (const RunRecord &record : records) {
                ASSERT_TRUE(record.waitForCompletion());
                EXPECT_EQ(record.state().output, QString::number(batch) + u'\n');
            }
        }
        EXPECT_EQ(terminals.front().exec({u"true"_s}), u""_s);
    }
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return openDescriptorCount() <= descriptors && threadCount() <= threads; },
        TestSupport::Patience))
        << openDescriptorCount() << " descriptors, " << threadCount() << " threads";
    EXPECT_FALSE(hasZombieChild());
}
