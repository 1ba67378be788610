#pragma once

#include "commonstate/CommonState.h"

#include <cstdint>

// Which sides of a file changed since the last sync: a side's own file against what the memory
// recorded for that side, as exactly as the side's file system keeps it. Where times are kept
// exactly (in UTC), the size and the second must be the same; only where the medium itself can
// shift a time (FAT keeps local time in steps of two seconds, exFAT and FUSE drivers round) do the
// tolerances for comparing two clocks apply. The one answer serves red rows, deletions, renames
// and the direction of a row.
enum SidesChanged : uint8_t { NeitherChanged = 0, Side1Changed = 1, Side2Changed = 2, BothChanged = 3 };

struct FileNow {
    int64_t size;
    int32_t date;      // local seconds, made with `utcOffset`
    int64_t utcOffset; // seconds east of UTC of the scan
    bool exactTimes;   // the side's file system keeps times exactly
};

bool ChangedOn(int side, const FileNow& now, const RememberedFile& remembered, const Settings& settings);

// The sides of a row's file that changed since `remembered`; a side without the file counts as
// changed.
uint8_t SidesChangedOf(const ResultRow& row, const RememberedFile& remembered, const Settings& settings,
                       int64_t utcOffset);
