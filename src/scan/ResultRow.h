#pragma once

#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

// Size of a directory entry in a row.
constexpr int64_t DirectorySize = -2;

// An entry's identity on its file system.
struct SeenEntry {
    uint64_t device = 0;
    uint64_t inode = 0;
};

enum RowSide : uint8_t {
    PresentOn1 = 1, // shifted left by the side
    LinkOn1 = 4,
    StableInodesOn1 = 16,
    ExactTimesOn1 = 64, // the side's file system keeps times exactly, in UTC
};

// What happened to a one-sided row's entry since the two sides were last in step.
enum SinceSync : uint8_t {
    NothingKnown = 0,
    DeletedOn1, // deleted on side 1, unchanged on side 2
    DeletedOn2, // deleted on side 2, unchanged on side 1
    DeletedOn1ChangedOn2,
    DeletedOn2ChangedOn1,
};

// One listed difference.
struct ResultRow {
    QString path;      // relative to the roots, spelled as on the side the action copies from;
                       // a directory ends with the separator
    int64_t size1 = 0; // -2 for a directory, 0 when missing on side 1
    int32_t date1 = 0; // local seconds since 1970, 0 when missing, -1 out of range
    QChar action;      // '>' copies side 1 to side 2, '<' the reverse
    int64_t size2 = 0;
    int32_t date2 = 0;
    uint8_t side = 0; // side the row was recorded from; reused as a mark by the synchronisation
    // The same entry as spelled on the side the action copies to: its own name there where it
    // exists (it may differ in letter case), else the name it is created under, inside that
    // side's own spelling of its folders. Empty means the same as `path`.
    QString otherPath;
    // The scan could not read all of what could contradict this row (a folder on either side was
    // unreadable, or the scan was cancelled): no operation may act on it before a new scan.
    bool uncertain = false;
    // The row's own folder could not be read: what it holds is unknown.
    bool unreadable = false;
    // The row can never be carried out as it stands (`failure` says why).
    bool blocked = false;
    // What the scan found on each side (RowSide bits), and each side's entry, so an operation can
    // make sure a name still leads to the entry the scan saw before it replaces, deletes or
    // re-dates anything.
    uint8_t sides = 0;
    SeenEntry seen[2] = {};
    // Why the last operation could not carry the row out; empty when it did not fail.
    QString failure = {};
    // What the memory of the last sync says happened to the row's entry since (SinceSync).
    uint8_t sinceSync = 0;
    // Both sides differ from what they last had in common, at the time `inStepSince` (local
    // seconds): a sync overwrites work done on the other side.
    bool bothChanged = false;
    int32_t inStepSince = 0;
    // Changed since the last sync on the side the action copies from only, and older there than on
    // the other side: the change wins over the clock.
    bool olderWins = false;
};

inline bool PresentOn(const ResultRow& row, int side) {
    return row.sides & (PresentOn1 << side);
}

// A row's path as spelled on side 0 (side 1, "Quelle") or 1 (side 2, "Ziel").
inline const QString& PathOnSide(const ResultRow& row, int side) {
    const int sourceSide = row.action == u'<' ? 1 : 0;
    if (side == sourceSide || row.otherPath.isEmpty())
        return row.path;
    return row.otherPath;
}

// Rows in their order. Implicitly shared: the result list keeps the rows of its last fill without
// a copy of its own, and the first change of the scan's rows after a fill copies them once, so
// the lines shown never change under the list while an operation pumps events.
using RowList = QList<ResultRow>;

// The one ordered row list with its current position (-1: no current row).
struct ResultRows {
    RowList rows;
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
    // Seconds east of UTC the scan made its dates with.
    int64_t utcOffset = 0;
    // When the scan began (UTC seconds): what has not changed since was there for it to see.
    int64_t startedUtc = 0;
    // Every folder of both sides was read to its end; false after a cancel or unreadable folders.
    bool Complete = true;
    // Temporary files of an interrupted copy met by the scan; a sync into their folder removes them.
    QStringList Leftovers;
    // Files on either side dated more than a day after this computer's clock.
    int FutureDated = 0;
};
