#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QTimer>
#include <functional>

// Writes a status text that changes faster than anyone can read it at most once per interval:
// writing each one to its label would cost more than the walk that produces them. A text that
// comes too soon is held back and written at the next tick of the event loop once the interval
// has passed (or by flush()), so the newest text always reaches the field: a slow folder shows its
// own name, not the previous one's, and the last text of an operation is the one shown.
class StatusThrottle {
public:
    explicit StatusThrottle(std::function<void(const QString&)> write, int intervalMs = 20);

    // Writes `text` now when the interval has passed, otherwise holds it back.
    void show(const QString& text);
    // Writes `text` now.
    void showNow(const QString& text);
    // Writes a text still held back, if any.
    void flush();

private:
    void write(const QString& text);

    std::function<void(const QString&)> writer;
    int interval;
    QElapsedTimer sinceWritten;
    QTimer tick;
    QString held;
    bool holding = false;
};
