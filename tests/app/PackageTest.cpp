#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

using namespace Qt::StringLiterals;

namespace {

struct Ran
{
    int status = -1;
    QString out;
    QString err;
};

Ran runIn(const QString &folder, const QString &command, const QStringList &arguments,
          const QByteArray &input = {})
{
    QProcess process;
    process.setWorkingDirectory(folder);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    process.setProcessEnvironment(environment);
    process.start(command, arguments);
    if (!process.waitForStarted())
        return {-1, {}, command + u" cannot be started"_s};
    process.write(input);
    process.closeWriteChannel();
    EXPECT_TRUE(process.waitForFinished(TestSupport::Patience)) << command.toStdString();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

// What bash completes for a command line typed up to its end, with the
// completion the package installs: sorted, a space apart. The words are split
// as bash splits them, a ':' a word of its own.
std::string bashCompletes(const QString &folder, const QString &script, const QString &command,
                          const QString &typed)
{
    QStringList words;
    for (const QString &word : QString(command + u' ' + typed).split(u' '))
        words += word.split(QRegularExpression(u"(?=:)|(?<=:)"_s));
    QString quoted;
    for (const QString &word : std::as_const(words))
        quoted += u" '"_s + word + u'\'';
    const Ran ran =
        runIn(folder, u"bash"_s,
              {u"-c"_s, u"source /usr/share/bash-completion/bash_completion && "
                        "source '%1' && COMP_WORDS=(%2) && COMP_CWORD=%3 && "
                        "COMP_LINE='%4' && COMP_POINT=${#COMP_LINE} && "
                        "_tavorin \"${COMP_WORDS[0]}\" \"${COMP_WORDS[COMP_CWORD]}\" "
                        "\"${COMP_WORDS[COMP_CWORD-1]}\" && printf '%s\\n' \"${COMPREPLY[@]}\""_s
                            .arg(script, quoted)
                            .arg(words.size() - 1)
                            .arg(command + u' ' + typed)});
    EXPECT_EQ(ran.status, 0) << ran.err.toStdString();
    QStringList offered = ran.out.split(u'\n', Qt::SkipEmptyParts);
    offered.sort();
    return offered.join(u' ').toStdString();
}

} // namespace

// The package is made as a person makes it, unpacked into a scratch root and
// run from there, so that it cannot ship without something the program needs
// nor with a manual or completion that has fallen behind the options.
TEST(Package, HoldsAProgramThatRunsWithItsManualCompletionAndDependencies)
{
    QTemporaryDir scratch;
    const QDir folder(scratch.path());
    const Ran made =
        runIn(scratch.path(), u"cpack"_s,
              {u"-G"_s, u"DEB"_s, u"--config"_s,
               QStringLiteral(TAVORIN_BUILD_DIR "/CPackConfig.cmake"), u"-B"_s, scratch.path()});
    ASSERT_EQ(made.status, 0) << made.out.toStdString() << made.err.toStdString();
    const Ran version = runIn(scratch.path(), QStringLiteral(TAVORIN_PROGRAM), {u"--version"_s});
    const QString number = version.out.trimmed().section(u' ', 1);
    ASSERT_FALSE(number.isEmpty());
    const QString package = folder.filePath(u"tavorin_%1_amd64.deb"_s.arg(number));
    ASSERT_TRUE(QFile::exists(package)) << folder.entryList().join(u' ').toStdString();

    // Depends comes from the libraries the program links; the voices of the
    // desktop are recommended.
    const Ran control = runIn(scratch.path(), u"dpkg-deb"_s, {u"--field"_s, package});
    for (const QString &field :
         {QString(u"Version: "_s + number),
          u"Depends: .*libespeak-ng1 .*libflite1 .*libqt6widgets6 "_s,
          u"Depends: .*libsndfile1 .*libspeechd2"_s, u"Recommends: speech-dispatcher,"_s})
        EXPECT_TRUE(control.out.contains(
            QRegularExpression(u'^' + field, QRegularExpression::MultilineOption)))
            << field.toStdString() << '\n'
            << control.out.toStdString();
    const Ran lint = runIn(scratch.path(), u"lintian"_s, {u"--fail-on"_s, u"error"_s, package});
    EXPECT_EQ(lint.status, 0) << lint.out.toStdString() << lint.err.toStdString();

    const QString root = folder.filePath(u"root"_s);
    ASSERT_EQ(runIn(scratch.path(), u"dpkg-deb"_s, {u"-x"_s, package, root}).status, 0);
    const QDir usr(root + u"/usr"_s);
    for (const QString &file :
         {u"share/applications/org.tavorin.Tavorin.desktop"_s,
          u"share/icons/hicolor/scalable/apps/org.tavorin.Tavorin.svg"_s,
          u"share/metainfo/org.tavorin.Tavorin.metainfo.xml"_s, u"share/tavorin/getpath.sh"_s,
          u"share/doc/tavorin/copyright"_s, u"share/zsh/vendor-completions/_tavorin"_s})
        EXPECT_TRUE(QFile::exists(usr.filePath(file))) << file.toStdString();

    // The program runs from the package alone: its voices and an export.
    const QString installed = usr.filePath(u"bin/tavorin"_s);
    EXPECT_EQ(runIn(scratch.path(), installed, {u"--version"_s}).out, version.out);
    const Ran voices = runIn(scratch.path(), installed, {u"--list-voices"_s});
    EXPECT_TRUE(QString(u'\n' + voices.out).contains(u"\ngmw/en-US\t"_s) &&
                voices.out.contains(u"\nflite:slt\t"_s))
        << voices.out.left(400).toStdString();
    const QString sound = folder.filePath(u"installed.flac"_s);
    const Ran exported = runIn(scratch.path(), installed,
                               {u"--export"_s, sound, u"--voice"_s, u"flite:kal"_s, u"-"_s},
                               "Installed from a package and speaking.");
    EXPECT_EQ(exported.status, 0) << exported.err.toStdString();
    EXPECT_TRUE(TestSupport::readSoundFile(sound).valid);

    // Every option the program offers is in its manual page, which man reads
    // without a warning, and in both completions; the changelog names this
    // version.
    QStringList options;
    const QRegularExpression option(u"^  (?:-\\w, )?(--[\\w-]+)"_s,
                                    QRegularExpression::MultilineOption);
    for (const QRegularExpressionMatch &match :
         option.globalMatch(runIn(scratch.path(), installed, {u"--help"_s}).out))
        options += match.captured(1);
    ASSERT_GE(options.size(), 16);
    const QString manual = usr.filePath(u"share/man/man1/tavorin.1.gz"_s);
    const QString page = runIn(scratch.path(), u"zcat"_s, {manual}).out;
    const Ran shown = runIn(scratch.path(), u"sh"_s,
                            {u"-c"_s, u"LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings "
                                      "-E UTF-8 -l '%1' 2>&1 >/dev/null"_s.arg(manual)});
    EXPECT_TRUE(shown.out.isEmpty()) << shown.out.toStdString();
    const QString zsh =
        runIn(scratch.path(), u"cat"_s, {usr.filePath(u"share/zsh/vendor-completions/_tavorin"_s)})
            .out;
    const QString bash = usr.filePath(u"share/bash-completion/completions/tavorin"_s);
    const QStringList offered =
        QString::fromStdString(bashCompletes(scratch.path(), bash, installed, u"--"_s)).split(u' ');
    for (const QString &name : std::as_const(options)) {
        const QString escaped = QRegularExpression::escape(QString(name).replace(u"-"_s, u"\\-"_s));
        EXPECT_TRUE(page.contains(
            QRegularExpression(u"^\\.TP\n\\.B[IR]? .*"_s + escaped + u"\\b(?!\\\\-)"_s,
                               QRegularExpression::MultilineOption)))
            << name.toStdString() << " is not in the manual page";
        EXPECT_TRUE(zsh.contains(QRegularExpression(u"['(){},*]"_s + name + u"[=\\[}]"_s)))
            << name.toStdString() << " is not in the zsh completion";
        EXPECT_TRUE(offered.contains(name)) << name.toStdString() << " is not completed by bash";
    }
    EXPECT_EQ(runIn(scratch.path(), u"zsh"_s,
                    {u"-n"_s, usr.filePath(u"share/zsh/vendor-completions/_tavorin"_s)})
                  .status,
              0);
    EXPECT_TRUE(
        runIn(scratch.path(), u"zcat"_s, {usr.filePath(u"share/doc/tavorin/changelog.gz"_s)})
            .out.startsWith(u"tavorin (%1) "_s.arg(number)));

    // bash offers the voices by their identifiers and, for each option, the
    // files of the formats it writes.
    EXPECT_NE(
        bashCompletes(scratch.path(), bash, installed, u"--voice gmw/en-U"_s).find("gmw/en-US+f3"),
        std::string::npos);
    // After the colon bash puts in only what follows it.
    EXPECT_EQ(bashCompletes(scratch.path(), bash, installed, u"--voice flite:kal"_s), "kal kal16");
    EXPECT_EQ(bashCompletes(scratch.path(), bash, installed, u"--format "_s),
              "aiff flac m4b mp3 ogg opus wav");
    for (const QString &file : {u"notes.txt"_s, u"notes.vtt"_s})
        QFile(folder.filePath(file)).open(QIODevice::WriteOnly);
    EXPECT_EQ(bashCompletes(scratch.path(), bash, installed, u"--export ins"_s), "installed.flac");
    EXPECT_EQ(bashCompletes(scratch.path(), bash, installed, u"--timings no"_s), "notes.vtt");
    EXPECT_EQ(bashCompletes(scratch.path(), bash, installed, u"no"_s), "notes.txt notes.vtt");
}
