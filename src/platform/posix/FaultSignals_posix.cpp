#include "platform/FaultSignals.h"

#include "platform/Threads.h"

#include "tandrix/FaultTexts.h"

#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr int FaultSignalList[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGABRT};
constexpr size_t AltStackBytes = 128 * 1024;

FaultReporter reporter = nullptr;

// The running thread's own stack, read when its alternate stack is set up: the handler may not
// ask for it (pthread_getattr_np allocates). Static TLS, so reading it takes no lock.
__attribute__((tls_model("initial-exec"))) thread_local uintptr_t stackLow = 0;
__attribute__((tls_model("initial-exec"))) thread_local uintptr_t stackHigh = 0;

void noteThreadStack() {
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) != 0)
        return;
    void* addr = nullptr;
    size_t size = 0;
    if (pthread_attr_getstack(&attr, &addr, &size) == 0) {
        stackLow = reinterpret_cast<uintptr_t>(addr);
        stackHigh = stackLow + size;
    }
    pthread_attr_destroy(&attr);
}

bool onGuard(const void* address) {
    const uintptr_t a = reinterpret_cast<uintptr_t>(address);
    // The guard lies right below the stack; a fault a little below or at its low end is an overflow.
    const uintptr_t margin = 1024 * 1024;
    return stackLow != 0 && a < stackLow + 64 * 1024 && a + margin >= stackLow && a < stackHigh;
}

TANDRIX_FAULT_PATH void onSignal(int sig, siginfo_t* info, void*) {
    // Only a fault the kernel raised has an address; a signal sent by a process has none.
    const bool fromKernel = info && info->si_code > 0;
    const int32_t code = FaultCodeForSignal(sig, fromKernel ? info->si_code : 0,
                                            sig == SIGSEGV && fromKernel && onGuard(info->si_addr));
    if (reporter)
        reporter(code);
    _exit(0);
}

// The thread's alternate stack while the thread lives. One page below it stays unmapped, so a
// handler that overflows it faults instead of writing into whatever lies beneath. A stack the
// thread had before (a sanitizer's) is given back at the end, as its owner frees it then.
struct AlternateStack {
    void* memory = nullptr;
    size_t length = 0;
    stack_t previous{};

    AlternateStack() {
        noteThreadStack();
        const size_t page = size_t(sysconf(_SC_PAGESIZE));
        void* mapped = mmap(nullptr, AltStackBytes + page, PROT_READ | PROT_WRITE,
                            MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
        if (mapped == MAP_FAILED)
            return;
        mprotect(mapped, page, PROT_NONE);
        stack_t ss{};
        ss.ss_sp = static_cast<char*>(mapped) + page;
        ss.ss_size = AltStackBytes;
        if (sigaltstack(&ss, &previous) != 0) {
            munmap(mapped, AltStackBytes + page);
            return;
        }
        memory = mapped;
        length = AltStackBytes + page;
        previous.ss_flags &= ~SS_ONSTACK;
    }
    ~AlternateStack() {
        if (!memory)
            return;
        sigaltstack(&previous, nullptr);
        munmap(memory, length);
    }
    AlternateStack(const AlternateStack&) = delete;
    AlternateStack& operator=(const AlternateStack&) = delete;
};

} // namespace

void PrepareWorkerThread() {
    thread_local const AlternateStack stack;
}

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
    case SIGABRT:
        return FaultCode::FailFast;
    default:
        return 0;
    }
}

void InstallFaultSignals(FaultReporter report) {
    reporter = report;
    PrepareWorkerThread();
    struct sigaction sa {};
    sa.sa_sigaction = onSignal;
    // SA_NODEFER: a fault inside the report reaches the handler again, which then ends the
    // process quietly, rather than the kernel killing it.
    sa.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
    sigfillset(&sa.sa_mask);
    for (int sig : FaultSignalList)
        sigdelset(&sa.sa_mask, sig);
    for (int sig : FaultSignalList)
        sigaction(sig, &sa, nullptr);
}

void WriteToStderr(const char* text, size_t length) {
    while (length > 0) {
        const ssize_t n = write(STDERR_FILENO, text, length);
        if (n <= 0)
            return;
        text += n;
        length -= size_t(n);
    }
}

TANDRIX_FAULT_PATH void ExitNow(int code) {
    _exit(code);
}

void WaitForProcessEnd() {
    for (;;)
        pause();
}
