#include "tandrix/FaultReportBox.h"

#include "ui/Message.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>

int ShowFaultReport(const char* text, bool closeByItself) {
    static int argc = 1;
    static char name[] = "Tandrix";
    static char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    if (closeByItself) {
        QTimer* poll = new QTimer(&app);
        QObject::connect(poll, &QTimer::timeout, [poll] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                std::printf("%s\n%s\n", qPrintable(box->windowTitle()), qPrintable(box->text()));
                std::fflush(stdout);
                poll->stop();
                box->accept();
            }
        });
        poll->start(10);
    }
    Message(QString::fromUtf8(text));
    return 0;
}
