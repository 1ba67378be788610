#pragma once

// The report after an unrecoverable fault: the three-line text goes to standard error and into a
// message box shown by a fresh process of the program (nothing in the faulting process may
// allocate or touch Qt any more), then the process ends with code 0 without saving the settings.
void InstallFaultReport(const char* programPath, bool closeReportByItself);

// The private first argument with which the program is started to show a report.
inline constexpr const char* FaultReportMarker = "--tandrix-fault-report";
// A second marker for tests: the report box closes by itself once it has been shown.
inline constexpr const char* FaultReportAutoClose = "--close-by-itself";
