#pragma once

#include "scan/Compare.h"
#include "scan/ResultRow.h"
#include "scan/SideTree.h"
#include "sets/SyncSet.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <cstdint>
#include <string_view>
#include <vector>

// What a common state belongs to: two roots on one computer. On another computer the same paths
// may name other folders, and the stick meets other roots there.
struct StateKey {
    QString host;
    QString root1; // resolved, without a closing separator
    QString root2;
};

// The key of two roots on this computer; empty roots when either cannot be resolved.
StateKey StateKeyOf(const QString& host, const QString& root1, const QString& root2);

// A file as both sides had it when they were last in step.
struct InStepFile {
    int64_t size[2] = {0, 0};
    int32_t date[2] = {0, 0}; // local seconds, as in a row
    int32_t since = 0;        // local seconds: when the two sides were first seen in step so
};

// The remembered files of one folder, sorted by their names' bytes.
struct StateFolder {
    struct File {
        uint32_t nameOffset;
        uint16_t nameLength;
        InStepFile state;
    };
    std::vector<char> names;
    std::vector<File> files;

    std::string_view name(const File& f) const { return {names.data() + f.nameOffset, f.nameLength}; }
    void add(std::string_view name, const InStepFile& state);
    const InStepFile* find(std::string_view name) const;
};

// What the two sides of a pair of roots last had in common. Folders are keyed by their relative
// path as spelled on side 1, as bytes, ending with "/" (the root is the empty path).
struct CommonState {
    StateKey key;
    QHash<QByteArray, StateFolder> folders;

    size_t fileCount() const;
};

// The remembered file at a relative path spelled as on side 1; null when there is none.
const InStepFile* FindInStep(const CommonState& state, const QString& pathOnSide1);

// The state after a complete scan: every pair of files found equal with its sizes and dates now,
// every other pair of files as remembered. What is on one side only is forgotten. A file whose
// sides are still within the tolerances of what was remembered keeps its entry as it was, so a
// scan of unchanged sides (or one after a daylight-saving shift) gives the same state.
struct StateUpdate {
    CommonState state;
    bool changed = false;
};
StateUpdate StateAfterScan(const CommonState& before, const SideTree& side1, const SideTree& side2,
                           const FilePairs& pairs, const Settings& settings, int32_t now);

// Marks each row of a file on both sides whose two sides both differ (size, or date beyond the
// tolerances) from what `state` remembers: changed on both sides since they were last in step.
void MarkBothChanged(RowList& rows, const CommonState& state, const Settings& settings);

// A file a sync has just put in step: both sides now have this size and date.
struct SyncedFile {
    QString pathOnSide1;
    int64_t size;
    int32_t date;
};
void RecordSynced(CommonState& state, const std::vector<SyncedFile>& files, int32_t now);

// The tool tip of a row changed on both sides.
QString BothChangedToolTip(int32_t since);
