#pragma once

#include "commonstate/CommonState.h"

#include <functional>
#include <vector>

// An entry deleted on one side (row `deletedRow`, still on the other side) that is the entry of
// row `newRow` (on the first side only) under another name or in another folder: the other side
// can rename its entry instead of copying the new one and deleting the old. A folder move covers
// everything beneath both folders.
struct Move {
    int deletedRow;
    int newRow;
    bool folder;
};

// Tells whether the file of a deleted row (on the side where it still exists) holds the same bytes
// as the file of a new row.
using SameContents = std::function<bool(const ResultRow& deletedRow, const ResultRow& newRow)>;

// What proves a new file the deleted one: the same bytes, or the same inode number together with
// the same birth time (a freed inode number is given to the next file made, so the number alone
// proves nothing).
struct MoveProof {
    SameContents sameContents;
    // When the entry of a row on a side was made (nanoseconds since 1970); 0 where unknown.
    std::function<uint64_t(const ResultRow& row, int side)> birthOf;
    int64_t utcOffset = 0; // what the rows' dates were made with
};

// The moves among the rows to delete (`deleting`: their entry is deleted on one side and is to be
// deleted on the other) and the selected new rows that are certain: a new file (on side s only,
// unknown to the state) is the deleted one when its size and date on side s are those remembered
// of the deleted one there (as exactly as that side keeps them), no other deleted or new file has
// them, and `proof` holds: its inode and birth time on side s are the ones remembered, or its bytes
// are the same. A new folder is a deleted one when everything beneath both is the same, file by
// file and folder by folder, with at least one file. Where that is not certain there is no move.
std::vector<Move> FindMoves(const CommonState& state, const RowList& rows, const std::vector<bool>& deleting,
                            const std::vector<bool>& selected, const Settings& settings,
                            const MoveProof& proof);
