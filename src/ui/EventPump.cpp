#include "ui/EventPump.h"

#include <QCheckBox>
#include <QCoreApplication>

EventPump::EventPump(QCheckBox* cancel) : cancelBox(cancel) {
    sinceLast.start();
}

bool EventPump::step() {
    if (sinceLast.elapsed() >= 20)
        return drain();
    return cancelled();
}

bool EventPump::drain() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    sinceLast.restart();
    return cancelled();
}

bool EventPump::cancelled() const {
    return cancelBox && cancelBox->isChecked();
}
