#pragma once

#include <QList>
#include <QRect>

// Where a window whose saved frame rectangle is `saved` opens, given the available areas of the
// current screens. A settings file that travels from a larger screen, or from one of another dpi,
// can hold a rectangle that lies partly or wholly off every screen now. When at least half of the
// rectangle lies on one screen it is kept exactly; otherwise the window is moved onto `primary`,
// keeping its size where that fits and reduced to fit where it does not.
QRect FitOntoScreens(const QRect& saved, const QList<QRect>& screens, const QRect& primary);
