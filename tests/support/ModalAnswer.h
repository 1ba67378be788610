#pragma once

#include <QWidget>
#include <functional>

// Answers the next modal window that opens (a message box, a prompt, a dialog) by calling
// `answer` with it, once, from the event loop. Tests arm it before the click that opens the box.
// Returns an object whose done() tells whether a box was met.
class ModalAnswer {
public:
    explicit ModalAnswer(std::function<void(QWidget*)> answer, int timeoutMs = 10000);
    ~ModalAnswer();
    bool done() const;
    QString text() const; // the text of a message box that was answered, if it was one

private:
    struct Impl;
    Impl* impl;
};

// Convenience answers.
void PressButton(QWidget* modal, const QString& caption); // clicks the button with this caption
void PressEscape(QWidget* modal);
void PressEnter(QWidget* modal);
