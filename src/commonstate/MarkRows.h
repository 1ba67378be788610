#pragma once

#include "commonstate/CommonState.h"

// Marks the rows with what `state` says happened to their entries since the two sides were last
// in step:
// - a file on both sides whose two sides both differ (size, or date beyond the tolerances) from
//   what they had in common, or that the state does not know at all while it knows the root
//   (new on both sides), is `bothChanged` since the time of that entry, or of the nearest
//   recorded folder above;
// - a file on one side only that was in step is deleted on the other side (`sinceSync`), and
//   changed on its own side as well when it differs from what that side had;
// - a folder on one side only that was on both is deleted on the other side.
// A file only seen on both sides before marks nothing.
void MarkRows(RowList& rows, const CommonState& state, const Settings& settings);
