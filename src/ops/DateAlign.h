#pragma once

#include "scan/ResultRow.h"

#include <QString>
#include <cstdint>
#include <optional>

// Offset of the local clock from UTC now, in seconds; the program's dates are local seconds.
int64_t CurrentUtcOffset();

// A file's date as the program counts it: local seconds since 1970, the fraction dropped. Empty
// when there is none to transfer: a missing path, a directory, or a time outside the 32-bit range.
std::optional<int32_t> ReadLocalDate(const QString& path, int64_t utcOffset);

// Sets a file's modification time to a local date, fraction zero. Directories and write-protected
// files are refused.
bool WriteLocalDate(const QString& path, int32_t date, int64_t utcOffset, int* error = nullptr);

// Carries the date of a row's entry from one side (0 or 1) to the other, each side's path under
// that side's own spelling, when the entry on the receiving side is still the one the scan saw
// (scanOffset: the offset the scan made the row's dates with). An entry on one side only, without a
// date to transfer, or whose path passes through a link on either side, changes nothing. Empty
// when the date was set, else why not.
QString AlignOneDate(const ResultRow& row, int fromSide, const QString& fromRoot, const QString& toRoot,
                     int64_t utcOffset, int64_t scanOffset);
