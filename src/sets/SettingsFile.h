#pragma once

#include "sets/SyncSet.h"

#include <QString>
#include <QStringList>
#include <array>
#include <vector>

// The main window as the settings file keeps it: outer frame position, inner size and state.
struct WindowPlacement {
    enum class State { Normal, Maximized, Minimized };
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    State state = State::Normal;
};

// One column of the result list: title, settings key of its width and the width without that key.
struct ResultColumnSpec {
    const char16_t* title;
    const char16_t* widthKey;
    int defaultWidth;
};
constexpr int ResultColumnCount = 7;
extern const std::array<ResultColumnSpec, ResultColumnCount> ResultColumnSpecs;

constexpr int CurrentIniVersion = 81107;

// What the settings file says, with defaults where it says nothing.
struct LoadedSettings {
    Settings settings;
    QString setCombo;
    bool moveWindow = false; // false: a "WinX" of 0 leaves the window where it is
    WindowPlacement window;
    bool maximize = false;
    std::array<int, ResultColumnCount> columnWidths{};
    bool hasSetsGroup = false;
    std::vector<SyncSet> sets;
};

// `current` gives the defaults of the window keys.
LoadedSettings ReadSettingsFile(const QString& path, const WindowPlacement& current);

struct SettingsToSave {
    Settings settings;
    QString setCombo;
    WindowPlacement window;
    std::array<int, ResultColumnCount> columnWidths{};
    std::vector<SyncSet> sets;
};

// Writes the file, anew when it is missing or older than the current version, else in place.
// A file this version did not write (another version, no group "Generell", UTF-16, bytes that are
// no text) is kept as a backup beside it first. Returns the messages to show, in order.
QStringList WriteSettingsFile(const QString& path, const SettingsToSave& data);

// Removes the key of the set from group "Sets" and its group "Set_<name>", keeping a backup first
// as WriteSettingsFile does. A file that cannot be opened stays as it is, without a message.
// Returns the messages to show.
QStringList RemoveSetFromFile(const QString& path, const QString& name);
