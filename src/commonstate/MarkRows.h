#pragma once

#include "commonstate/CommonState.h"

// What marking rows reads besides the state.
struct MarkOptions {
    // What the scan found on each side; without them no one-sided row is taken for a deletion.
    const SideTree* trees[2] = {nullptr, nullptr};
    int64_t utcOffset = 0;   // what the rows' dates were made with
    bool ignoreDate = false; // the set compares sizes only: the rows keep their directions
};

// Marks the rows with what `state` says happened to their entries since the two sides were last
// in step. Each row is looked up by its exact spelling (StateLookup), and one remembered entry
// marks one row at most:
// - a file on both sides whose two sides both changed (ChangedSince), or that the state does not
//   know at all while it knows the root (new on both sides), is `bothChanged` since the time of
//   that entry, or of the nearest recorded folder above;
// - a file on both sides changed on one side only is copied from that side, also when its date is
//   older there (`olderWins`): the change wins over the clock;
// - a file on one side only that was in step is deleted on the other side (`sinceSync`), and
//   changed on its own side as well when it differs from what that side had;
// - a folder on one side only that was on both is deleted on the other side.
// A one-sided entry whose name, or a folder's name above it, is still on the other side in other
// letter case, or that cannot be put on the other side at all (`blocked`), is never taken for a
// deletion: the other side may hold it under that spelling. A file only seen on both sides before
// marks nothing.
void MarkRows(RowList& rows, const CommonState& state, const Settings& settings,
              const MarkOptions& options = {});

// Turns a row to copy from the other side: its paths and its action (not its `side`, which a
// sync uses as its mark).
void TurnRow(ResultRow& row);
