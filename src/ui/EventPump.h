#pragma once

#include <QElapsedTimer>

class QCheckBox;

// Keeps the window alive during a long operation. Pending events are processed (they run no
// handler while the operation's handler is busy), but at most every 20 ms, so a walk over
// 10^5 entries does not spend its time in the event loop. "Abbruch" still reacts within 100 ms.
class EventPump {
public:
    explicit EventPump(QCheckBox* cancel);

    // Processes pending events when 20 ms have passed since the last time; returns whether
    // "Abbruch" is ticked.
    bool step();
    // Processes all pending events now; returns whether "Abbruch" is ticked.
    bool drain();
    bool cancelled() const;

private:
    QCheckBox* cancelBox;
    QElapsedTimer sinceLast;
};
