#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// What a path names, looked at without following a final symbolic link.
enum class PathKind { Missing, File, Directory, Link, Other };

struct FileTime {
    int64_t seconds = 0;
    int64_t nanoseconds = 0;
};

struct PathInfo {
    PathKind kind = PathKind::Missing;
    int64_t size = 0;
    bool writeProtected = false; // the owner write bit is missing
    FileTime modified;
};

PathInfo StatPath(const QString& path);

// Why an operation failed: an errno value, or one of these.
enum FileError : int {
    NoFileError = 0,
    NotAsScanned = -1, // the name leads to another entry than the scan saw, or to one where it saw none
    CopyCancelled = -2,
    WriteProtected = -3,     // the owner write bit is missing
    SourceNotAsScanned = -4, // the source of a copy is not the entry the scan saw, or changed while copied
    CopyDamaged = -5,        // the copy read back from the device differs from what was written
};

// What an operation expects to find at a path: anything, nothing, or the very entry a scan saw.
struct ExpectedEntry {
    enum class Kind { Anything, Nothing, Entry } kind = Kind::Anything;
    bool folder = false;
    bool link = false;
    // Where the file system keeps inode numbers, the entry is known by them; elsewhere by what it
    // keeps: kind, size and time (a folder by its kind and time).
    bool stableInodes = false;
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = 0;
    int32_t date = 0;      // local seconds, as in a row
    int64_t utcOffset = 0; // the offset the date was made with
    // A folder is known by its identity alone, not by its time, which its own contents change.
    bool ignoreFolderTime = false;
};

// Whether `path` (a link not followed) is what `expected` says; NoFileError, or NotAsScanned.
int CheckEntry(const QString& path, const ExpectedEntry& expected);

// Creates one directory, no parents. Closing slashes are stripped first; blanks and dots at the
// end are part of the name. On failure `error` gets the reason.
bool CreateOneDirectory(const QString& path, int* error = nullptr);

// Deletes a file or a symbolic link (never its target). A write-protected file, a directory or
// a missing path is refused.
bool DeleteFile(const QString& path, int* error = nullptr);

// Deletes a directory with everything beneath it, making each entry writable first. Links met
// inside are removed as links; their targets are never touched. True when the directory is gone.
bool DeleteTreeForced(const QString& path, int* error = nullptr);

// Removes an empty directory.
bool RemoveEmptyDirectory(const QString& path, int* error = nullptr);

// Whether two files hold the same bytes (read side by side, stopping at the first difference);
// false when either cannot be read.
bool SameFileContents(const QString& a, const QString& b);

// Renames an entry (file, link or folder) to a name that must be free, within its file system,
// when the entry is what `expected` says; NoFileError or the reason.
int RenameEntry(const QString& from, const QString& to, const ExpectedEntry& expected);

// The modification time of a file or link (not followed); empty when the path is missing.
std::optional<FileTime> ReadModTime(const QString& path);

// Sets the modification time, whole seconds, fraction zero. A directory, a missing path or a
// write-protected file is refused; a link gets the time itself.
bool SetModTime(const QString& path, int64_t seconds, int* error = nullptr);

// Called after every chunk of a copy with the file's size and the bytes done so far; returns
// false to cancel.
using CopyProgressFn = std::function<bool(int64_t totalBytes, int64_t doneBytes)>;

// A copy written completely into a temporary file beside its destination, not yet in its place.
struct PreparedCopy {
    QByteArray temp;
    QByteArray destination;
    QByteArray folder; // the destination's folder
    // The source as it was copied: its size and modification time (UTC seconds).
    int64_t size = 0;
    int64_t mtimeUtc = 0;
    uint64_t inode = 0; // of the copy, which keeps it when put in place
    bool checksummed = false;
    uint64_t checksum = 0; // of the bytes written, taken while copying (ContentHash)
};

// What a copy checks besides writing: the source is the entry the scan saw (as the destination is
// checked when the copy is put in place), and a checksum is taken while copying for VerifyCopy.
struct CopyCheck {
    ExpectedEntry source;
    bool checksum = false;
};

// Copies a file (contents with their holes, permission bits, modification time with nanoseconds)
// or a symbolic link (as a link) into a temporary file beside the destination. On cancel or any
// failure nothing is left behind and `error` gets the reason. A write-protected destination file
// or a folder is refused.
std::optional<PreparedCopy> PrepareCopy(const QString& source, const QString& destination,
                                        const CopyProgressFn& progress, int* error = nullptr,
                                        const CopyCheck& check = {});
// Reads a prepared, flushed copy back from its device, its cached pages dropped first, and
// compares it with the checksum taken while copying: NoFileError, CopyDamaged or the read error.
// `reachesDevice` is set false where the file system answers reads from buffers of its own (FUSE),
// so the read-back cannot be sure to reach the device.
int VerifyCopy(const PreparedCopy& copy, bool* reachesDevice = nullptr);
// Renames a prepared copy over its destination when the destination is what `expected` says
// (nothing is then checked and put in place in one step where the file system can). Its data
// must have been flushed first (FlushFileSystems), so that no crash can leave a destination
// shorter than its source that carries the source's time. On failure the temporary file is
// removed; the result is NoFileError or the reason.
int CommitCopy(const PreparedCopy& copy, const ExpectedEntry& expected = {});
void AbandonCopy(const PreparedCopy& copy);
// Writes everything written so far to the file systems holding these folders through to the
// devices, each file system once (a FUSE file system each folder, as it flushes only what it is
// told). NoFileError, or the error of a flush (a folder that cannot be reached: its errno).
int FlushFileSystems(const std::vector<QByteArray>& folders);

// Prepare, flush and commit of one copy: the old destination stays as it was until the new one is
// complete on the device; false on cancel or failure.
bool CopyFileAtomic(const QString& source, const QString& destination, const CopyProgressFn& progress);

// Whether a name has the exact form of the copy's temporary files (a leftover of a run that was
// interrupted), and its removal; nothing of another form is ever removed.
bool IsCopyTempName(const QByteArray& name);
bool RemoveCopyLeftover(const QString& path);

// Test seam: called with "flush <folder>" and "commit <destination>" as they happen (and "trash
// <destination>" once a replaced file's old version is in the trash).
void SetDurabilityTrace(std::function<void(const QByteArray&)> observer);
void NoteDurabilityEvent(const QByteArray& event);

// Test seam: from now on every flush after the next `after` ones fails with `error` (after it has
// been done); a negative `after` turns this off.
void SetFlushFault(int after, int error = 5 /* EIO */);

// Test seam: from now on every copy's writes fail with `error` ("disk full" unless told otherwise)
// once `bytes` bytes of one file have been written; a negative value turns this off.
void SetCopyWriteLimit(int64_t bytes, int error = 28 /* ENOSPC */);

// Whether `relativePath` below `root` passes through a symbolic link: each folder of the path
// (for a path ending in "/" the last element too) is checked without following it. A ".."
// element counts as unsafe. A missing folder ends the check: nothing beneath it exists.
bool PassesThroughLink(const QString& root, const QString& relativePath);

// The name prefix and suffix of the copy's temporary files, so they can be recognised.
QString CopyTempPrefix();
QString CopyTempSuffix();
