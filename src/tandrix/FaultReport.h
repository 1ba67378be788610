#pragma once

// The report after an unrecoverable fault (a fault signal, abort(), std::terminate) on any thread:
// the three-line text goes to standard error and into a message box shown by the report helper,
// a process made here before anything else runs, as nothing in the faulting process may allocate,
// take a lock or touch Qt any more. Then the process ends with code 0 without saving the
// settings. Call as the first statement of the program, while it has no other thread.
// `closeReportByItself` is for tests: the box prints what it shows and closes once it is up.
void InstallFaultReport(bool closeReportByItself);
