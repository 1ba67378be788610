#include "platform/FileSystemIdentity.h"

#include "platform/DirectoryListing.h"
#include "platform/FileName.h"
#include "platform/posix/MountTable.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <algorithm>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

QString hexOf(const QByteArray& bytes, bool reversed) {
    QByteArray ordered = bytes;
    if (reversed)
        std::reverse(ordered.begin(), ordered.end());
    return QString::fromLatin1(ordered.toHex());
}

bool keepsInodes(long type) {
    switch (static_cast<unsigned long>(type)) {
    case 0x4d44:     // FAT
    case 0x2011BAB0: // exFAT
    case 0x65735546: // FUSE
    case 0x5346544e: // NTFS (the old driver)
        return false;
    default:
        return true;
    }
}

// The block device a mount reads from: its own number, or for FUSE and btrfs (which report a
// number of their own) the device named as its source.
std::optional<dev_t> blockDeviceOf(const MountEntry& mount, const QString& systemRoot) {
    const QStringList parts = mount.majorMinor.split(u':');
    if (parts.size() == 2 && parts[0].toUInt() != 0)
        return makedev(parts[0].toUInt(), parts[1].toUInt());
    if (!mount.source.startsWith(QLatin1String("/dev/")))
        return std::nullopt;
    struct stat st {};
    if (::stat(EncodeFileName(systemRoot + mount.source).constData(), &st) != 0 || !S_ISBLK(st.st_mode))
        return std::nullopt;
    return st.st_rdev;
}

// The UUID udev names the device by, where udev keeps its links.
QString uuidLinkOf(dev_t device, const QString& systemRoot) {
    const QString folder = systemRoot + QStringLiteral("dev/disk/by-uuid/");
    for (const QString& name : QDir(folder).entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        struct stat st {};
        if (::stat(EncodeFileName(folder + name).constData(), &st) == 0 && S_ISBLK(st.st_mode) &&
            st.st_rdev == device)
            return QStringLiteral("uuid:") + name;
    }
    return QString();
}

// The serial in the device's first sectors, where this process may read them.
QString serialOnDevice(const MountEntry& mount, const QString& systemRoot) {
    if (!mount.source.startsWith(QLatin1String("/dev/")))
        return QString();
    const int fd = ::open(EncodeFileName(systemRoot + mount.source).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return QString();
    QByteArray sectors(4096, '\0');
    const ssize_t n = ::pread(fd, sectors.data(), size_t(sectors.size()), 0);
    ::close(fd);
    if (n < 2048)
        return QString();
    sectors.truncate(qsizetype(n));
    return VolumeSerialOf(sectors);
}

} // namespace

QString VolumeSerialOf(const QByteArray& s) {
    if (s.size() < 2048)
        return QString();
    const auto at = [&s](qsizetype offset, qsizetype length) { return s.mid(offset, length); };
    const bool bootSector = uint8_t(s[510]) == 0x55 && uint8_t(s[511]) == 0xAA;
    if (bootSector && at(3, 8) == "EXFAT   ")
        return QStringLiteral("serial:exfat:") + hexOf(at(100, 4), true);
    if (bootSector && at(3, 8) == "NTFS    ")
        return QStringLiteral("serial:ntfs:") + hexOf(at(72, 8), true);
    if (bootSector && at(82, 5) == "FAT32")
        return QStringLiteral("serial:fat:") + hexOf(at(67, 4), true);
    if (bootSector && (at(54, 5) == "FAT12" || at(54, 5) == "FAT16"))
        return QStringLiteral("serial:fat:") + hexOf(at(39, 4), true);
    if (uint8_t(s[1024 + 56]) == 0x53 && uint8_t(s[1024 + 57]) == 0xEF)
        return QStringLiteral("serial:ext:") + hexOf(at(1024 + 104, 16), false);
    return QString();
}

FileSystemIdentity FileSystemIdentityOf(const QString& folder, const QString& systemRoot) {
    FileSystemIdentity identity;
    const QString root = systemRoot.endsWith(u'/') ? systemRoot : systemRoot + u'/';
    const QString resolved = ResolvedFolderPath(folder);
    struct stat st {};
    struct statfs fs {};
    const QByteArray path = EncodeFileName(resolved);
    if (resolved.isEmpty() || ::stat(path.constData(), &st) != 0 || ::statfs(path.constData(), &fs) != 0)
        return identity;
    const std::optional<MountEntry> mount =
        MountHolding(ReadMountTable(root + QStringLiteral("proc/self/mountinfo")), resolved);
    if (!mount)
        return identity;
    identity.mountPoint = mount->mountPoint;
    identity.rootInode = keepsInodes(long(fs.f_type)) ? uint64_t(st.st_ino) : 0;
    const QString within = root.chopped(1);
    if (const std::optional<dev_t> device = blockDeviceOf(*mount, within))
        identity.fileSystem = uuidLinkOf(*device, root);
    if (identity.fileSystem.isEmpty())
        identity.fileSystem = serialOnDevice(*mount, within);
    if (identity.fileSystem.isEmpty())
        identity.fileSystem = QStringLiteral("device:") + mount->majorMinor + u':' + mount->source;
    return identity;
}

QString MachineId(const QString& systemRoot) {
    const QString root = systemRoot.endsWith(u'/') ? systemRoot : systemRoot + u'/';
    QFile file(root + QStringLiteral("etc/machine-id"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QString id = QString::fromLatin1(file.read(256)).trimmed();
    // A machine id is 32 hexadecimal digits; anything else (an empty file before the first boot)
    // identifies nothing.
    static const QRegularExpression shape(QStringLiteral("^[0-9a-f]{32}$"));
    return shape.match(id).hasMatch() ? id : QString();
}
