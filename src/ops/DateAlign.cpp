#include "ops/DateAlign.h"

#include "ops/ExpectedOn.h"
#include "ops/FailureReasons.h"
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

bool WriteLocalDate(const QString& path, int32_t date, int64_t utcOffset, int* error) {
    if (path.endsWith(QLatin1Char('/')))
        return false;
    return SetModTime(path, int64_t(date) - utcOffset, error);
}

QString AlignOneDate(const ResultRow& row, int fromSide, const QString& fromRoot, const QString& toRoot,
                     int64_t utcOffset, int64_t scanOffset) {
    const int toSide = 1 - fromSide;
    if (!PresentOn(row, fromSide) || !PresentOn(row, toSide))
        return FailureText(Attempt::Redate, QStringLiteral("nur auf einer Seite vorhanden"));
    const QString& fromPath = PathOnSide(row, fromSide);
    const QString& toPath = PathOnSide(row, toSide);
    if (PassesThroughLink(fromRoot, fromPath) || PassesThroughLink(toRoot, toPath))
        return FailureText(Attempt::Redate, PathThroughLink);
    const std::optional<int32_t> date = ReadLocalDate(fromRoot + fromPath, utcOffset);
    if (!date)
        return FailureText(Attempt::Redate, QStringLiteral("kein Datum zum Übertragen"));
    const QString to = toRoot + toPath;
    int error = CheckEntry(to, ExpectedOn(row, toSide, scanOffset));
    if (error == NoFileError && WriteLocalDate(to, *date, utcOffset, &error))
        return QString();
    return FailureText(Attempt::Redate, error, to);
}
