#include "platform/posix/MountTable.h"

#include "platform/FileName.h"

#include <QFile>

namespace {

// mountinfo writes blanks, tabs, line breaks and backslashes of its paths as octal escapes.
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

} // namespace

std::vector<MountEntry> ReadMountTable(const QString& mountinfoFile) {
    std::vector<MountEntry> mounts;
    QFile file(mountinfoFile);
    if (!file.open(QIODevice::ReadOnly))
        return mounts;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        const int dash = fields.indexOf("-");
        if (fields.size() < 5 || dash < 6 || dash + 2 >= fields.size())
            continue;
        bool ok = false;
        const int64_t id = fields[0].toLongLong(&ok);
        mounts.push_back(MountEntry{ok ? id : -1, QString::fromLatin1(fields[2]),
                                    unescapeMountField(fields[3]), unescapeMountField(fields[4]),
                                    unescapeMountField(fields[dash + 2])});
    }
    return mounts;
}

std::optional<MountEntry> MountHolding(const std::vector<MountEntry>& mounts, const QString& path,
                                       int64_t mountId) {
    const MountEntry* best = nullptr;
    for (const MountEntry& entry : mounts) {
        if (!PathWithin(path, entry.mountPoint))
            continue;
        if (mountId >= 0 && entry.id == mountId)
            return entry;
        if (!best || entry.mountPoint.size() >= best->mountPoint.size())
            best = &entry;
    }
    if (!best)
        return std::nullopt;
    return *best;
}

bool PathWithin(const QString& path, const QString& folder) {
    if (folder == QLatin1String("/"))
        return path.startsWith(u'/');
    return path == folder ||
           (path.startsWith(folder) && path.size() > folder.size() && path[folder.size()] == u'/');
}
