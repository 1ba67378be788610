#include "ops/DateAlign.h"

#include "platform/FileOps.h"

#include <QDateTime>
#include <limits>

int64_t CurrentUtcOffset() {
    return QDateTime::currentDateTime().offsetFromUtc();
}

std::optional<int32_t> ReadLocalDate(const QString& path, int64_t utcOffset) {
    if (path.endsWith(QLatin1Char('/')))
        return std::nullopt;
    const PathInfo info = StatPath(path);
    if (info.kind == PathKind::Missing || info.kind == PathKind::Directory)
        return std::nullopt;
    const int64_t local = info.modified.seconds + utcOffset;
    if (local < 0 || local > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return int32_t(local);
}

bool WriteLocalDate(const QString& path, int32_t date, int64_t utcOffset) {
    if (path.endsWith(QLatin1Char('/')))
        return false;
    return SetModTime(path, int64_t(date) - utcOffset);
}

bool AlignOneDate(const QString& fromRoot, const QString& fromPath, const QString& toRoot,
                  const QString& toPath, int64_t utcOffset) {
    if (PassesThroughLink(fromRoot, fromPath) || PassesThroughLink(toRoot, toPath))
        return false;
    const std::optional<int32_t> date = ReadLocalDate(fromRoot + fromPath, utcOffset);
    return date && WriteLocalDate(toRoot + toPath, *date, utcOffset);
}
