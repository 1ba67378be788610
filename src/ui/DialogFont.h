#pragma once

#include "ui/Scale.h"

#include <QFont>

class QWidget;

// The one font of every window. The layouts were drawn for the small dialog font of their first
// home, 11 pixels at 96 dpi, and their narrow controls leave no room beyond it: a desktop default
// of 12 pixels and more cuts captions off. So every window takes the desktop's family at 11 design
// units, scaled like the layout, and narrowed, which keeps each caption inside the rectangle
// described for it at any scale.
QFont DialogFont(const Scale& scale);

// Gives `widget` and everything on it the dialog font.
void UseDialogFont(QWidget* widget, const Scale& scale);
