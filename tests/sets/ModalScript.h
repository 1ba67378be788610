#pragma once

#include "support/ModalAnswer.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <vector>

// Answers the modal boxes that open one after the other, each with the next answer of the script,
// and records what each box showed: a message box its text, the name prompt its message and
// default text as "message|default", any other window its title.
class ModalScript {
public:
    using Answer = std::function<void(QWidget*)>;

    explicit ModalScript(std::vector<Answer> answers) : answers(std::move(answers)) {
        QObject::connect(&timer, &QTimer::timeout, [this] { tick(); });
        timer.start(5);
    }

    int answered() const { return int(seen.size()); }
    QStringList seen;

private:
    void tick() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || modal == last.data())
            return;
        last = modal;
        seen << describe(modal);
        if (next < answers.size())
            answers[next++](modal);
        else
            PressEscape(modal); // an unexpected box must not hang the test; `seen` shows it
    }

    static QString describe(QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal))
            return box->text();
        if (modal->objectName() == QStringLiteral("NamePrompt")) {
            const QLabel* label = modal->findChild<QLabel*>();
            const QLineEdit* field = modal->findChild<QLineEdit*>();
            return (label ? label->text() : QString()) + u'|' + (field ? field->text() : QString());
        }
        return modal->windowTitle();
    }

    std::vector<Answer> answers;
    size_t next = 0;
    QPointer<QWidget> last;
    QTimer timer;
};

inline ModalScript::Answer Ok() {
    return [](QWidget* m) { PressButton(m, QStringLiteral("OK")); };
}
inline ModalScript::Answer Yes() {
    return [](QWidget* m) { PressButton(m, QStringLiteral("Ja")); };
}
inline ModalScript::Answer No() {
    return [](QWidget* m) { PressButton(m, QStringLiteral("Nein")); };
}
inline ModalScript::Answer Escape() {
    return [](QWidget* m) { PressEscape(m); };
}
// Types a text into the prompt's field, replacing its default, and confirms with Enter.
inline ModalScript::Answer Type(const QString& text) {
    return [text](QWidget* m) {
        if (auto* field = m->findChild<QLineEdit*>())
            field->setText(text);
        PressEnter(m);
    };
}
