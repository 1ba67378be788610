#pragma once

#include <QChar>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

// Size of a directory entry in a row.
constexpr int64_t DirectorySize = -2;

// One listed difference, or during the scan one recorded entry.
struct ResultRow {
    QString path;      // relative to the roots; a directory ends with the separator
    int64_t size1 = 0; // -2 for a directory, 0 when missing on side 1
    int32_t date1 = 0; // local seconds since 1970, 0 when missing, -1 out of range
    QChar action;      // '>' copies side 1 to side 2, '<' the reverse
    int64_t size2 = 0;
    int32_t date2 = 0;
    uint8_t side = 0; // side the row was recorded from; reused as a mark by the synchronisation
};

// The one ordered row list with its current position (-1: no current row).
struct ResultRows {
    std::vector<ResultRow> rows;
    int current = -1;
};

// What a scan leaves behind for the later operations.
struct ScanState {
    QString SourceRoot; // ends with the separator
    QString TargetRoot;
    QString QuickFilter;
    QStringList FilterWords;
    bool IgnoreDateFlag = false;
    bool OnlyToTargetFlag = false;
    bool OnlyToSourceFlag = false;
    int32_t EntryCounter = 0;
};
