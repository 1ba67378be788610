#include "tandrix/FaultReport.h"

#include "platform/FaultSignals.h"
#include "platform/ReportHelper.h"
#include "tandrix/FaultReportBox.h"
#include "tandrix/FaultTexts.h"

#include <atomic>
#include <exception>

namespace {

char reportText[512];
bool autoClose = false;

static_assert(std::atomic<int>::is_always_lock_free, "the report's guard must be safe in a signal handler");
std::atomic<int> reporting{0};
__attribute__((tls_model("initial-exec"))) thread_local bool inReport = false;

[[noreturn]] TANDRIX_FAULT_PATH void report(int32_t code) {
    if (inReport)
        ExitNow(0); // the report itself faulted: nothing more can be shown
    inReport = true;
    // One report per process: a second thread that faults meanwhile waits for the end.
    if (reporting.exchange(1) != 0)
        WaitForProcessEnd();
    const size_t length = FormatFaultReport(reportText, sizeof reportText, -1, code);
    WriteToStderr(reportText, length);
    WriteToStderr("\n", 1);
    ShowThroughReportHelper(reportText, length);
    ExitNow(0);
}

void reportTermination() {
    report(FaultCode::FailFast);
}

int showInHelper(const char* text) {
    return ShowFaultReport(text, autoClose);
}

} // namespace

void InstallFaultReport(bool closeReportByItself) {
    autoClose = closeReportByItself;
    StartReportHelper(showInHelper);
    InstallFaultSignals(report);
    std::set_terminate(reportTermination);
}
