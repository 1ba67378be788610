#include "ui/StatusThrottle.h"

#include <algorithm>
#include <utility>

StatusThrottle::StatusThrottle(std::function<void(const QString&)> write, int intervalMs)
    : writer(std::move(write)), interval(intervalMs) {
    tick.setSingleShot(true);
    QObject::connect(&tick, &QTimer::timeout, [this] { flush(); });
}

void StatusThrottle::show(const QString& text) {
    if (!sinceWritten.isValid() || sinceWritten.elapsed() >= interval) {
        write(text);
        return;
    }
    held = text;
    holding = true;
    if (!tick.isActive())
        tick.start(int(std::max<qint64>(0, interval - sinceWritten.elapsed())));
}

void StatusThrottle::showNow(const QString& text) {
    write(text);
}

void StatusThrottle::flush() {
    if (holding)
        write(std::exchange(held, QString()));
}

void StatusThrottle::write(const QString& text) {
    tick.stop();
    holding = false;
    held.clear();
    writer(text);
    sinceWritten.start();
}
