#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

// One line of /proc/self/mountinfo.
struct MountEntry {
    int64_t id = -1;
    QString majorMinor; // the mounted file system, as "major:minor"
    QString root;       // the folder of that file system shown at the mount point
    QString mountPoint;
    QString source; // the mounted device, or the name the file system was mounted with
};

// Every mount a mountinfo file lists, in its order; empty when it cannot be read.
std::vector<MountEntry> ReadMountTable(const QString& mountinfoFile);

// The mount that holds an absolute, resolved path: the one with `mountId` when it is listed
// above the path, else the longest mount point above the path, the later one of equals (a later
// mount hides an earlier one at the same place).
std::optional<MountEntry> MountHolding(const std::vector<MountEntry>& mounts, const QString& path,
                                       int64_t mountId = -1);

// Whether `path` is `folder` or lies below it, by whole names ("/a/in" does not hold "/a/inner").
bool PathWithin(const QString& path, const QString& folder);
