#include "ui/FilterWindow.h"

#include "tandrix/AppState.h"
#include "ui/DialogFont.h"
#include "ui/Identifiers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

// The window has no keyboard shortcuts: Escape does not end it, only its buttons and the close
// button do.
class FilterDialog : public QDialog {
public:
    using QDialog::QDialog;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Escape) {
            event->accept();
            return;
        }
        QDialog::keyPressEvent(event);
    }
};

} // namespace

std::unique_ptr<FilterWindow> dialoge::Window_FormFilter(AppState& state, QWidget* parent) {
    auto s = [&](int v) { return Scaled(state.scale, v); };
    auto w = std::make_unique<FilterWindow>();
    w->dialog = std::make_unique<FilterDialog>(parent);
    QDialog* dialog = w->dialog.get();
    dialog->setObjectName(QStringLiteral("Window_FormFilter"));
    dialog->setWindowTitle(QStringLiteral("Tandrix Filter"));
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint);
    dialog->setWindowModality(Qt::ApplicationModal);
    // One line below the described window for the options that came later.
    dialog->setFixedSize(s(400), s(245));
    UseDialogFont(dialog, state.scale);
    ResizeSet(state.registry, ::Window_FormFilter, ResizeNone, s(240), s(176), s(400), s(245));

    auto place = [&](QWidget* gadget, int id, int x, int y, int width, int height) {
        gadget->setGeometry(s(x), s(y), s(width), s(height));
        ResizeAdd(state.registry, QString(), ::Window_FormFilter, id, s(x), s(y), s(width), s(height));
    };

    w->editorFilter = new QPlainTextEdit(dialog);
    w->editorFilter->setObjectName(QStringLiteral("Gadget_FormFilter_EditorFilter"));
    place(w->editorFilter, Gadget_FormFilter_EditorFilter, 5, 40, 390, 150);

    w->text33 =
        new QLabel(QStringLiteral("Das Zeichen | kann nicht verwendet werden (auch Dateinamen können es "
                                  "nicht enthalten. Mehrere Zeichenketten durch Zeilensprung trennen..."),
                   dialog);
    w->text33->setObjectName(QStringLiteral("Gadget_FormFilter_Text33"));
    w->text33->setWordWrap(true);
    w->text33->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    place(w->text33, Gadget_FormFilter_Text33, 5, 5, 390, 30);

    w->checkBoxIgnoreDate = new QCheckBox(QStringLiteral("Ignoriere Datum"), dialog);
    w->checkBoxIgnoreDate->setObjectName(QStringLiteral("Gadget_FormFilter_CheckBoxIgnoreDate"));
    w->checkBoxIgnoreDate->setToolTip(QStringLiteral("Ignoriert Datum"));
    place(w->checkBoxIgnoreDate, Gadget_FormFilter_CheckBoxIgnoreDate, 5, 200, 100, 15);

    w->textRichtung = new QLabel(QStringLiteral("Richtung:"), dialog);
    w->textRichtung->setObjectName(QStringLiteral("Gadget_FormFilter_TextRichtung"));
    place(w->textRichtung, Gadget_FormFilter_TextRichtung, 120, 200, 50, 15);

    w->comboBoxRichtung = new QComboBox(dialog);
    w->comboBoxRichtung->setObjectName(QStringLiteral("Gadget_FormFilter_ComboBoxRichtung"));
    w->comboBoxRichtung->setEditable(false);
    w->comboBoxRichtung->setToolTip(QStringLiteral("Nur bestimmte Richtungen anzeigen!"));
    place(w->comboBoxRichtung, Gadget_FormFilter_ComboBoxRichtung, 170, 200, 45, 20);

    w->checkBoxVerify = new QCheckBox(QStringLiteral("Kopien prüfen"), dialog);
    w->checkBoxVerify->setObjectName(QStringLiteral("Gadget_FormFilter_CheckBoxVerify"));
    w->checkBoxVerify->setToolTip(
        QStringLiteral("Liest jede Kopie vom Datenträger zurück und vergleicht sie mit dem Original"));
    place(w->checkBoxVerify, Gadget_FormFilter_CheckBoxVerify, 275, 222, 120, 15);

    w->buttonOK = new QPushButton(QStringLiteral("OK"), dialog);
    w->buttonOK->setObjectName(QStringLiteral("Gadget_FormFilter_ButtonOK"));
    w->buttonOK->setAutoDefault(false);
    place(w->buttonOK, Gadget_FormFilter_ButtonOK, 270, 200, 60, 20);

    w->buttonAbbr = new QPushButton(QStringLiteral("Abbrechen"), dialog);
    w->buttonAbbr->setObjectName(QStringLiteral("Gadget_FormFilter_ButtonAbbr"));
    w->buttonAbbr->setAutoDefault(false);
    place(w->buttonAbbr, Gadget_FormFilter_ButtonAbbr, 335, 200, 60, 20);

    w->checkBoxTrash = new QCheckBox(QStringLiteral("Gelöschtes und Ersetztes in den Papierkorb"), dialog);
    w->checkBoxTrash->setObjectName(QStringLiteral("Gadget_FormFilter_CheckBoxTrash"));
    w->checkBoxTrash->setToolTip(QStringLiteral(
        "Gelöschte Einträge und die alten Versionen ersetzter Dateien kommen in den Papierkorb"));
    place(w->checkBoxTrash, Gadget_FormFilter_CheckBoxTrash, 5, 222, 260, 15);

    QObject::connect(w->buttonOK, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(w->buttonAbbr, &QPushButton::clicked, dialog, &QDialog::reject);
    return w;
}
