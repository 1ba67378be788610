#pragma once

#include "scan/ResultRow.h"

#include <vector>

// Whether a row's entry was deleted on one side since the last sync and is unchanged on the other.
bool DeletedSinceSync(const ResultRow& row);

// The rows the answer "Auch dort löschen" deletes where their entries still exist, from the rows
// the user chose (`chosen`, in the order of the sorted rows): each chosen deleted row, and with a
// chosen deleted folder every deleted row beneath it. A folder goes only with everything in it
// that is itself deleted: one holding a row that is not (new, or changed since) is kept, with the
// folders above that row, so it can be copied back.
std::vector<bool> RowsToDeleteThere(const RowList& rows, const std::vector<bool>& chosen);

// The end of the rows beneath a folder row: they follow it, spelled with its path before theirs.
int EndBeneath(const RowList& rows, int folderRow);
