#pragma once

#include "scan/CommonState.h"

#include <QString>
#include <vector>

// What a scan does with the common state of its two roots kept in `folder`: marks the rows of
// files changed on both sides since it was kept, and after a complete scan keeps the new state
// when it differs (a missing or damaged file is replaced then). An empty folder or a key without
// roots keeps nothing and marks nothing.
void KeepStateOfScan(const QString& folder, const StateKey& key, RowList& rows, const SideTree& side1,
                     const SideTree& side2, const FilePairs& pairs, const Settings& settings, bool complete,
                     int32_t now);

// Adds the files a sync has put in step to the kept state.
void KeepStateOfSync(const QString& folder, const StateKey& key, const std::vector<SyncedFile>& files,
                     int32_t now);
