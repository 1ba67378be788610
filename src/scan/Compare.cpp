#include "scan/Compare.h"

#include "scan/PathOrder.h"

#include <algorithm>
#include <cstdlib>

namespace {

int64_t ownSize(const ResultRow& r) {
    return r.side == 0 ? r.size1 : r.size2;
}
int32_t ownDate(const ResultRow& r) {
    return r.side == 0 ? r.date1 : r.date2;
}

void setSideFields(ResultRow& r, uint8_t side, int64_t size, int32_t date) {
    if (side == 0) {
        r.size1 = size;
        r.date1 = date;
    } else {
        r.size2 = size;
        r.date2 = date;
    }
}

bool isAscii(const QString& s) {
    for (QChar c : s)
        if (c.unicode() >= 0x80)
            return false;
    return true;
}

char16_t asciiLower(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
}

} // namespace

int CompareTimes(int32_t a, int32_t b, const Settings& settings) {
    // Wide arithmetic: the difference of two 32-bit times (-1 marks an unknown one) can overflow.
    const int64_t d = int64_t(a) - int64_t(b);
    const int64_t m = std::llabs(d);
    const int64_t t = settings.TimeTolerance;
    if (m > t && std::llabs(settings.TimeSummerDiff - m) > t && std::llabs(settings.TimeSummerDiff2 - m) > t)
        return d > 0 ? 1 : -1;
    return 0;
}

bool SameLowerPath(const QString& a, const QString& b) {
    // Most paths are plain ASCII: compare them without building lower-case copies.
    if (isAscii(a) && isAscii(b)) {
        if (a.size() != b.size())
            return false;
        const char16_t* pa = reinterpret_cast<const char16_t*>(a.constData());
        const char16_t* pb = reinterpret_cast<const char16_t*>(b.constData());
        for (qsizetype i = 0; i < a.size(); ++i)
            if (asciiLower(pa[i]) != asciiLower(pb[i]))
                return false;
        return true;
    }
    return a.toLower() == b.toLower();
}

MatchOptions MatchOptionsOf(const ScanState& scan) {
    return {scan.IgnoreDateFlag, scan.OnlyToTargetFlag, scan.OnlyToSourceFlag};
}

void MatchRows(ResultRows& list, const Settings& settings, const MatchOptions& options) {
    SortRows(list);
    std::vector<ResultRow>& rows = list.rows;

    // Rows [0, kept) are the survivors so far; the last of them is the previous row of the walk.
    size_t kept = 0;
    for (size_t r = 0; r < rows.size(); ++r) {
        ResultRow& current = rows[r];
        if (kept > 0 && SameLowerPath(rows[kept - 1].path, current.path)) {
            ResultRow& previous = rows[kept - 1];
            if (ownSize(previous) == DirectorySize) {
                --kept;
                continue;
            }
            int result;
            if (options.IgnoreDateFlag && ownSize(previous) == ownSize(current))
                result = 0;
            else
                result = CompareTimes(ownDate(previous), ownDate(current), settings);
            if (result == 0) {
                --kept;
            } else if (result > 0) {
                setSideFields(previous, current.side, ownSize(current), ownDate(current));
            } else {
                setSideFields(current, previous.side, ownSize(previous), ownDate(previous));
                previous = std::move(current);
            }
            continue;
        }
        if (kept != r)
            rows[kept] = std::move(current);
        ++kept;
    }
    rows.resize(kept);

    QChar hidden;
    if (options.OnlyToSourceFlag)
        hidden = u'>';
    else if (options.OnlyToTargetFlag)
        hidden = u'<';
    if (!hidden.isNull())
        rows.erase(
            std::remove_if(rows.begin(), rows.end(), [&](const ResultRow& r) { return r.action == hidden; }),
            rows.end());
    list.current = int(rows.size()) - 1;
}
