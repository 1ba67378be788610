#include "tandrix/FaultReportBox.h"

#include "tandrix/FaultReport.h"
#include "ui/Message.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int ShowFaultReport(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString text = QString::fromUtf8(argv[2]);
    if (argc > 3 && std::strcmp(argv[3], FaultReportAutoClose) == 0) {
        // Tests cannot click: print what the box shows and close it once it is up.
        QTimer* poll = new QTimer(&app);
        QObject::connect(poll, &QTimer::timeout, [poll] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                std::printf("%s\n%s\n", qPrintable(box->windowTitle()), qPrintable(box->text()));
                std::fflush(stdout);
                poll->stop();
                box->accept();
            }
        });
        poll->start(50);
    }
    Message(text);
    return 0;
}

namespace {
int recurse(int depth) {
    volatile char pad[4096];
    pad[0] = char(depth);
    // Called through a volatile pointer so the compiler keeps every frame.
    int (*volatile self)(int) = recurse;
    return self(depth + 1) + pad[0];
}
} // namespace

void FaultOnPurpose(const char* kind) {
    if (std::strcmp(kind, "fpe") == 0) {
        // The processor's own division, so no sanitizer steps in before the trap.
#if defined(__x86_64__)
        unsigned zero = 0, dividend = 1, high = 0;
        asm volatile("divl %2" : "+a"(dividend), "+d"(high) : "r"(zero));
#else
        volatile int zero = 0;
        volatile int r = 1 / zero;
        (void)r;
#endif
    } else if (std::strcmp(kind, "stack") == 0) {
        recurse(0);
    }
    // An address in the never-mapped first page, but not null itself, which sanitizers would catch.
    volatile uintptr_t address = 64;
    volatile int* nowhere = reinterpret_cast<volatile int*>(uintptr_t(address));
    *nowhere = 1;
    std::abort();
}
