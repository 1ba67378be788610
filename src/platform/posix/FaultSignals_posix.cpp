#include "platform/FaultSignals.h"

#include "tandrix/FaultTexts.h"

#include <cerrno>
#include <initializer_list>
#include <pthread.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
FaultReporter reporter = nullptr;
alignas(16) char altStack[256 * 1024];
uintptr_t stackLow = 0;  // lowest address of the main thread's stack
uintptr_t stackHigh = 0; // highest

bool onGuard(const void* address) {
    const uintptr_t a = reinterpret_cast<uintptr_t>(address);
    // The guard lies right below the stack; a fault a little below or at its low end is an overflow.
    const uintptr_t margin = 1024 * 1024;
    return stackLow != 0 && a < stackLow + 64 * 1024 && a + margin >= stackLow && a < stackHigh;
}

void onSignal(int sig, siginfo_t* info, void*) {
    const int32_t code =
        FaultCodeForSignal(sig, info ? info->si_code : 0, sig == SIGSEGV && info && onGuard(info->si_addr));
    if (reporter)
        reporter(code);
    _exit(0);
}
} // namespace

int32_t FaultCodeForSignal(int sig, int siCode, bool onStackGuard) {
    switch (sig) {
    case SIGSEGV:
        return onStackGuard ? FaultCode::StackOverflow : FaultCode::AccessViolation;
    case SIGBUS:
        return siCode == BUS_ADRALN ? FaultCode::DatatypeMisalignment : FaultCode::InPageError;
    case SIGFPE:
        switch (siCode) {
        case FPE_INTDIV:
            return FaultCode::IntDivideByZero;
        case FPE_INTOVF:
            return FaultCode::IntOverflow;
        case FPE_FLTDIV:
            return FaultCode::FltDivideByZero;
        case FPE_FLTOVF:
            return FaultCode::FltOverflow;
        case FPE_FLTUND:
            return FaultCode::FltUnderflow;
        case FPE_FLTRES:
            return FaultCode::FltInexactResult;
        case FPE_FLTSUB:
            return FaultCode::ArrayBoundsExceeded;
        default:
            return FaultCode::FltInvalidOperation;
        }
    case SIGILL:
        return (siCode == ILL_PRVOPC || siCode == ILL_PRVREG) ? FaultCode::PrivInstruction
                                                              : FaultCode::IllegalInstruction;
    case SIGTRAP:
        return siCode == TRAP_TRACE ? FaultCode::SingleStep : FaultCode::Breakpoint;
    default:
        return 0;
    }
}

void InstallFaultSignals(FaultReporter report) {
    reporter = report;
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) == 0) {
        void* addr = nullptr;
        size_t size = 0;
        if (pthread_attr_getstack(&attr, &addr, &size) == 0) {
            stackLow = reinterpret_cast<uintptr_t>(addr);
            stackHigh = stackLow + size;
        }
        pthread_attr_destroy(&attr);
    }
    stack_t ss{};
    ss.ss_sp = altStack;
    ss.ss_size = sizeof altStack;
    sigaltstack(&ss, nullptr);
    struct sigaction sa {};
    sa.sa_sigaction = onSignal;
    sa.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESETHAND;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP})
        sigaction(sig, &sa, nullptr);
}

void RunAndWait(const char* program, char* const* args) {
    const pid_t pid = fork();
    if (pid == 0) {
        execv(program, args);
        _exit(127);
    }
    if (pid > 0) {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
}

void WriteToStderr(const char* text, unsigned long length) {
    while (length > 0) {
        const ssize_t n = write(STDERR_FILENO, text, length);
        if (n <= 0)
            return;
        text += n;
        length -= static_cast<unsigned long>(n);
    }
}

void ExitNow(int code) {
    _exit(code);
}

bool OwnProgramFile(char* out, unsigned long capacity) {
    if (capacity == 0)
        return false;
    const ssize_t n = readlink("/proc/self/exe", out, capacity - 1);
    if (n <= 0) {
        out[0] = '\0';
        return false;
    }
    out[n] = '\0';
    return true;
}
