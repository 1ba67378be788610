#pragma once

#include <QString>
#include <vector>

// One record of the layout registry; ResizeNone in x, y, w or h means "not adjusted".
struct ResizeEntry {
    int window = 0;
    int control = 0; // ResizeNone for the entry that describes the window itself
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
};

// Ordered list of entries; the pair (window, control) is unique in it.
struct LayoutRegistry {
    std::vector<ResizeEntry> entries;
};

// A control's new geometry after a re-layout; ResizeNone keeps that coordinate as it is.
struct ControlPlacement {
    int control = 0;
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
};

void ResizeSet(LayoutRegistry& registry, int window, int control, int x, int y, int w, int h);
void ResizeAdd(LayoutRegistry& registry, const QString& anchors, int window, int control, int x, int y, int w,
               int h);

// The placements for a window whose client area now measures clientW x clientH; empty when the
// window has no window entry. Differences are always taken against the size stored at opening.
std::vector<ControlPlacement> RelayoutWindow(const LayoutRegistry& registry, int window, int clientW,
                                             int clientH);
