#pragma once

#include "ui/LayoutRegistry.h"
#include "ui/MainForm.h"
#include "ui/Scale.h"

// Opens the main window with all its controls and the status bar, scaled and registered for
// re-layout. Returns false when the window cannot be opened (nothing is created then).
namespace dialoge {
bool Window_Form(const Scale& scale, LayoutRegistry& registry, MainForm& form);
} // namespace dialoge

// Creates menu 1 and attaches it to the main window.
void AttachMenu(MainForm& form);
