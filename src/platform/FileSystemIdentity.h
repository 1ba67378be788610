#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

// What a folder lies on: the file system (its UUID or volume serial where it can be read, else the
// device it is mounted from) and the folder itself. Another stick at the same mount point has
// another serial; an empty mount folder left on the computer's disk has another mount point.
struct FileSystemIdentity {
    QString fileSystem; // "uuid:…", "serial:<type>:…" or "device:<major:minor>:<source>"; empty: unknown
    QString mountPoint; // where that file system is mounted
    uint64_t rootInode = 0; // the folder's inode; 0 where the file system numbers entries anew

    bool known() const { return !fileSystem.isEmpty(); }
    bool operator==(const FileSystemIdentity&) const = default;
};

// The identity of the file system holding `folder`; an unknown one when the folder cannot be read.
// systemRoot is "/" in the program; a test points it at a folder with its own proc/ and dev/.
FileSystemIdentity FileSystemIdentityOf(const QString& folder,
                                        const QString& systemRoot = QStringLiteral("/"));

// The volume serial or UUID written in the first sectors (at least 2 KiB) of a FAT, exFAT, NTFS or
// ext2/3/4 file system, as "serial:<type>:<hex>"; empty for anything else.
QString VolumeSerialOf(const QByteArray& firstSectors);

// This installation's machine id (/etc/machine-id below systemRoot); empty when it cannot be read.
QString MachineId(const QString& systemRoot = QStringLiteral("/"));
