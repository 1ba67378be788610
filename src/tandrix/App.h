#pragma once

#include "tandrix/AppState.h"
#include "ui/MainForm.h"

#include <QObject>

// The program between start-up and shutdown: it owns the state and the main window, and turns
// every menu choice and control event into a call of the handler that owns it.
class App : public QObject {
    Q_OBJECT
public:
    explicit App(const QString& programDir);
    ~App() override;

    // Start-up from the scale to the loaded settings. False when the main window cannot be
    // opened; the message has been shown then and the settings file was not touched.
    bool open();
    // Saves the settings and closes the main window.
    void shutdown();

    void menuEvent(int item);
    void controlEvent(int control, int type = 0);
    // The close request of the main window and "Beenden".
    void requestQuit();
    bool quitRequested() const { return quit; }

    AppState state;
    MainForm form;

signals:
    void quitNow();

private:
    void connectEvents();
    void afterEvent();
    bool quit = false;
};
