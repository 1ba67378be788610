#pragma once

#include "commonstate/CommonState.h"

#include <QString>

// What a scan does with the common state of its two roots kept in `folder`: marks the rows with
// what happened since it was kept (MarkRows), and after a complete scan keeps the new state when
// it differs (a missing or damaged file is replaced then). An empty folder or a key without roots
// keeps nothing and marks nothing.
// The rows' dates were made with `utcOffset`; `ignoreDate` is the set's option of comparing sizes only.
void KeepStateOfScan(const QString& folder, const StateKey& key, RowList& rows, const SideTree& side1,
                     const SideTree& side2, const ScanReport& report, const Settings& settings, bool complete,
                     int32_t now, int64_t utcOffset, bool ignoreDate);

// The state kept in `folder` for two roots, for a sync that asks what it says (an empty state
// where nothing is kept).
CommonState KeptState(const QString& folder, const StateKey& key);

// Adds what a sync did to the kept state.
void KeepStateOfSync(const QString& folder, const StateKey& key, const SyncOutcome& outcome, int32_t now);
