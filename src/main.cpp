#include "tandrix/FaultReport.h"
#include "tandrix/Program.h"

// The program takes no arguments: they are not even looked at.
int main() {
    InstallFaultReport(false);
    return RunProgram();
}
