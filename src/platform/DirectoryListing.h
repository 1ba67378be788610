#pragma once

#include <QString>
#include <cstdint>
#include <functional>

// What an entry of a listing is. Special files (pipes, sockets, devices) hold no data to copy.
enum class EntryKind : uint8_t { Dot, File, Directory, Link, Special, Vanished, Unreadable };

// One entry as the listing reports it. `name` points into the reader's buffer and is valid only
// during the call that reports it.
struct ListedEntry {
    const char* name = nullptr;
    uint16_t nameLength = 0;
    EntryKind kind = EntryKind::Vanished;
    int64_t size = 0;
    int64_t mtimeUtc = 0; // seconds since 1970 in UTC
    int64_t ctimeUtc = 0; // the last change of the entry or its name
    uint64_t device = 0;  // identity, so a folder can be opened again and checked
    uint64_t inode = 0;
    uint64_t birth = 0; // nanoseconds since 1970 when the entry was made; 0 where not kept
};

// An open folder. Subfolders are opened relative to it without following a link, so a walk can
// neither leave the tree nor loop; a folder's identity is checked when it is opened, so a folder
// swapped for another one meanwhile is refused.
class Folder {
public:
    Folder() = default;
    ~Folder();
    Folder(Folder&& other) noexcept;
    Folder& operator=(Folder&& other) noexcept;
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    bool isOpen() const { return fd >= 0; }
    void close();
    uint64_t device() const { return dev; }
    uint64_t inode() const { return ino; }

    enum class ReadResult { Complete, Stopped, Failed };
    // Reports every entry once, in the file system's order, "." and ".." included; `visit`
    // returns false to stop. Failed: the folder could not be read to its end.
    ReadResult read(const std::function<bool(const ListedEntry&)>& visit);

    // The root of a walk, as the user named it (links in that path are followed).
    static Folder openRoot(const QString& path);
    // A subfolder met in this folder's listing, refused unless it is still that folder.
    Folder openChild(const char* name, uint64_t device, uint64_t inode) const;
    // This folder's parent, refused unless it is still the folder with that identity.
    Folder openParent(uint64_t device, uint64_t inode) const;

    // Whether a name leads to an entry in this folder (a link is not followed). Asked for a name
    // the listing does not hold, it tells whether the folder matches names without regard to
    // letter case; an answer that cannot be had counts as no.
    bool hasEntry(const char* name) const;
    // Whether the file system keeps an entry's inode number for as long as the entry exists. FAT,
    // exFAT and FUSE drivers may number an entry anew each time it is looked up.
    bool keepsInodes() const;
    // Whether the file system keeps an entry's time exactly as set, in UTC. FAT keeps local time in
    // steps of two seconds, exFAT and FUSE drivers may round or shift it.
    bool keepsExactTimes() const;

private:
    explicit Folder(int handle);
    int fd = -1;
    uint64_t dev = 0;
    uint64_t ino = 0;
};

// When the entry at `path` (not followed when a link) was made, in nanoseconds since 1970; 0 where
// the file system does not keep it or the entry cannot be looked at.
uint64_t BirthTimeOf(const QString& path);

// Whether `path`, without its trailing separators, names an existing directory ("/" included);
// the empty path does not.
bool IsExistingDirectory(const QString& path);

// The absolute path of a folder with every link and "." or ".." resolved; empty when it cannot be
// resolved.
QString ResolvedFolderPath(const QString& path);

// Seconds east of UTC of the local time in force now, daylight saving included.
int64_t LocalUtcOffsetNow();

// A UTC time as seconds of the local clock since 1970, with a fixed offset; -1 when that falls
// outside the signed 32-bit range or before 1970.
int32_t LocalSecondsOf(int64_t utcSeconds, int64_t utcOffset);
