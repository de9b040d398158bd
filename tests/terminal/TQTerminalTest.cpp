#include "terminal/TQTerminal.h"

#include "terminal/TerminalTestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(TQTerminal, SanitizedArgsMakeOneWordOfEachTextAndDropNullMarkers)
{
    const struct
    {
        TQTerminal::Arguments args;
        QStringList words;
    } cases[] = {
        {{u"say"_s, u"a\"b"_s, u""_s, std::nullopt, u"x"_s},
         {u"\"say\""_s, u"\"a\\\"b\""_s, u"\"\""_s, u"\"x\""_s}},
        {{std::nullopt, std::nullopt}, {}},
        // $ and ` keep their meaning, also after a backslash.
        {{u"$HOME"_s, u"\\$HOME `pwd`"_s}, {u"\"$HOME\""_s, u"\"\\$HOME `pwd`\""_s}},
        // Backslashes before a quote or at the end are doubled, others kept.
        {{u"a\\\"b"_s, u"end\\"_s, u"c:\\\\x"_s},
         {u"\"a\\\\\\\"b\""_s, u"\"end\\\\\""_s, u"\"c:\\\\\\\\x\""_s}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(TQTerminal::sanitizedArgs(c.args), c.words);
}

TEST(TQTerminal, ExecRunsLiterallyInExactlyTheGivenEnvironment)
{
    const TQTerminal::Environment searchPath{{u"PATH"_s, u"/usr/bin:/bin"_s}};
    TQTerminal terminal;
    EXPECT_EQ(terminal.exec({u"printf"_s, u"[%s]"_s, u"a b"_s, u"\"q\""_s, u"$HOME"_s, u"`x`"_s}),
              u"[a b][\"q\"][$HOME][`x`]"_s);
    EXPECT_EQ(terminal.exec({u"sh"_s, u"-c"_s, u"printf err >&2; printf out"_s}, searchPath),
              u"outerr"_s);
    EXPECT_EQ(terminal.exec({u"printf"_s, u"\\303\\251 \\377"_s}), u"\u00e9 \ufffd"_s);
    EXPECT_EQ(terminal.exec({u"env"_s}), u""_s);
    EXPECT_EQ(terminal.exec({u"env"_s}, {{u"ONLY"_s, u"1"_s}}), u"ONLY=1\n"_s);
    EXPECT_EQ(terminal.exec({u"echo"_s, std::nullopt}), std::nullopt);

    const std::optional<QString> missing = terminal.exec({u"tavorin-no-such-program"_s});
    ASSERT_TRUE(missing);
    EXPECT_TRUE(missing->startsWith(u"/usr/bin/env: "_s)) << missing->toStdString();
    EXPECT_TRUE(missing->contains(u"No such file or directory"_s));

    // Both pipes are drained while the program runs.
    const std::optional<QString> result = terminal.exec(
        {u"bash"_s, u"-c"_s,
         u"head -c 10000000 /dev/zero | tr '\\0' o & head -c 10000000 /dev/zero | tr '\\0' e >&2; "
         u"wait"_s},
        searchPath);
    ASSERT_TRUE(result);
    ASSERT_EQ(result->size(), 20000000);
    EXPECT_EQ(result->count(u'o'), 10000000);
}

TEST(TQTerminal, GetPathReturnsWhatTheLoginShellPrintsUntrimmed)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    QFile profile(QDir(home.path()).filePath(u".bash_profile"_s));
    ASSERT_TRUE(profile.open(QIODevice::WriteOnly));
    profile.write("PATH=/opt/tavorin-login:$PATH\nprintf 'from the profile' >&2\n");
    profile.close();
    const QByteArray realHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(home.path()));
    const std::optional<QString> path = TQTerminal::getPath();
    qputenv("HOME", realHome);

    ASSERT_TRUE(path);
    EXPECT_TRUE(path->startsWith(u"/opt/tavorin-login:"_s)) << path->toStdString();
    EXPECT_TRUE(path->endsWith(u"\nfrom the profile"_s)) << path->toStdString();
    EXPECT_EQ(path->count(u'\n'), 1);
}
