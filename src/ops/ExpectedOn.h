#pragma once

#include "platform/FileOps.h"
#include "scan/ResultRow.h"

// What an operation must find on one side of a row before it replaces, deletes or re-dates
// anything there: the entry the scan saw, or nothing where the scan saw none. `utcOffset` is the
// one the scan made the row's dates with.
ExpectedEntry ExpectedOn(const ResultRow& row, int side, int64_t utcOffset);
