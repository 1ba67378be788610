#include "platform/Volume.h"

#include "platform/FileName.h"

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

// mountinfo writes blanks, tabs, line breaks and backslashes of a mount point as octal escapes.
QString unescapeMountField(const QByteArray& field) {
    QByteArray out;
    out.reserve(field.size());
    for (int i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int code = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                out.append(char(code));
                i += 3;
                continue;
            }
        }
        out.append(field[i]);
    }
    return DecodeFileName(out);
}

bool isBelow(const QString& path, const QString& mountPoint) {
    if (mountPoint == QLatin1String("/"))
        return true;
    return path == mountPoint || path.startsWith(mountPoint + QLatin1Char('/'));
}

struct MountEntry {
    QString mountPoint;
    QString majorMinor;
    QString source;
};

// The mount that holds the path: the longest mount point above it, the later one of equals
// (a later mount hides an earlier one at the same place).
std::optional<MountEntry> findMount(const QString& path, const QString& mountinfoFile) {
    QFile file(mountinfoFile);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    std::optional<MountEntry> best;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        const int dash = fields.indexOf("-");
        if (fields.size() < 5 || dash < 6 || dash + 2 >= fields.size())
            continue;
        MountEntry entry{unescapeMountField(fields[4]), QString::fromLatin1(fields[2]),
                         unescapeMountField(fields[dash + 2])};
        if (!isBelow(path, entry.mountPoint))
            continue;
        if (!best || entry.mountPoint.size() >= best->mountPoint.size())
            best = entry;
    }
    return best;
}

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
        findMount(absoluteTarget(path), root + QStringLiteral("/proc/self/mountinfo"));
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
