#pragma once

#include <QString>

// A copy of the program counts as installed when it lies in a folder named "bin" and its own
// desktop entry lies in ../share/applications beside it. programDir ends with the separator.
bool IsInstalledLayout(const QString& programDir);

// Where Tandrix.ini lives: beside the program for every copy that is not installed (a build
// folder, a stick); for an installed copy in the user's configuration folder, unless a
// Tandrix.ini already lies beside the program.
QString SettingsFilePath(const QString& programDir);

// Creates the folder that is to hold the settings file, with its parents; true when it exists.
bool EnsureSettingsFolder(const QString& settingsPath);
