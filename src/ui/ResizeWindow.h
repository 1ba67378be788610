#pragma once

#include "ui/LayoutRegistry.h"

#include <QWidget>
#include <functional>

// Re-lays out a window's registered controls for the current size of its client area.
// `control` maps a control number to its widget (nullptr when it does not exist).
void ResizeWindow(const LayoutRegistry& registry, int window, const QWidget* client,
                  const std::function<QWidget*(int)>& control);
