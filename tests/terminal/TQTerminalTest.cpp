#include "terminal/TQTerminal.h"
#include "support/TestSupport.h"

#include "platform/process/Pipe.h"

#include <future>

TEST(TQTerminal, EachArgumentIsOneWordAndOnlyTheExpandingFormExpands)
{
    const QString home = qEnvironmentVariable("HOME");
    const struct
    {
        QString argument;
        QString expanded;
    } cases[] = {
        {u"$HOME"_s, home},
        {u"\\$HOME"_s, u"$HOME"_s},
        {u"$(echo ' one  two ')"_s, u" one  two "_s},
        {u"`echo hi`"_s, u"hi"_s},
        {u"$@"_s, u""_s},
        {u"${@}"_s, u""_s},
        {u"${#BASH_VERSINFO[@]}"_s, u"6"_s},
        // Nothing closes these: taken as they are.
        {u"`"_s, u"`"_s},
        {u"a`b"_s, u"a`b"_s},
        {u"$(echo"_s, u"$(echo"_s},
        {u"${x"_s, u"${x"_s},
        {u"$[1+[2]"_s, u"$[1+[2]"_s},
        {u"${x:-'}"_s, u"${x:-'}"_s},
        {u"$(echo ')' `"_s, u"$(echo ')' `"_s},
        {u"say \"a\\\" b\\"_s, u"say \"a\\\" b\\"_s},
        {u"'\n;&|*"_s, u"'\n;&|*"_s},
    };
    TQTerminal::Arguments args{u"printf"_s, u"%s\\0"_s, std::nullopt};
    QStringList literal, expanded;
    for (const auto &c : cases) {
        args << c.argument;
        literal << c.argument;
        expanded << c.expanded;
    }
    for (const auto quoting : {TQTerminal::Quoting::Expanding, TQTerminal::Quoting::Literal}) {
        SCOPED_TRACE(quoting == TQTerminal::Quoting::Literal ? "literal" : "expanding");
        TQTerminal terminal;
        std::promise<QString> output;
        ASSERT_EQ(terminal.bgexec(
                      args, {}, [](const QString &) {},
                      [&output](const QString &text) { output.set_value(text); }, quoting),
                  u""_s);
        QStringList words = output.get_future().get().split(QChar(0));
        ASSERT_EQ(words.takeLast(), QString());
        EXPECT_EQ(words, quoting == TQTerminal::Quoting::Literal ? literal : expanded);
    }

    // The system would cut the argument short at its NUL.
    TQTerminal terminal;
    const QString nul = u"a"_s + QChar(0) + u"b"_s;
    EXPECT_EQ(terminal.exec({u"echo"_s, nul}), std::nullopt);
    EXPECT_EQ(terminal.bgexec({u"echo"_s, nul}, {}, {}, {}, TQTerminal::Quoting::Literal),
              std::nullopt);
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

    // A child has its standard streams, and none of this process's descriptors.
    Pipe unrelated;
    const QStringList inherited =
        terminal.exec({u"sh"_s, u"-c"_s, u"cd /proc/$$/fd && echo *"_s}, searchPath)
            .value_or(QString())
            .trimmed()
            .split(u' ');
    EXPECT_TRUE(inherited.contains(u"1"_s)) << inherited.join(u' ').toStdString();
    for (const auto &end : {unrelated.fileHandleForReading(), unrelated.fileHandleForWriting()})
        EXPECT_FALSE(inherited.contains(QString::number(end->fileDescriptor())));
}

TEST(TQTerminal, GetPathReturnsWhatTheLoginShellPrintsUntrimmed)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    TestSupport::writeFile(home.filePath(u".bash_profile"_s),
                           "PATH=/opt/tavorin-login:$PATH\nprintf 'from the profile' >&2\n");
    const QByteArray realHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(home.path()));
    const std::optional<QString> path = TQTerminal::getPath();
    qputenv("HOME", realHome);

    ASSERT_TRUE(path);
    EXPECT_TRUE(path->startsWith(u"/opt/tavorin-login:"_s)) << path->toStdString();
    EXPECT_TRUE(path->endsWith(u"\nfrom the profile"_s)) << path->toStdString();
    EXPECT_EQ(path->count(u'\n'), 1);
}
