// Closing the program while a free-space worker hangs in its volume query (a dead network mount)
// must end the process at once. The test runs this executable a second time as the program: it
// opens the real App, lets a worker block in the query, closes the App and ends like the program's
// entry does. The query blocks on a FIFO that only this side can release, so the worker is
// certainly still blocked while the child ends.

#include "ops/FreeSpaceHandlers.h"
#include "tandrix/App.h"
#include "ui/Identifiers.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char FifoVariable[] = "TANDRIX_TEST_BLOCKING_FIFO";
constexpr char BlockedLine[] = "free-space worker blocked";
constexpr char ClosedLine[] = "program closed";

std::atomic<int> workersBlocked{0};
QByteArray fifoPath;

// Hangs until the parent writes to the FIFO or closes its end.
QString blockingQuery(const QString&, bool) {
    ++workersBlocked;
    const int fd = ::open(fifoPath.constData(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        char byte = 0;
        while (::read(fd, &byte, 1) < 0 && errno == EINTR) {
        }
        ::close(fd);
    }
    --workersBlocked;
    return QString();
}

} // namespace

// The child's part; skipped unless started by the test below.
TEST(FreeSpaceExitChild, ClosesTheProgramWhileAWorkerIsBlocked) {
    fifoPath = qgetenv(FifoVariable);
    if (fifoPath.isEmpty())
        GTEST_SKIP() << "runs only as the child of FreeSpaceExit";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir().mkpath(dir.path() + "/a") && QDir().mkpath(dir.path() + "/b"));
    QFile ini(dir.path() + "/Tandrix.ini");
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("\xEF\xBB\xBF\r\n[Generell]\r\nIniVersion=81107\r\nSetCombo=Daten\r\n[Sets]\r\nDaten=1\r\n"
              "[Set_Daten]\r\nSrc=" +
              QFile::encodeName(dir.path()) + "/a/\r\nMid=" + QFile::encodeName(dir.path()) + "/b/\r\n");
    ini.close();

    auto app = std::make_unique<App>(dir.path());
    app->state.freeSpaceQuery = blockingQuery;
    ASSERT_TRUE(app->open()); // showing the set starts a worker
    QElapsedTimer wait;
    wait.start();
    while (workersBlocked.load() == 0 && wait.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_GT(workersBlocked.load(), 0) << "no free-space worker started";
    std::printf("%s\n", BlockedLine);
    std::fflush(stdout);

    // The program's end: "Beenden", save and close, then everything is torn down and the process
    // returns from main, with the worker still inside its query.
    app->menuEvent(Menu_Quit);
    ASSERT_TRUE(app->quitRequested());
    app->shutdown();
    app.reset();
    EXPECT_GT(workersBlocked.load(), 0);
    std::printf("%s\n", ClosedLine);
    std::fflush(stdout);
}

TEST(FreeSpaceExit, ClosingWhileAWorkerIsBlockedInItsQueryEndsTheProcessAtOnce) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray fifo = QFile::encodeName(dir.path() + "/volume.fifo");
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    // Read and write, so opening does not wait for a reader and the child's reads block on data.
    const int releaseFd = ::open(fifo.constData(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(releaseFd, 0);

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(FifoVariable, QString::fromLocal8Bit(fifo));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=FreeSpaceExitChild.ClosesTheProgramWhileAWorkerIsBlocked"});
    ASSERT_TRUE(child.waitForStarted(10000));

    QByteArray output;
    QElapsedTimer startUp;
    startUp.start();
    while (!output.contains(BlockedLine) && child.state() != QProcess::NotRunning &&
           startUp.elapsed() < 30000) {
        child.waitForReadyRead(100);
        output += child.readAll();
    }
    const bool blocked = output.contains(BlockedLine);

    QElapsedTimer closing;
    closing.start();
    const bool ended = blocked && child.waitForFinished(5000);
    const qint64 closingMs = closing.elapsed();

    // Release the worker in every case, so a child that waits for it ends and this test never hangs.
    const char bytes[16] = {};
    EXPECT_EQ(::write(releaseFd, bytes, sizeof bytes), ssize_t(sizeof bytes));
    ::close(releaseFd);
    if (!child.waitForFinished(10000)) {
        child.kill();
        child.waitForFinished();
    }
    output += child.readAll();

    ASSERT_TRUE(blocked) << output.toStdString();
    EXPECT_TRUE(ended) << "the program still ran " << closingMs
                       << " ms after closing, waiting for its blocked worker\n"
                       << output.toStdString();
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(ClosedLine)) << output.toStdString();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
}
