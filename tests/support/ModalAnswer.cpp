#include "support/ModalAnswer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTimer>
#include <memory>

struct ModalAnswer::Impl {
    std::function<void(QWidget*)> answer;
    QTimer timer;
    QElapsedTimer clock;
    int timeoutMs = 0;
    bool done = false;
    QString text;
};

ModalAnswer::ModalAnswer(std::function<void(QWidget*)> answer, int timeoutMs) : impl(new Impl) {
    impl->answer = std::move(answer);
    impl->timeoutMs = timeoutMs;
    impl->clock.start();
    impl->timer.setInterval(10);
    QObject::connect(&impl->timer, &QTimer::timeout, [this] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            if (impl->clock.elapsed() > impl->timeoutMs)
                impl->timer.stop();
            return;
        }
        if (!modal->isVisible())
            return;
        impl->timer.stop();
        if (auto* box = qobject_cast<QMessageBox*>(modal))
            impl->text = box->text();
        impl->done = true;
        impl->answer(modal);
    });
    impl->timer.start();
}

ModalAnswer::~ModalAnswer() {
    delete impl;
}

bool ModalAnswer::done() const {
    return impl->done;
}

QString ModalAnswer::text() const {
    return impl->text;
}

void PressButton(QWidget* modal, const QString& caption) {
    for (QAbstractButton* b : modal->findChildren<QAbstractButton*>()) {
        if (b->text().remove(u'&') == caption) {
            b->click();
            return;
        }
    }
}

static void sendKey(QWidget* modal, int key) {
    QWidget* target = modal->focusWidget() ? modal->focusWidget() : modal;
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(target, &release);
}

void PressEscape(QWidget* modal) {
    sendKey(modal, Qt::Key_Escape);
}

void PressEnter(QWidget* modal) {
    sendKey(modal, Qt::Key_Return);
}
