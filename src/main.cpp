#include "platform/FaultSignals.h"
#include "tandrix/App.h"
#include "tandrix/FaultReport.h"
#include "tandrix/FaultReportBox.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>
#include <cstring>

namespace {
char programFile[4096];
constexpr const char* testFaultMarker = "--tandrix-test-fault=";
} // namespace

int main(int argc, char** argv) {
    OwnProgramFile(programFile, sizeof programFile);
    const char* testFault = nullptr;
    if (argc > 1 && std::strncmp(argv[1], testFaultMarker, std::strlen(testFaultMarker)) == 0)
        testFault = argv[1] + std::strlen(testFaultMarker);
    InstallFaultReport(programFile, testFault != nullptr);

    if (argc > 2 && std::strcmp(argv[1], FaultReportMarker) == 0)
        return ShowFaultReport(argc, argv);

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tandrix"));
    QApplication::setQuitOnLastWindowClosed(false);
    QTranslator qtGerman;
    if (qtGerman.load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtGerman);

    // Armed before start-up, which may already wait in a box asking for a first set.
    if (testFault)
        QTimer::singleShot(300, [testFault] { FaultOnPurpose(testFault); });
    App app(QApplication::applicationDirPath());
    if (!app.open())
        return 0;
    QObject::connect(&app, &App::quitNow, &application, &QApplication::quit);
    application.exec();
    app.shutdown();
    return 0;
}
