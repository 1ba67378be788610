#include "tandrix/DisableControls.h"

#include "ui/Identifiers.h"
#include "ui/MainForm.h"

void DisableControls(MainForm& form, bool disable) {
    for (int id = Gadget_Form_HyperLinkQuelle; id <= Gadget_Form_ListIconFiles; ++id) {
        if (id == Gadget_Form_CheckBoxPack || id == Gadget_Form_CheckBoxCancel)
            continue;
        if (QWidget* w = form.gadget(id))
            w->setEnabled(!disable);
    }
}
