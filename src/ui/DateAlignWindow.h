#pragma once

#include "ui/LayoutRegistry.h"
#include "ui/Scale.h"

#include <QDialog>

class QPlainTextEdit;
class QPushButton;
class QRadioButton;

// The window that asks for the direction of a date alignment. "Ausführen!" accepts it,
// "Abbrechen" rejects it; it has no close box.
class DateAlignWindow : public QDialog {
    Q_OBJECT
public:
    explicit DateAlignWindow(QWidget* owner);

    QPlainTextEdit* editor = nullptr;    // 34
    QRadioButton* optionQZ = nullptr;    // 35, "Ziel >>> Quelle": side 2 gets side 1's dates
    QRadioButton* optionZQ = nullptr;    // 36, "Ziel <<< Quelle": side 1 gets side 2's dates
    QPushButton* runButton = nullptr;    // 37
    QPushButton* cancelButton = nullptr; // 38

    QWidget* control(int id) const;
};

// Builds window 33 with its controls, enters it into the layout registry and centres it on its
// owner; hidden, modal. nullptr when no window can be made.
namespace dialoge {
DateAlignWindow* WndChldDatumAbgl(const Scale& scale, LayoutRegistry& registry, QWidget* owner);
} // namespace dialoge
