#include "platform/FaultSignals.h"
#include "tandrix/FaultTexts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>

TEST(FaultTexts, AccessViolationReportsItsSignedCodeAndDescription) {
    char text[512];
    const size_t n = FormatFaultReport(text, sizeof text, -1, int32_t(0xC0000005u));
    EXPECT_EQ(std::string(text, n),
              "Error at line -1\r\nError number: -1073741819\r\nError description: Invalid memory access");
}

TEST(FaultTexts, UnknownCodePrintsItsValue) {
    char text[512];
    FormatFaultReport(text, sizeof text, 42, 12345);
    EXPECT_STREQ(text, "Error at line 42\r\nError number: 12345\r\nError description: Unknown error code");
    FormatFaultReport(text, sizeof text, -1, INT32_MIN);
    EXPECT_STREQ(text,
                 "Error at line -1\r\nError number: -2147483648\r\nError description: Unknown error code");
}

TEST(FaultTexts, TableKeepsTheExactTexts) {
    EXPECT_STREQ(FaultDescription(FaultCode::IntDivideByZero), "Division by zero ");
    EXPECT_STREQ(FaultDescription(FaultCode::FltOverflow), "Floating-point overflow (exponent to great)");
    EXPECT_STREQ(FaultDescription(FaultCode::StackOverflow), "Stack overflow");
    EXPECT_STREQ(FaultDescription(FaultCode::SingleStep), "Single step trap");
}

TEST(FaultTexts, TruncatesIntoASmallBufferWithoutOverrun) {
    char text[16];
    const size_t n = FormatFaultReport(text, sizeof text, -1, 0);
    EXPECT_EQ(n, 15u);
    EXPECT_EQ(text[15], '\0');
}

TEST(FaultSignals, MapsLinuxSignalsToTheReportsCodes) {
    EXPECT_EQ(FaultCodeForSignal(SIGSEGV, SEGV_MAPERR, false), FaultCode::AccessViolation);
    EXPECT_EQ(FaultCodeForSignal(SIGSEGV, SEGV_MAPERR, true), FaultCode::StackOverflow);
    EXPECT_EQ(FaultCodeForSignal(SIGFPE, FPE_INTDIV, false), FaultCode::IntDivideByZero);
    EXPECT_EQ(FaultCodeForSignal(SIGFPE, FPE_FLTDIV, false), FaultCode::FltDivideByZero);
    EXPECT_EQ(FaultCodeForSignal(SIGFPE, FPE_INTOVF, false), FaultCode::IntOverflow);
    EXPECT_EQ(FaultCodeForSignal(SIGBUS, BUS_ADRALN, false), FaultCode::DatatypeMisalignment);
    EXPECT_EQ(FaultCodeForSignal(SIGBUS, BUS_ADRERR, false), FaultCode::InPageError);
    EXPECT_EQ(FaultCodeForSignal(SIGILL, ILL_ILLOPC, false), FaultCode::IllegalInstruction);
    EXPECT_EQ(FaultCodeForSignal(SIGILL, ILL_PRVOPC, false), FaultCode::PrivInstruction);
    EXPECT_EQ(FaultCodeForSignal(SIGTRAP, TRAP_BRKPT, false), FaultCode::Breakpoint);
    EXPECT_EQ(FaultCodeForSignal(SIGTRAP, TRAP_TRACE, false), FaultCode::SingleStep);
    EXPECT_EQ(FaultCodeForSignal(SIGABRT, SI_TKILL, false), FaultCode::FailFast);
}

namespace {
struct ProgramRun {
    bool finished = false;
    int exitCode = -1;
    QProcess::ExitStatus status = QProcess::CrashExit;
    QString out;
    QString err;
};

// Runs a program to its end; `meanwhile` runs once it has started.
ProgramRun run(const QString& program, const QStringList& args, const std::function<void()>& meanwhile = {}) {
    QProcess p;
    p.start(program, args);
    ProgramRun r;
    if (!p.waitForStarted())
        return r;
    if (meanwhile)
        meanwhile();
    r.finished = p.waitForFinished(20000);
    if (!r.finished) {
        p.kill();
        p.waitForFinished();
    }
    r.exitCode = p.exitCode();
    r.status = p.exitStatus();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QString reportText(const char* code, const char* description) {
    return QString("Error at line -1\r\nError number: %1\r\nError description: %2").arg(code, description);
}

// Processes running this program file, the report helper among them.
int processesOf(const QString& program) {
    int count = 0;
    for (const QString& pid : QDir("/proc").entryList(QDir::Dirs)) {
        if (pid.front().isDigit() && QFileInfo("/proc/" + pid + "/exe").symLinkTarget() == program)
            ++count;
    }
    return count;
}
} // namespace

// Copies of the test build with the deliberate-fault switch and of the shipped program, each in a
// folder of its own, so a settings file would land there.
class FaultReportOfTheProgram : public ::testing::Test {
protected:
    void SetUp() override {
        const QString faultProgram = qEnvironmentVariable("TANDRIX_FAULT_PROGRAM");
        const QString shippedProgram = qEnvironmentVariable("TANDRIX_PROGRAM");
        if (faultProgram.isEmpty() || shippedProgram.isEmpty())
            GTEST_SKIP() << "the programs' paths come from CTest";
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QDir(dir.path()).mkpath("shipped"));
        ASSERT_TRUE(QFile::copy(faultProgram, faulting));
        ASSERT_TRUE(QFile::copy(shippedProgram, shipped));
    }
    QTemporaryDir dir;
    const QString faulting = dir.path() + "/Tandrix";
    const QString shipped = dir.path() + "/shipped/Tandrix";
};

// Each fault is reported on standard error and in the message box of the helper, which needs no
// program file (the copy is deleted while it runs); the program ends with 0 and saves nothing.
TEST_F(FaultReportOfTheProgram, EveryKindOfFaultIsReportedAndEndsWithZeroWithoutSaving) {
    struct Case {
        const char* kind;
        const char* code;
        const char* description;
    };
    const Case cases[] = {
        {"segv", "-1073741819", "Invalid memory access"},
        {"fpe", "-1073741676", "Division by zero "},
        {"stack", "-1073741571", "Stack overflow"},
        {"threadstack", "-1073741571", "Stack overflow"},
        {"abort", "-1073740791", "Unknown error code"},
        {"terminate", "-1073740791", "Unknown error code"},
        {"deleted", "-1073741819", "Invalid memory access"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        const bool deleted = std::string(c.kind) == "deleted";
        const QString program = deleted ? dir.path() + "/Weg" : faulting;
        ASSERT_TRUE(!deleted || QFile::copy(faulting, program));
        const auto removeIfDeleted = [&] {
            if (deleted)
                QFile::remove(program);
        };
        const ProgramRun r = run(program, {QString("--tandrix-test-fault=%1").arg(deleted ? "segv" : c.kind)},
                                 removeIfDeleted);
        ASSERT_TRUE(r.finished);
        EXPECT_EQ(r.status, QProcess::NormalExit);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_TRUE(r.err.contains(reportText(c.code, c.description) + "\n")) << r.err.toStdString();
        EXPECT_EQ(r.out, "Tandrix Meldung\n" + reportText(c.code, c.description) + "\n");
    }
    EXPECT_FALSE(QFile::exists(dir.path() + "/Tandrix.ini"));
}

// A fault strikes a thread inside malloc or free, holding the allocator's lock, while another
// thread keeps allocating: the report takes no lock and shows every time.
TEST_F(FaultReportOfTheProgram, FaultInsideTheAllocatorIsReportedEveryTime) {
    const QString expected = "Tandrix Meldung\n" + reportText("-1073741819", "Invalid memory access") + "\n";
    int shown = 0;
    for (int i = 0; i < 50; ++i) {
        const ProgramRun r = run(faulting, {"--tandrix-test-fault=heap"});
        ASSERT_TRUE(r.finished) << "run " << i << " hangs";
        EXPECT_EQ(r.exitCode, 0) << "run " << i;
        shown += r.out == expected;
    }
    EXPECT_EQ(shown, 50);
}

// The shipped program has no fault switch and reads neither its own arguments nor Qt's: started
// with the test switch, the old report marker or a display option it cannot use, it starts as
// always and waits for a first set. Killed, it leaves no helper behind.
TEST_F(FaultReportOfTheProgram, ShippedProgramIgnoresEveryArgument) {
    const QStringList argumentLists[] = {{"--tandrix-test-fault=segv"},
                                         {"--tandrix-fault-report", "Error at line 1", "--close-by-itself"},
                                         {"-platform", "xcb", "-display", ":9999"}};
    for (const QStringList& args : argumentLists) {
        SCOPED_TRACE(args.join(' ').toStdString());
        QProcess p;
        p.start(shipped, args);
        ASSERT_TRUE(p.waitForStarted());
        EXPECT_FALSE(p.waitForFinished(1500));
        EXPECT_EQ(processesOf(shipped), 2); // the program and its report helper
        p.kill();
        p.waitForFinished();
        EXPECT_EQ(p.readAllStandardOutput(), "");
        EXPECT_FALSE(p.readAllStandardError().contains("Error"));
        for (int wait = 0; wait < 100 && processesOf(shipped) > 0; ++wait)
            QThread::msleep(20);
        EXPECT_EQ(processesOf(shipped), 0);
    }
}
