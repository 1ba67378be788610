#pragma once

#include <QDialog>
#include <memory>

struct AppState;
class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// The filter window "Tandrix Filter" and its gadgets 40 to 46. "OK" accepts the dialog,
// "Abbrechen" and the close button reject it.
struct FilterWindow {
    std::unique_ptr<QDialog> dialog;
    QPlainTextEdit* editorFilter = nullptr;  // 40
    QLabel* text33 = nullptr;                // 41
    QCheckBox* checkBoxIgnoreDate = nullptr; // 42
    QLabel* textRichtung = nullptr;          // 43
    QComboBox* comboBoxRichtung = nullptr;   // 44
    QPushButton* buttonOK = nullptr;         // 45
    QPushButton* buttonAbbr = nullptr;       // 46
    QCheckBox* checkBoxVerify = nullptr;     // 50, "Kopien prüfen"
    QCheckBox* checkBoxTrash = nullptr;      // 51
};

// Builds the window as a modal child of `parent`, centred on it, scaled and registered with the
// layout registry; null when it cannot be opened.
namespace dialoge {
std::unique_ptr<FilterWindow> Window_FormFilter(AppState& state, QWidget* parent);
} // namespace dialoge
