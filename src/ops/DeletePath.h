#pragma once

#include "ops/Removal.h"
#include "platform/FileOps.h"
#include "scan/ResultRow.h"

#include <QHash>
#include <QString>

// Deletes one file (a write-protected file is refused), or one directory with everything beneath
// it (write protection inside is cleared first). True when the object named by fullPath is gone.
bool DeletePath(const QString& fullPath, int* error = nullptr);

enum class Deletion { Deleted, Gone, Kept };

// What the scan saw beneath a folder on one side: each listed entry by its path below the folder
// as spelled on that side (a folder's ending in "/"), and when the scan began. An entry the scan
// did not list (the filter left it out) counts as seen where its file system keeps change times
// and it has not changed since before the scan.
struct SeenBeneath {
    QHash<QString, ExpectedEntry> entries;
    int64_t scanStartedUtc = 0;
};

// The rows beneath `folderRow` present on `side`.
SeenBeneath SeenBeneathFolder(const RowList& rows, int folderRow, int side, int64_t utcOffset,
                              int64_t scanStartedUtc);

// Removes the entry at `root` + `path` the run's way (trash or for good) when the name still
// leads to the entry the scan saw (`expected`), never through a link in the path's folders. A
// folder: with `seen`, only what the scan saw goes: as one entry when everything in it is as
// seen, else (`partly`) entry by entry, keeping what is new or changed with the folders above it;
// without `seen`, only when it is empty. Gone already counts as Gone; Kept comes with `reason`,
// the row's tool tip.
Deletion DeleteSeenEntry(Removal& removal, const QString& root, const QString& path,
                         const ExpectedEntry& expected, const SeenBeneath* seen, bool partly,
                         QString& reason);
