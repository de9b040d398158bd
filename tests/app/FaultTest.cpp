// The window when the disk fills during an export and when a chosen file is
// gone by the time it is read.
#include "AppFixture.h"

#include <QScopeGuard>

#include <csignal>

#include <sys/resource.h>

namespace {

constexpr int Timeout = 60000;

// Every name in a folder, hidden temporary files included.
QStringList entries(const QString &path)
{
    return QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                QDir::NoDotAndDotDot);
}

} // namespace

using Faults = LaunchedWindow;

TEST_F(Faults, ExportOntoAFullDiskEndsWithoutSuccessAndLeavesNoFile)
{
    text->setPlainText(
        QString(u"Far more speech than sixty-four kilobytes will hold. "_s).repeated(20));
    // As on a full disk: no file of this process may grow past 64 KiB, and
    // the signal that enforces it is ignored so that writes fail with an error.
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    rlimit small = limit;
    small.rlim_cur = 64 * 1024;
    ::setrlimit(RLIMIT_FSIZE, &small);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    const auto restore = qScopeGuard([&] {
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::signal(SIGXFSZ, previous);
    });
    QTemporaryDir disk;
    const QString out = disk.filePath(u"full.aiff"_s);
    LogCapture log;
    delegate->doExport(nullptr);
    ASSERT_TRUE(choose(out));
    ASSERT_TRUE(waitForLog(log, u"Without any success"_s)) << log.lines().join(u'\n').toStdString();
    EXPECT_EQ(log.count(u"With success"_s), 0);
    EXPECT_FALSE(delegate->isExporting());
    EXPECT_EQ(log.lines().filter(u"Cannot export the speech to \"%1\""_s.arg(out)).size(), 1)
        << log.lines().join(u'\n').toStdString();
    // The person at the window is told which file failed, and why.
    auto *status = child<QLabel>("statusLabel");
    EXPECT_FALSE(status->isHidden());
    EXPECT_TRUE(status->text().contains(out + u": "_s)) << status->text().toStdString();
    EXPECT_TRUE(entries(disk.path()).isEmpty()) << entries(disk.path()).join(u' ').toStdString();
}

TEST_F(Faults, AFileDeletedBetweenChoosingAndReadingKeepsTheText)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"vanishing.txt"_s);
    TestSupport::writeFile(path, "The text of a file that will not be there.");
    text->setPlainText(u"What was typed before."_s);

    LogCapture log;
    QSignalSpy finished(delegate.get(), &AppDelegate::fileLoadFinished);
    delegate->doOpen(nullptr);
    auto *panel = currentDialog<QFileDialog>();
    ASSERT_TRUE(panel);
    // The panel has checked that the file exists and is handing it over.
    QObject::connect(panel, &QFileDialog::fileSelected, panel,
                     [](const QString &chosen) { QFile::remove(chosen); });
    ASSERT_TRUE(choose(path));
    ASSERT_TRUE(answer(u"Yes"_s));

    ASSERT_TRUE(finished.wait(Timeout));
    EXPECT_EQ(finished.constFirst().at(1).toBool(), false);
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(text->toPlainText(), u"What was typed before."_s);
    const QStringList said = log.lines().filter(u"vanishing.txt"_s);
    ASSERT_EQ(said.size(), 1) << log.lines().join(u'\n').toStdString();
    EXPECT_TRUE(said.constFirst().contains(u"No such file"_s)) << said.constFirst().toStdString();
}
