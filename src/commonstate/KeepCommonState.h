#pragma once

#include "commonstate/CommonState.h"
#include "commonstate/MemoryCheck.h"

#include <QString>
#include <optional>

// Where a scan's memory of the last sync is kept and what its two roots lie on now.
struct ScanMemory {
    QString folder; // empty: no memory is kept
    StateKey key;   // without roots: no memory is kept
    FileSystemIdentity identity[2];

    bool keeps() const { return !folder.isEmpty() && !key.root1.isEmpty() && !key.root2.isEmpty(); }
};

// What became of the memory in a scan or a sync, for the user.
struct MemoryOutcome {
    MemoryCheck check;
    // The memory is not current (its last save failed): no deletion or rename is proposed from it.
    bool notCurrent = false;
    // Whether the state was saved; why the save failed (empty when nothing failed), and then the
    // state that was to be saved.
    bool saved = false;
    QString saveError;
    std::optional<CommonState> unsaved;
};

// The state kept for two roots (an empty state where nothing is kept). `unsaved` is the state a
// failed save of this run left, which stands for the kept one.
CommonState KeptState(const ScanMemory& memory, const CommonState* unsaved = nullptr);
// The same for a key alone.
CommonState KeptState(const QString& folder, const StateKey& key);

// What a scan does with the memory `before` (from KeptState): sees whether it is sure of both
// sides (MemoryCheck); where it is, marks the rows with what happened since it was kept
// (MarkRows), and after a complete scan keeps the new state with what the roots lie on now. Where
// a side is another or an emptied medium, nothing is marked and the memory stays as it was, for
// the medium it remembers. The rows' dates were made with `utcOffset`; `ignoreDate` is the set's
// option of comparing sizes only. A save that fails, or `current` false (an earlier save of this run
// failed), leaves the rows without deletions (their marks of changes on both sides stay).
MemoryOutcome KeepStateOfScan(const ScanMemory& memory, const CommonState& before, bool current,
                              RowList& rows, const SideTree& side1, const SideTree& side2,
                              const ScanReport& report, const Settings& settings, bool complete, int32_t now,
                              int64_t utcOffset, bool ignoreDate);

// Adds what a sync did to the kept state (`base`, from KeptState). Where the scan found a side to
// be another medium (or the memory another installation's), the memory starts anew from what the
// sync did, for the media now in step.
MemoryOutcome KeepStateOfSync(const ScanMemory& memory, const MemoryCheck& scanned, CommonState base,
                              const SyncOutcome& outcome, int32_t now);

// Leaves the rows without the deletions the memory told of.
void ForgetDeletions(RowList& rows);
