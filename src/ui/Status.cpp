#include "ui/Status.h"

#include "ui/MainForm.h"

void Status(MainForm& form, const QString& text, int field) {
    if (field < 0 || field >= 3 || !form.statusField[field])
        return;
    form.statusField[field]->setText(text);
    if (form.statusWritten)
        form.statusWritten(field, text);
}
