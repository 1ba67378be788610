#include "ui/LayoutRegistry.h"

#include "ui/Identifiers.h"

void ResizeSet(LayoutRegistry& registry, int window, int control, int x, int y, int w, int h) {
    for (ResizeEntry& e : registry.entries) {
        if (e.window == window && e.control == control) {
            e.x = x;
            e.y = y;
            e.w = w;
            e.h = h;
            return;
        }
    }
    registry.entries.push_back({window, control, x, y, w, h});
}

void ResizeAdd(LayoutRegistry& registry, const QString& anchors, int window, int control, int x, int y, int w,
               int h) {
    if (anchors.isEmpty())
        return;
    // Letters compare exactly; the window builders pass their anchors upper-cased.
    const QString& a = anchors;
    ResizeSet(registry, window, control, a.contains(u'L') ? x : ResizeNone, a.contains(u'O') ? y : ResizeNone,
              a.contains(u'R') ? w : ResizeNone, a.contains(u'U') ? h : ResizeNone);
}

std::vector<ControlPlacement> RelayoutWindow(const LayoutRegistry& registry, int window, int clientW,
                                             int clientH) {
    std::vector<ControlPlacement> result;
    const ResizeEntry* windowEntry = nullptr;
    for (const ResizeEntry& e : registry.entries) {
        if (e.window == window && e.control == ResizeNone) {
            windowEntry = &e;
            break;
        }
    }
    if (!windowEntry)
        return result;
    const int dW = clientW - windowEntry->w;
    const int dH = clientH - windowEntry->h;
    auto shift = [](int v, int d) { return v == ResizeNone ? ResizeNone : v + d; };
    for (const ResizeEntry& e : registry.entries) {
        if (e.window != window || e.control == ResizeNone)
            continue;
        result.push_back({e.control, shift(e.x, dW), shift(e.y, dH), shift(e.w, dW), shift(e.h, dH)});
    }
    return result;
}
