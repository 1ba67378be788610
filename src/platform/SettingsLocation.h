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

// Where the common states of the folder pairs are kept: beside the settings file when that lies
// beside the program (a build folder, a stick), else, for an installed copy, in the user's data
// folder. Empty when there is no such folder.
QString CommonStateFolder(const QString& programDir, const QString& settingsPath);
