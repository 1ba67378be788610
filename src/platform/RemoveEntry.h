#pragma once

#include "platform/FileOps.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <map>
#include <optional>

// The desktop's trash of one file system (as freedesktop.org desktops keep it): removed
// entries in `folder`/files, each with its `folder`/info/<name>.trashinfo.
struct Trash {
    QByteArray folder;
    // The info files name their entries relative to this folder (the file system's top folder);
    // empty for the home trash, whose info files hold absolute paths.
    QByteArray topdir;
    uint64_t device = 0;
    // A file system that keeps buffers of its own (FUSE): each info file is flushed by itself.
    bool flushEachInfo = false;
};

// What was found for one file system: its trash, or why it has none and where it would be.
struct TrashLookup {
    std::optional<Trash> trash;
    int error = 0;
    QString place; // the file system's top folder
};

// The trashes looked up in one run, one per file system.
struct TrashPlaces {
    std::map<uint64_t, TrashLookup> byDevice;
};

// The trash for the entry at `path` (a link not followed), on the file system it lies on: the
// home trash ($XDG_DATA_HOME/Trash, else ~/.local/share/Trash) on the home's file system, else
// $topdir/.Trash/$uid where $topdir/.Trash is a sticky folder and no link, else
// $topdir/.Trash-$uid; created where missing. Never one on another file system: moving there
// would be a copy.
const TrashLookup& TrashFor(TrashPlaces& places, const QString& path);

// Removes the entry at `path` (a link not followed) when it is what `expected` says: into
// `trash` as one entry (a folder with everything in it), its .trashinfo written before the entry
// is moved; for good when `trash` is null (a folder with everything beneath it, write protection
// inside cleared). A write-protected file is refused either way. NoFileError or the reason.
int RemoveEntry(const QString& path, const ExpectedEntry& expected, const Trash* trash);

// Puts a prepared copy (flushed already) in place of its destination when that is what
// `expected` says, the old version going into `trash`: where the file system can, the old
// version gets its name in the trash first and the copy then replaces it in one step; elsewhere
// the old version is moved into the trash and the copy renamed into its place right after. At no
// moment is the old version in neither place. On failure the temporary file is removed and the
// old version is at its place; NoFileError or the reason.
int CommitCopyKeepingOld(const PreparedCopy& copy, const ExpectedEntry& expected, const Trash& trash);

// Whether a folder's name is that of a trash at a file system's top: ".Trash" or ".Trash-<uid>".
bool IsTrashFolderName(const QByteArray& name);

// The bytes the entries in a trash take on their device.
int64_t TrashBytes(const Trash& trash);

// The info file's form of a path: bytes outside the URI's unreserved ones as %XX.
QByteArray TrashInfoPath(const QByteArray& path);
