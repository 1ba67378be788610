#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <string_view>
#include <vector>

// One entry of a walked tree. Kept small: a scan holds one per file and folder of both sides.
struct SideEntry {
    int64_t size = 0; // bytes; DirectorySize for a folder
    uint64_t inode = 0;
    uint64_t birth = 0;      // nanoseconds since 1970; 0 where the file system keeps none
    uint32_t nameOffset = 0; // into SideTree::names
    uint32_t firstChild = 0; // a folder's entries are contiguous, sorted by their name's bytes
    uint32_t childCount = 0;
    uint32_t order = 0; // position in reading order; decides between rows of equal paths
    int32_t date = 0;   // local seconds, as in a row
    uint16_t nameLength = 0;
    uint16_t device = 0; // into SideTree::devices
    uint8_t flags = 0;
};

enum SideEntryFlag : uint8_t {
    EntryIsFolder = 1,
    EntryExcluded = 2,    // matched a word of the exclusion filter: not entered, never listed
    EntryListed = 4,      // passes the quick filter
    EntryIncomplete = 8,  // a folder whose listing was not read to its end (or not at all)
    EntryUnreadable = 16, // a folder that could not be opened or read, or held an entry it could not look at
    EntryIncompleteBelow = 32, // a folder that, or something beneath it, was not read completely
    EntryFoldsCase = 64,       // a folder that holds one entry per name without regard to letter case
    EntryIsLink = 128,
};

// A file system met in a walk.
struct SideDevice {
    uint64_t id = 0;
    // Whether an entry keeps its inode number while it exists; FAT, exFAT and most FUSE drivers
    // number entries anew when they are looked up again.
    bool stableInodes = false;
    // Whether it keeps times exactly, in UTC; FAT keeps local time in steps of two seconds.
    bool exactTimes = false;
};

// Everything a walk found on one side. Entry 0 is the root folder.
struct SideTree {
    std::vector<SideEntry> entries;
    std::vector<char> names; // the names' bytes, exactly as the file system gave them
    std::vector<SideDevice> devices;
    bool rootOpened = false;
    bool cancelled = false;
    int32_t entriesRead = 0; // every entry of every listing, "." and ".." included
    QStringList leftovers;   // full paths of temporary files an interrupted copy left behind

    std::string_view name(const SideEntry& e) const { return {names.data() + e.nameOffset, e.nameLength}; }
    bool isFolder(const SideEntry& e) const { return e.flags & EntryIsFolder; }
};
