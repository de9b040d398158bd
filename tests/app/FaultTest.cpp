// The window when the disk fills during an export, and when it quits in the
// middle of a document that would take hours to read.
#include "AppFixture.h"

#include "platform/documents/PdfText.h"
#include "support/PdfMakers.h"

#include <QScopeGuard>
#include <QThreadPool>

#include <csignal>

#include <sys/resource.h>

namespace {

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

// Quit, which lets go of the controller, ends a PDF read under way and the
// process that reads it, rather than waiting for the read to end.
TEST_F(Faults, QuitEndsAPdfReadUnderWay)
{
    Documents::setPdfWorkerProgram(QStringLiteral(TAVORIN_PROGRAM));
    QTemporaryDir dir;
    // A thousand pages of a form shown 65,536 times each: a second or so a page.
    delegate->application(
        nullptr, {TestSupport::writeFile(dir.filePath(u"slow.pdf"_s),
                                         PdfMakers::handMadePdf("/X Do", 1000, false, 16))});
    EXPECT_TRUE(
        QTest::qWaitFor([] { return !TestSupport::children().isEmpty(); }, TestSupport::Patience));
    window.reset();
    delegate.reset();
    EXPECT_TRUE(QThreadPool::globalInstance()->waitForDone(TestSupport::Patience));
    EXPECT_TRUE(TestSupport::children().isEmpty());
    Documents::setPdfWorkerProgram(QString());
}
