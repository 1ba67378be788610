#pragma once

#include "scan/ResultRow.h"
#include "sets/SyncSet.h"

#include <QString>
#include <cstdint>

// 1 when a is newer, -1 when b is newer, 0 when the two times count as equal: within the
// tolerance, or within the tolerance of one of the two daylight-saving shifts.
int CompareTimes(int32_t a, int32_t b, const Settings& settings);

// Whether two paths are equal after lower-casing all their letters.
bool SameLowerPath(const QString& a, const QString& b);

// What the comparison reads besides the rows.
struct MatchOptions {
    bool IgnoreDateFlag = false;
    bool OnlyToTargetFlag = false;
    bool OnlyToSourceFlag = false;
};
MatchOptions MatchOptionsOf(const ScanState& scan);

// Sorts the rows by path, pairs neighbouring rows of the same path, drops what needs nothing,
// keeps the newer side's row filled in with the other side's size and date, and applies the
// direction filter. The last row becomes current.
void MatchRows(ResultRows& rows, const Settings& settings, const MatchOptions& options);
