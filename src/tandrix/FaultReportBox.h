#pragma once

// Shows a fault report in the program's message box, in the report helper; returns the exit code.
// With `closeByItself` (tests cannot click) it prints the box's title and text to standard output
// and closes the box once it is up.
int ShowFaultReport(const char* text, bool closeByItself);
