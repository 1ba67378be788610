#pragma once

#include <QString>
#include <cstdint>
#include <optional>

// Space on the volume that holds a path, in bytes.
struct VolumeSpace {
    int64_t available = 0; // free to the calling user
    int64_t total = 0;
};

// Empty when the volume cannot be asked (missing path, dead mount refusing the query, ...).
std::optional<VolumeSpace> QueryVolumeSpace(const QString& path);

// Whether the path lies on a removable medium (a USB stick, a card): the sysfs "removable" flag
// of the disk holding the mount that contains the path. systemRoot is "/" in the program; a test
// points it at a folder holding its own proc/self/mountinfo and sys/ tree.
bool IsRemovableVolume(const QString& path, const QString& systemRoot = QStringLiteral("/"));
