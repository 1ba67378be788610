#include "ui/Status.h"

#include "ui/MainForm.h"

void Status(MainForm& form, const QString& text, int field) {
    if (field >= 0 && field < 3 && form.statusField[field])
        form.statusField[field]->setText(text);
}
