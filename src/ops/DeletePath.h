#pragma once

#include "platform/FileOps.h"

#include <QString>

// Deletes one file (a write-protected file is refused), or one directory with everything beneath
// it (write protection inside is cleared first). True when the object named by fullPath is gone.
bool DeletePath(const QString& fullPath, int* error = nullptr);

enum class Deletion { Deleted, Gone, Kept };

// Deletes the entry at `root` + `path` when the name still leads to the entry the scan saw
// (`expected`), never through a link in the path's folders: a folder with everything beneath it
// (`wholeTree`), or only when it is empty. Gone already counts as Gone; Kept comes with `reason`,
// the row's tool tip.
Deletion DeleteSeenEntry(const QString& root, const QString& path, const ExpectedEntry& expected,
                         bool wholeTree, QString& reason);
