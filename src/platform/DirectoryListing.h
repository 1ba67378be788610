#pragma once

#include <QString>
#include <cstdint>

// One entry as the listing reports it. `name` points into the listing's buffer and is valid until
// the next call of next().
struct ListedEntry {
    const char* name = nullptr;
    bool isDot = false;  // "." or "..", reported but carrying no data
    bool isDir = false;  // a real directory; a symbolic link is never one
    bool statOk = false; // false when the entry vanished before its size and time were read
    int64_t size = 0;
    int64_t mtimeUtc = 0; // seconds since 1970 in UTC
};

// Reads one directory once, in the file system's order. Symbolic links are reported with their
// own size and time and never followed; subdirectories are opened relative to their parent
// without following a link, so the walk cannot leave the tree or loop.
class DirectoryListing {
public:
    explicit DirectoryListing(const QString& path);
    // A subdirectory of an open listing, by its name in that listing.
    DirectoryListing(const DirectoryListing& parent, const char* name);
    ~DirectoryListing();
    DirectoryListing(const DirectoryListing&) = delete;
    DirectoryListing& operator=(const DirectoryListing&) = delete;

    bool isOpen() const { return handle != nullptr; }
    // The next entry; false at the end or when the listing is not open.
    bool next(ListedEntry& entry);

private:
    void* handle = nullptr;
};

// Whether `path`, without its trailing separators, names an existing directory ("/" included);
// the empty path does not.
bool IsExistingDirectory(const QString& path);

// Seconds east of UTC of the local time in force now, daylight saving included.
int64_t LocalUtcOffsetNow();

// A UTC time as seconds of the local clock since 1970, with a fixed offset; -1 when that falls
// outside the signed 32-bit range or before 1970.
int32_t LocalSecondsOf(int64_t utcSeconds, int64_t utcOffset);

// Names from the file system as text, and back.
QString DecodeFileName(const char* name);
QByteArray EncodeFileName(const QString& name);
