#pragma once

#include "scan/ResultRow.h"

#include <QString>
#include <cstdint>
#include <functional>

// What the walk tells the window, and how it learns of a cancel request. Any hook may be empty.
struct ScanHooks {
    std::function<void(const QString&)> showActivity; // status field 0
    std::function<void(int32_t)> showCount;           // status field 2
    std::function<bool()> pump;                       // keeps the window alive; true when cancelled
};

// One scan in progress: the state it fills and the local UTC offset fixed at its start.
struct ScanWalk {
    ScanState& scan;
    ResultRows& rows;
    const ScanHooks& hooks;
    int64_t utcOffset = 0;
};

// Walks `dir` and everything below it, appending one row per recorded entry (a directory after
// its contents). A directory that cannot be listed contributes nothing and no message; a cancel
// request stops the directory in which it is noticed.
void ScanTree(ScanWalk& walk, const QString& dir, uint8_t side);

// Whether a full path (a directory's ending with "/") contains one of the exclusion words,
// after lower-casing the path. Empty words never match.
bool IsExcluded(const ScanState& scan, const QString& fullPath);

// The path relative to the root of its side. Only a root at the very start is removed: a root
// such as /data/ may recur further inside a path.
QString MakeRelative(const ScanState& scan, const QString& fullPath, uint8_t side);

// Inserts a row for a full path after the current row (at the front when there is none); the new
// row becomes current, so a walk leaves its rows in recording order.
void AppendRow(ScanState& scan, ResultRows& rows, const QString& fullPath, int64_t size1, int32_t date1,
               QChar action, int64_t size2, int32_t date2, uint8_t side);

// Splits a set's filter into its words as the scan uses them: at every "|", each word trimmed of
// spaces, empty words kept; an empty filter gives no words.
QStringList FilterWordsOf(const QString& filter);
