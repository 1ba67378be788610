#include "scan/PathOrder.h"

#include <algorithm>

namespace {

inline char16_t fold(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? char16_t(c + (u'a' - u'A')) : c;
}

} // namespace

int ComparePaths(const QString& a, const QString& b) {
    const char16_t* pa = reinterpret_cast<const char16_t*>(a.constData());
    const char16_t* pb = reinterpret_cast<const char16_t*>(b.constData());
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t ca = fold(pa[i]);
        const char16_t cb = fold(pb[i]);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool PathLess(const QString& a, const QString& b) {
    return ComparePaths(a, b) < 0;
}

void SortRows(ResultRows& rows) {
    std::stable_sort(rows.rows.begin(), rows.rows.end(),
                     [](const ResultRow& a, const ResultRow& b) { return PathLess(a.path, b.path); });
}
