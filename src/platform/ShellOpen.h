#pragma once

#include <QString>

// Hands a path to the desktop's default handler (a folder opens in the file manager), without
// waiting and without checking the result. No command line is ever built from the path.
void ShellOpen(const QString& path);
