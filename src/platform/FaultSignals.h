#pragma once

#include <cstdint>

// Fault signals (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP) are caught on an alternate stack, so a
// stack overflow is caught too. The handler maps the signal to a fault code with `classify`-like
// rules and calls `report(code)`, which must be async-signal-safe and must not return.
using FaultReporter = void (*)(int32_t code);
void InstallFaultSignals(FaultReporter report);

// The mapping from a signal and its si_code (and whether the address lies in the stack's guard
// area) to a fault code.
int32_t FaultCodeForSignal(int signal, int siCode, bool onStackGuard);

// Starts `program` with `args` (a null-terminated argv) and waits for it; async-signal-safe.
void RunAndWait(const char* program, char* const* args);

// Writes text to standard error; async-signal-safe.
void WriteToStderr(const char* text, unsigned long length);

// Ends the process at once with this exit code, without running any clean-up.
[[noreturn]] void ExitNow(int code);

// The full path of the running program file, read before anything else runs.
bool OwnProgramFile(char* out, unsigned long capacity);
