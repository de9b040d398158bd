#include "terminal/TQTerminal.h"

#include "terminal/TerminalTestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

const TQTerminal::Environment SearchPath{{u"PATH"_s, u"/usr/bin:/bin"_s}};

// Sets an environment variable of this program for the lifetime of the object.
class ScopedVariable
{
public:
    ScopedVariable(const char *name, const QByteArray &value)
        : m_name(name)
        , m_wasSet(qEnvironmentVariableIsSet(name))
        , m_old(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~ScopedVariable()
    {
        if (m_wasSet)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }
    ScopedVariable(const ScopedVariable &) = delete;
    ScopedVariable &operator=(const ScopedVariable &) = delete;

private:
    const char *m_name;
    bool m_wasSet;
    QByteArray m_old;
};

} // namespace

TEST(TQTerminal, SanitizedArgsQuoteEachTextAndDropNullMarkers)
{
    EXPECT_EQ(TQTerminal::sanitizedArgs({u"say"_s, u"a\"b"_s, u""_s, std::nullopt, u"x"_s}),
              (QStringList{u"\"say\""_s, u"\"a\\\"b\""_s, u"\"\""_s, u"\"x\""_s}));
    EXPECT_TRUE(TQTerminal::sanitizedArgs({std::nullopt, std::nullopt}).isEmpty());
    EXPECT_TRUE(TQTerminal::sanitizedArgs({}).isEmpty());
    // $ and ` keep their meaning, also after a backslash.
    EXPECT_EQ(TQTerminal::sanitizedArgs({u"$HOME"_s, u"\\$HOME `pwd`"_s}),
              (QStringList{u"\"$HOME\""_s, u"\"\\$HOME `pwd`\""_s}));
}

TEST(TQTerminal, SanitizedArgsDoubleTheBackslashesBashWouldTakeAway)
{
    // Before a quote, at the end, before another backslash.
    EXPECT_EQ(TQTerminal::sanitizedArgs({u"a\\\"b"_s}), QStringList{u"\"a\\\\\\\"b\""_s});
    EXPECT_EQ(TQTerminal::sanitizedArgs({u"end\\"_s}), QStringList{u"\"end\\\\\""_s});
    EXPECT_EQ(TQTerminal::sanitizedArgs({u"c:\\\\x"_s}), QStringList{u"\"c:\\\\\\\\x\""_s});
}

TEST(TQTerminal, ExecPassesArgumentsLiterallyAndReturnsOutputThenErrors)
{
    TQTerminal terminal;
    EXPECT_EQ(terminal.exec({u"printf"_s, u"[%s]"_s, u"a b"_s, u"\"q\""_s, u"$HOME"_s, u"`x`"_s}),
              u"[a b][\"q\"][$HOME][`x`]"_s);
    EXPECT_EQ(terminal.exec({u"sh"_s, u"-c"_s, u"printf err >&2; printf out"_s}, SearchPath),
              u"outerr"_s);
    EXPECT_EQ(terminal.exec({u"true"_s}), u""_s);
    EXPECT_EQ(terminal.exec({u"printf"_s, u"\\303\\251 \\377"_s}), u"\u00e9 \ufffd"_s);
}

TEST(TQTerminal, ExecRunsInExactlyTheGivenEnvironment)
{
    TQTerminal terminal;
    EXPECT_EQ(terminal.exec({u"env"_s}), u""_s);
    EXPECT_EQ(terminal.exec({u"env"_s}, {}), u""_s);
    EXPECT_EQ(terminal.exec({u"env"_s}, {{u"ONLY"_s, u"1"_s}}), u"ONLY=1\n"_s);
}

TEST(TQTerminal, ExecReportsAMissingProgramThroughEnvsComplaint)
{
    TQTerminal terminal;
    const std::optional<QString> result = terminal.exec({u"tavorin-no-such-program"_s});
    ASSERT_TRUE(result);
    EXPECT_TRUE(result->startsWith(u"/usr/bin/env: "_s)) << result->toStdString();
    EXPECT_TRUE(result->contains(u"tavorin-no-such-program"_s));
    EXPECT_TRUE(result->contains(u"No such file or directory"_s));
}

TEST(TQTerminal, ExecReplacesOnlyTheTaskAndRefusesNullMarkers)
{
    TQTerminal terminal;
    RunRecord record;
    ASSERT_EQ(terminal.bgexec({u"true"_s}, {}, record.action(), record.completed()), u""_s);
    ASSERT_TRUE(record.waitForCompletion());
    const auto backgroundTask = terminal.task();
    const auto output = terminal.output();
    const auto error = terminal.error();
    const auto input = terminal.input();

    EXPECT_EQ(terminal.exec({u"true"_s}), u""_s);
    EXPECT_NE(terminal.task(), backgroundTask);
    EXPECT_FALSE(terminal.task()->isRunning());
    EXPECT_EQ(terminal.output(), output);
    EXPECT_EQ(terminal.error(), error);
    EXPECT_EQ(terminal.input(), input);

    EXPECT_EQ(terminal.exec({u"echo"_s, std::nullopt}), std::nullopt);
    EXPECT_FALSE(terminal.task()->isRunning());
}

TEST(TQTerminal, ExecCompletesWhenBothStreamsCarryMegabytesAtOnce)
{
    TQTerminal terminal;
    const std::optional<QString> result = terminal.exec(
        {u"bash"_s, u"-c"_s,
         u"head -c 10000000 /dev/zero | tr '\\0' o & head -c 10000000 /dev/zero | tr '\\0' e >&2; "
         u"wait"_s},
        SearchPath);
    ASSERT_TRUE(result);
    ASSERT_EQ(result->size(), 20000000);
    EXPECT_EQ(result->count(u'o'), 10000000);
    EXPECT_TRUE(result->startsWith(u'o'));
    EXPECT_TRUE(result->endsWith(u'e'));
}

TEST(TQTerminal, GetPathReturnsWhatTheLoginShellPrintsUntrimmed)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    QFile profile(QDir(home.path()).filePath(u".bash_profile"_s));
    ASSERT_TRUE(profile.open(QIODevice::WriteOnly));
    profile.write("PATH=/opt/tavorin-login:$PATH\nprintf 'from the profile' >&2\n");
    profile.close();
    const ScopedVariable variable("HOME", QFile::encodeName(home.path()));

    const std::optional<QString> path = TQTerminal::getPath();
    ASSERT_TRUE(path);
    EXPECT_TRUE(path->startsWith(u"/opt/tavorin-login:"_s)) << path->toStdString();
    EXPECT_TRUE(path->endsWith(u"\nfrom the profile"_s)) << path->toStdString();
    EXPECT_EQ(path->count(u'\n'), 1);
}
