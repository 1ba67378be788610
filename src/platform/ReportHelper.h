#pragma once

#include <cstddef>

// The process that shows the fault report. It is a copy of the program made at start-up, before
// any other thread exists, so its allocator and Qt are in a sound state whatever the faulting
// process has damaged, and it needs no program file on disk. It waits on a socket: when the
// program ends normally it ends unseen; when it receives a report text it calls `show` with it
// and exits with its result.
using ReportShower = int (*)(const char* text);
bool StartReportHelper(ReportShower show);

// Hands the text to the helper and waits until it has ended (the user closed the report).
// Async-signal-safe: no lock, no allocation. False when no helper runs.
bool ShowThroughReportHelper(const char* text, size_t length);
