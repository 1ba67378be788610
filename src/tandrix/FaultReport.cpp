#include "tandrix/FaultReport.h"

#include "platform/FaultSignals.h"
#include "tandrix/FaultTexts.h"

#include <cstring>

namespace {
char programFile[4096];
char reportText[512];
char markerArg[64];
char autoCloseArg[64];
bool autoClose = false;

void report(int32_t code) {
    const size_t len = FormatFaultReport(reportText, sizeof reportText, -1, code);
    WriteToStderr(reportText, len);
    WriteToStderr("\n", 1);
    char* args[] = {programFile, markerArg, reportText, autoClose ? autoCloseArg : nullptr, nullptr};
    if (programFile[0])
        RunAndWait(programFile, args);
    ExitNow(0);
}

void copyInto(char* dst, size_t cap, const char* src) {
    std::strncpy(dst, src ? src : "", cap - 1);
    dst[cap - 1] = '\0';
}
} // namespace

void InstallFaultReport(const char* programPath, bool closeReportByItself) {
    copyInto(programFile, sizeof programFile, programPath);
    copyInto(markerArg, sizeof markerArg, FaultReportMarker);
    copyInto(autoCloseArg, sizeof autoCloseArg, FaultReportAutoClose);
    autoClose = closeReportByItself;
    InstallFaultSignals(report);
}
