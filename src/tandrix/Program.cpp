#include "tandrix/Program.h"

#include "tandrix/App.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int RunProgram(const std::function<void()>& afterStart) {
    static int argc = 1;
    static char name[] = "Tandrix";
    static char* argv[] = {name, nullptr};
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tandrix"));
    QApplication::setQuitOnLastWindowClosed(false);
    QTranslator qtGerman;
    if (qtGerman.load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtGerman);

    // Before start-up, which may already wait in a box asking for a first set.
    if (afterStart)
        afterStart();
    App app(QApplication::applicationDirPath());
    if (!app.open())
        return 0;
    QObject::connect(&app, &App::quitNow, &application, &QApplication::quit);
    application.exec();
    app.shutdown();
    return 0;
}
