#include "ui/ResizeWindow.h"

#include "ui/Identifiers.h"

void ResizeWindow(const LayoutRegistry& registry, int window, const QWidget* client,
                  const std::function<QWidget*(int)>& control) {
    if (!client || !client->isVisible())
        return;
    for (const ControlPlacement& p : RelayoutWindow(registry, window, client->width(), client->height())) {
        QWidget* w = control(p.control);
        if (!w)
            continue;
        QRect g = w->geometry();
        g = QRect(p.x == ResizeNone ? g.x() : p.x, p.y == ResizeNone ? g.y() : p.y,
                  p.w == ResizeNone ? g.width() : p.w, p.h == ResizeNone ? g.height() : p.h);
        w->setGeometry(g);
    }
}
