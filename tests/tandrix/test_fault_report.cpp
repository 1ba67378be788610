#include "platform/FaultSignals.h"
#include "tandrix/FaultTexts.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
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
}

namespace {
struct ProgramRun {
    int exitCode = -1;
    QProcess::ExitStatus status = QProcess::CrashExit;
    QString out;
    QString err;
};

// Starts a copy of the real program in its own folder, so its settings file lands there.
ProgramRun runFaulting(const QString& dir, const char* kind) {
    const QString program = qEnvironmentVariable("TANDRIX_PROGRAM");
    const QString copy = dir + "/Tandrix";
    QFile::copy(program, copy);
    QProcess p;
    p.setProgram(copy);
    p.setArguments({QString("--tandrix-test-fault=%1").arg(kind)});
    p.start();
    ProgramRun r;
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitCode();
    r.status = p.exitStatus();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}
} // namespace

class FaultReportOfTheProgram : public ::testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("TANDRIX_PROGRAM"))
            GTEST_SKIP() << "the program's path comes from CTest";
        ASSERT_TRUE(dir.isValid());
    }
    QTemporaryDir dir;
};

TEST_F(FaultReportOfTheProgram, InvalidMemoryAccessIsReportedAndEndsWithZeroWithoutSaving) {
    const ProgramRun r = runFaulting(dir.path(), "segv");
    EXPECT_EQ(r.status, QProcess::NormalExit);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains(
        "Error at line -1\r\nError number: -1073741819\r\nError description: Invalid memory access"))
        << r.err.toStdString();
    // The report process showed the same text in the program's message box.
    EXPECT_TRUE(r.out.startsWith("Tandrix Meldung\n")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("Error number: -1073741819")) << r.out.toStdString();
    EXPECT_FALSE(QFile::exists(dir.path() + "/Tandrix.ini"));
}

TEST_F(FaultReportOfTheProgram, IntegerDivisionByZeroIsReported) {
    const ProgramRun r = runFaulting(dir.path(), "fpe");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains("Error number: -1073741676\r\nError description: Division by zero "))
        << r.err.toStdString();
}

TEST_F(FaultReportOfTheProgram, StackOverflowIsReportedFromTheAlternateStack) {
    const ProgramRun r = runFaulting(dir.path(), "stack");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains("Error description: Stack overflow")) << r.err.toStdString();
}
