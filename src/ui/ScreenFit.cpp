#include "ui/ScreenFit.h"

#include <algorithm>

namespace {

qint64 area(const QRect& r) {
    return r.isEmpty() ? 0 : qint64(r.width()) * r.height();
}

// The nearest position that puts `length` inside [start, start + room), or `start` when it is longer.
int clampInto(int position, int length, int start, int room) {
    return std::max(start, std::min(position, start + room - length));
}

} // namespace

QRect FitOntoScreens(const QRect& saved, const QList<QRect>& screens, const QRect& primary) {
    for (const QRect& screen : screens) {
        if (2 * area(saved & screen) >= area(saved) && area(saved) > 0)
            return saved;
    }
    if (primary.isEmpty())
        return saved;
    const int w = std::min(saved.width(), primary.width());
    const int h = std::min(saved.height(), primary.height());
    return {clampInto(saved.x(), w, primary.x(), primary.width()),
            clampInto(saved.y(), h, primary.y(), primary.height()), w, h};
}
