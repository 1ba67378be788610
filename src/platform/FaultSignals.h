#pragma once

#include <cstddef>
#include <cstdint>

// Marks each function on a fault's path that calls one that does not return. Under
// AddressSanitizer the compiler puts __asan_handle_no_return before every such call; on the
// alternate signal stack that asks pthread_getattr_np for the thread's stack, which allocates
// through the sanitizer's allocator, and a thread that faulted inside that allocator holding its
// lock then waits for itself forever. Those calls end the process or block for good, so no stack
// is left to clean up. Without the sanitizer the mark does nothing.
#define TANDRIX_FAULT_PATH __attribute__((no_sanitize("address")))

// Fault signals (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, and SIGABRT, which abort() raises) are
// caught on the faulting thread's alternate stack, so a stack overflow is caught too. The handler
// maps the signal to a fault code with FaultCodeForSignal and calls `report(code)`, which must be
// async-signal-safe and must not return. The calling thread gets its alternate stack here; every
// other thread the program starts calls PrepareWorkerThread() (platform/Threads.h) first thing.
using FaultReporter = void (*)(int32_t code);
void InstallFaultSignals(FaultReporter report);

// The mapping from a signal and its si_code (and whether the address lies in the stack's guard
// area) to a fault code.
int32_t FaultCodeForSignal(int signal, int siCode, bool onStackGuard);

// Writes text to standard error; async-signal-safe.
void WriteToStderr(const char* text, size_t length);

// Ends the process at once with this exit code, without running any clean-up.
[[noreturn]] void ExitNow(int code);

// Blocks the calling thread until the process ends; async-signal-safe. For a thread that faults
// while another one is already reporting.
[[noreturn]] void WaitForProcessEnd();
