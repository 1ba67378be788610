#include "ui/DateAlignWindow.h"

#include "ui/DialogFont.h"
#include "ui/Identifiers.h"

#include <QApplication>
#include <QButtonGroup>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

DateAlignWindow::DateAlignWindow(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {}

QWidget* DateAlignWindow::control(int id) const {
    switch (id) {
    case DatumAbglEditGdg:
        return editor;
    case DatumAbglOptGdgQZ:
        return optionQZ;
    case DatumAbglOptGdgZQ:
        return optionZQ;
    case DatumAbglBtnGdgAusf:
        return runButton;
    case DatumAbglBtnGdgAbbrechen:
        return cancelButton;
    default:
        return nullptr;
    }
}

DateAlignWindow* dialoge::WndChldDatumAbgl(const Scale& scale, LayoutRegistry& registry, QWidget* owner) {
    if (!qApp)
        return nullptr;
    auto s = [&scale](int v) { return Scaled(scale, v); };

    auto* window = new DateAlignWindow(owner);
    window->setWindowTitle(QStringLiteral("Datum abgleichen"));
    window->setWindowModality(Qt::ApplicationModal);
    QRect frame(s(100), s(95), s(500), s(160));
    ResizeSet(registry, ::WndChldDatumAbgl, ResizeNone, frame.x(), frame.y(), frame.width(), frame.height());
    window->setFixedSize(frame.size());
    UseDialogFont(window, scale);
    if (owner)
        frame.moveCenter(owner->geometry().center());
    window->setGeometry(frame);

    window->editor = new QPlainTextEdit(window);
    window->editor->setGeometry(s(5), s(10), s(490), s(65));
    window->editor->setReadOnly(true);
    window->editor->setPlainText(QStringLiteral(
        "Diese Funktion überträgt das Datum der markierten Zeilen auf die jeweils andere Seite. Ist\n"
        "nützlich, wenn aus irgend einem Grund Dateien ein falsches Datum haben.\n"
        "\n"
        "Aufpassen beim wählen der Richtung! Die Aktion ist nicht rückgängig zu machen!"));

    window->optionQZ = new QRadioButton(QStringLiteral("Ziel >>> Quelle"), window);
    window->optionQZ->setGeometry(s(115), s(90), s(100), s(20));
    window->optionZQ = new QRadioButton(QStringLiteral("Ziel <<< Quelle"), window);
    window->optionZQ->setGeometry(s(260), s(90), s(100), s(20));
    auto* group = new QButtonGroup(window);
    group->addButton(window->optionQZ);
    group->addButton(window->optionZQ);

    window->runButton = new QPushButton(QStringLiteral("Ausführen!"), window);
    window->runButton->setGeometry(s(125), s(125), s(80), s(20));
    window->runButton->setAutoDefault(false);
    window->cancelButton = new QPushButton(QStringLiteral("Abbrechen"), window);
    window->cancelButton->setGeometry(s(270), s(125), s(80), s(20));
    window->cancelButton->setAutoDefault(false);
    QObject::connect(window->runButton, &QPushButton::clicked, window, &QDialog::accept);
    QObject::connect(window->cancelButton, &QPushButton::clicked, window, &QDialog::reject);
    return window;
}
