// The program as the fault report's tests start it: the same code as the shipped Tandrix plus a
// switch that makes it fault on purpose, "--tandrix-test-fault=<kind>". Built for the tests only
// and never installed; the shipped program reads no arguments at all.
#include "platform/Threads.h"
#include "tandrix/FaultReport.h"
#include "tandrix/Program.h"

#include <QTimer>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <pthread.h>
#include <signal.h>
#include <stdexcept>
#include <thread>

namespace {

constexpr const char* Switch = "--tandrix-test-fault=";

int recurse(int depth) {
    volatile char pad[4096];
    pad[0] = char(depth);
    // Called through a volatile pointer so the compiler keeps every frame.
    int (*volatile self)(int) = recurse;
    return self(depth + 1) + pad[0];
}

[[noreturn]] void invalidAccess() {
    // An address in the never-mapped first page, but not null itself, which sanitizers would catch.
    volatile uintptr_t address = 64;
    volatile int* nowhere = reinterpret_cast<volatile int*>(uintptr_t(address));
    *nowhere = 1;
    std::abort();
}

void divideByZero() {
    // The processor's own division, so no sanitizer steps in before the trap.
#if defined(__x86_64__)
    unsigned zero = 0, dividend = 1, high = 0;
    asm volatile("divl %2" : "+a"(dividend), "+d"(high) : "r"(zero));
#else
    volatile int zero = 0;
    volatile int r = 1 / zero;
    (void)r;
#endif
}

// A thread that allocates and frees without pause, so it holds the allocator's lock most of the
// time, as a thread does that faults inside malloc or free after heap damage.
pthread_t startAllocating() {
    std::thread thread([] {
        PrepareWorkerThread();
        unsigned n = 1;
        for (;;) {
            n = n * 1103515245u + 12345u;
            auto* p = static_cast<volatile char*>(std::malloc(16 + n % 8192));
            p[0] = 1;
            std::free(const_cast<char*>(p));
        }
    });
    const pthread_t id = thread.native_handle();
    thread.detach();
    return id;
}

void faultOnPurpose(const std::string& kind) {
    if (kind == "fpe")
        divideByZero();
    else if (kind == "stack")
        recurse(0);
    else if (kind == "threadstack")
        std::thread([] {
            PrepareWorkerThread();
            recurse(0);
        }).join();
    else if (kind == "abort")
        std::abort();
    else if (kind == "terminate")
        std::thread([] { throw std::runtime_error("nicht gefangen"); }).join();
    invalidAccess();
}

void arm(const std::string& kind) {
    if (kind == "heap") {
        // The fault strikes one allocating thread while another keeps the allocator busy.
        const pthread_t victim = startAllocating();
        startAllocating();
        QTimer::singleShot(100, [victim] { pthread_kill(victim, SIGSEGV); });
        return;
    }
    QTimer::singleShot(100, [kind] { faultOnPurpose(kind); });
}

} // namespace

int main(int argc, char** argv) {
    const bool faulting = argc > 1 && std::strncmp(argv[1], Switch, std::strlen(Switch)) == 0;
    InstallFaultReport(faulting);
    const std::string kind = faulting ? argv[1] + std::strlen(Switch) : "";
    return RunProgram([kind] {
        if (!kind.empty())
            arm(kind);
    });
}
