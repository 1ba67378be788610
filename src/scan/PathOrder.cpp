#include "scan/PathOrder.h"

#include <algorithm>
#include <cstring>

namespace {

inline char16_t fold(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? char16_t(c + (u'a' - u'A')) : c;
}

// First position from `i` on where the two texts differ in their code units, or n. Paths of one
// tree share long prefixes, so the equal part is passed four units at a time.
inline qsizetype firstDifference(const char16_t* a, const char16_t* b, qsizetype i, qsizetype n) {
    for (; i + 4 <= n; i += 4) {
        uint64_t wa;
        uint64_t wb;
        std::memcpy(&wa, a + i, sizeof wa);
        std::memcpy(&wb, b + i, sizeof wb);
        if (wa != wb)
            break;
    }
    while (i < n && a[i] == b[i])
        ++i;
    return i;
}

} // namespace

int ComparePaths(const QString& a, const QString& b) {
    const char16_t* pa = reinterpret_cast<const char16_t*>(a.constData());
    const char16_t* pb = reinterpret_cast<const char16_t*>(b.constData());
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = firstDifference(pa, pb, 0, n); i < n; i = firstDifference(pa, pb, i + 1, n)) {
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
    StableSortInHalves(rows.rows,
                       [](const ResultRow& a, const ResultRow& b) { return PathLess(a.path, b.path); });
}
