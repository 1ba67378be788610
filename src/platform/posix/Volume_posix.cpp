#include "platform/Volume.h"

#include "platform/FileName.h"
#include "platform/posix/MountTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <sys/statvfs.h>

std::optional<VolumeSpace> QueryVolumeSpace(const QString& path) {
    if (path.isEmpty())
        return std::nullopt;
    struct statvfs vfs {};
    if (statvfs(EncodeFileName(path).constData(), &vfs) != 0)
        return std::nullopt;
    VolumeSpace space;
    space.available = int64_t(vfs.f_bavail) * int64_t(vfs.f_frsize);
    space.total = int64_t(vfs.f_blocks) * int64_t(vfs.f_frsize);
    return space;
}

namespace {

QString readFlag(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLatin1(f.readAll()).trimmed();
}

// The sysfs folder of the block device: by number, else by the name of the mounted device.
QString deviceFolder(const MountEntry& mount, const QString& sysRoot) {
    QFileInfo byNumber(sysRoot + QStringLiteral("/dev/block/") + mount.majorMinor);
    if (byNumber.exists())
        return byNumber.canonicalFilePath();
    if (!mount.source.startsWith(QLatin1String("/dev/")))
        return QString();
    const QString name = QFileInfo(mount.source).fileName();
    QFileInfo byName(sysRoot + QStringLiteral("/class/block/") + name);
    return byName.exists() ? byName.canonicalFilePath() : QString();
}

QString absoluteTarget(const QString& path) {
    QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty())
        return canonical;
    return QDir::cleanPath(info.absoluteFilePath());
}

} // namespace

bool IsRemovableVolume(const QString& path, const QString& systemRoot) {
    if (path.isEmpty())
        return false;
    const QString root = systemRoot.endsWith(QLatin1Char('/')) ? systemRoot.chopped(1) : systemRoot;
    const std::optional<MountEntry> mount =
        MountHolding(ReadMountTable(root + QStringLiteral("/proc/self/mountinfo")), absoluteTarget(path));
    if (!mount)
        return false;
    QString folder = deviceFolder(*mount, root + QStringLiteral("/sys"));
    if (folder.isEmpty())
        return false;
    // A partition carries no flag of its own; its disk is the folder above it.
    if (QFileInfo::exists(folder + QStringLiteral("/partition")))
        folder = QFileInfo(folder).path();
    return readFlag(folder + QStringLiteral("/removable")) == QLatin1String("1");
}
