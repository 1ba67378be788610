#pragma once

// The process that shows a fault report: argv[2] holds the text. Returns the exit code.
int ShowFaultReport(int argc, char** argv);

// Test hook: faults on purpose in the way named ("segv", "fpe" or "stack").
[[noreturn]] void FaultOnPurpose(const char* kind);
