#pragma once

#include "platform/FileSystemIdentity.h"
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
// may name other folders, and the stick meets other roots there. Two installations may share a
// host name (both called "debian"): the machine id tells them apart.
struct StateKey {
    QString host;
    QString root1; // resolved, without a closing separator
    QString root2;
    QString machine = {}; // empty where the machine id cannot be read: the host name alone then
};

// The key of two roots on this computer; empty roots when either cannot be resolved.
StateKey StateKeyOf(const QString& host, const QString& root1, const QString& root2,
                    const QString& machine = QString());

// A file as both sides had it when they were last in step; or, when `inStep` is false, as both
// sides had it when it was first seen on both without being in step: such a file is not new on
// both sides later, but it never makes a row red nor tells of a deletion.
struct RememberedFile {
    static constexpr int32_t UnknownOffset = INT32_MIN;
    int64_t size[2] = {0, 0};
    int32_t date[2] = {0, 0};   // local seconds, as in a row
    int32_t since = 0;          // local seconds: when the two sides were first seen so
    uint64_t inode[2] = {0, 0}; // 0 where unknown, or where that side's file system renumbers entries
    // When each side's file was made (nanoseconds since 1970); 0 where unknown. With the inode it
    // tells the file from a new one that was given the freed number.
    uint64_t birth[2] = {0, 0};
    // Seconds east of UTC that `date` was made with; unknown in states of older files.
    int32_t utcOffset = UnknownOffset;
    bool inStep = true;
};

// A folder: whether it was on both sides (`recorded`, since `since`), and its remembered files,
// sorted by their names' bytes. A folder may hold files without being recorded: states of the
// first version of the file kept no folders.
struct StateFolder {
    struct File {
        uint32_t nameOffset;
        uint16_t nameLength;
        RememberedFile state;
    };
    std::vector<char> names;
    std::vector<File> files;
    int32_t since = 0;
    bool recorded = false;

    std::string_view name(const File& f) const { return {names.data() + f.nameOffset, f.nameLength}; }
    void add(std::string_view name, const RememberedFile& state);
    int indexOf(std::string_view name) const; // -1 when there is none of exactly that name
    const RememberedFile* find(std::string_view name) const;
};

// What the two sides of a pair of roots last had in common. Folders are keyed by their relative
// path as spelled on side 1, as bytes, ending with "/" (the root is the empty path).
struct CommonState {
    StateKey key;
    QHash<QByteArray, StateFolder> folders;
    // What each side's root lay on when the state was kept; unknown in files of the first two
    // versions.
    FileSystemIdentity identity[2];
    // Read from a file of the key before machine ids were kept: it may be another installation's
    // of the same host name.
    bool oldKey = false;

    size_t fileCount() const;
    // Whether a complete scan was kept: only then does a file that the state does not know count
    // as new.
    bool hasRoot() const;
};

// The remembered file at a relative path spelled exactly as on side 1; null when there is none.
const RememberedFile* FindRemembered(const CommonState& state, const QString& pathOnSide1);
// The recorded folder at a relative path on side 1 ending with "/"; null when there is none.
const StateFolder* FindRecordedFolder(const CommonState& state, const QString& pathOnSide1);

// The state after a complete scan. A folder on both sides is recorded (since when it first was);
// one on one side only keeps its record, as its deletion is not settled yet; one on neither side
// is forgotten. A file on both sides and equal is in step, with its sizes, dates and inodes now,
// unless its sides are still within the tolerances of what was remembered: then it keeps its
// entry, so a scan of unchanged sides (or one after a daylight-saving shift) gives the same state.
// A file on both sides and not equal keeps what was remembered; else, where the state knew no
// root yet, it is remembered as seen, and where it did, it stays unknown: new on both sides until
// the two are made one. A file on one side only keeps an entry in step and loses one only seen;
// one on neither side is forgotten.
struct StateUpdate {
    CommonState state;
    bool changed = false;
};
StateUpdate StateAfterScan(const CommonState& before, const SideTree& side1, const SideTree& side2,
                           const ScanReport& report, const Settings& settings, int32_t now,
                           int64_t utcOffset);

// A file a sync has just put in step: both sides now have this size and date.
struct SyncedFile {
    QString pathOnSide1;
    int64_t size;
    int32_t date;
    uint64_t inode[2] = {0, 0}; // 0 where unknown
    uint64_t birth[2] = {0, 0};
};
// What a sync did, as far as the state is concerned. A rename carried out on one side is the file
// synced under its new path and its old path deleted.
struct SyncOutcome {
    std::vector<SyncedFile> synced;
    std::vector<QString> createdFolders; // now on both sides: paths on side 1 ending with "/"
    std::vector<QString> deleted;        // now on neither side: paths on side 1; a folder ends with "/"
                                         // and takes everything remembered beneath it along
    int64_t utcOffset = 0;               // what the dates of `synced` were made with

    bool empty() const { return synced.empty() && createdFolders.empty() && deleted.empty(); }
};
void RecordSync(CommonState& state, const SyncOutcome& outcome, int32_t now);
