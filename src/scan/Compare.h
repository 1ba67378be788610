#pragma once

#include "scan/ResultRow.h"
#include "scan/SideTree.h"
#include "sets/SyncSet.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

// 1 when a is newer, -1 when b is newer, 0 when the two times count as equal: within the
// tolerance, or within the tolerance of one of the two daylight-saving shifts.
int CompareTimes(int32_t a, int32_t b, const Settings& settings);

// What a scan found, for the common state of the two sides: every folder with the sides it is on,
// and every file in it found on either side, with whether the two count as equal where it is on
// both. Excluded entries are not reported; entries the quick filter hides are.
struct ScanReport {
    static constexpr uint32_t Absent = UINT32_MAX;
    struct Folder {
        QByteArray path1; // relative path on side 1 as bytes, ending with "/"; empty for the root
        QByteArray path2; // the same on side 2 where it is spelled otherwise there; else empty
        uint8_t sides;    // PresentOn1 << side
        uint32_t first;   // its files are files[first] to files[first + count - 1]
        uint32_t count;
    };
    // A file's name on side 1 is its entry's name on either side: an entry on side 2 only would be
    // created under its own name.
    struct File {
        uint32_t entry[2]; // into each side's tree; Absent on a side without it
        bool equal;        // on both sides, and the two count as equal
    };
    std::vector<Folder> folders;
    std::vector<File> files;
};

// What the comparison reads besides the two trees.
struct MatchOptions {
    bool IgnoreDateFlag = false;
    bool OnlyToTargetFlag = false;
    bool OnlyToSourceFlag = false;
    // Put before every relative path of a side: "/" when its root was stored without a closing
    // separator (a hand-edited settings file), as the paths then keep the one that follows it.
    QString pathPrefix[2];
    // Receives what the scan found when set; nothing is reported otherwise.
    ScanReport* report = nullptr;
};
MatchOptions MatchOptionsOf(const ScanState& scan);

// The list of differences between two walked trees, sorted by path.
//
// Entries pair folder by folder, so a row always acts inside the folders its sides really have.
// In one folder an entry pairs first with the other side's entry of exactly the same name (and
// kind: a file never pairs with a folder); an entry left without one pairs with the other side's
// entry whose name differs only in letter case, when each side has exactly one such entry left.
// Where either side holds several case variants without an exact partner, none of them pairs:
// each is listed on its own and a sync copies it under its own name, so two existing entries are
// never merged into one. Two entries of one side never pair.
//
// Folders on both sides give no row; files on both sides give one row when their times differ
// beyond the tolerances (or, with IgnoreDateFlag, their sizes differ), for the newer side, spelled
// as there, with both sides' sizes and dates; an entry on one side gives a row for that side, and
// so does everything in a folder on one side. An entry excluded by the filter on either side drops
// the pair; the quick filter lists a pair when either side passes it. Rows under a folder that was
// not read completely on either side are marked uncertain. Then the direction filter applies.
// The last row is current.
ResultRows MatchRows(const SideTree& side1, const SideTree& side2, const Settings& settings,
                     const MatchOptions& options);

// Drops the rows of the direction a set leaves out: OnlyToTarget drops "<" rows, OnlyToSource ">"
// rows. The last row is current.
void DropLeftOutDirection(ResultRows& list, bool onlyToTarget, bool onlyToSource);
