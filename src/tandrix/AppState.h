#pragma once

#include "commonstate/KeepCommonState.h"
#include "ops/FreeSpace.h"
#include "scan/ResultRow.h"
#include "sets/SyncSet.h"
#include "ui/LayoutRegistry.h"
#include "ui/Scale.h"

#include <QHash>
#include <QString>

// Remembered geometry of the information window, kept only while the program runs.
struct InfoGeometry {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// Everything the program keeps between events. One instance, owned by the program entry
// (or by a test), passed by reference to every handler.
struct AppState {
    QString ProgramDir; // ends with the separator
    // Where Tandrix.ini is read and written; chosen at start-up with SettingsFilePath(ProgramDir).
    QString settingsFile;
    QString settingsPath() const {
        return settingsFile.isEmpty() ? ProgramDir + QStringLiteral("Tandrix.ini") : settingsFile;
    }

    // This computer's name and machine id, and the folder where the common states of folder pairs
    // are kept (empty: none is kept); set at start-up. A test plays two computers by changing them.
    QString hostName;
    QString machineId;
    QString commonStateFolder;
    // How the last scan met its memory of the last sync, for the sync that follows it.
    ScanMemory memory;
    MemoryCheck memoryCheck;
    // States whose save failed in this run, by file name: they stand for the kept ones, which are
    // out of date, until a save succeeds. The failure is told once per run.
    QHash<QString, CommonState> unsavedMemories;
    bool memoryFailureTold = false;

    Settings settings;
    SetList sets;
    ScanState scan;
    ResultRows rows;

    Scale scale;
    LayoutRegistry registry;
    InfoGeometry infoGeometry;

    // The volume query the free-space workers run; empty means the real one. A test puts one here
    // that hangs as on a dead mount.
    FreeSpaceQuery freeSpaceQuery;

    // The note about files dated in the future was shown: it comes once per run of the program.
    bool futureNoteShown = false;

    // True while a handler runs: events that arrive meanwhile get only their default handling.
    bool busy = false;
};
