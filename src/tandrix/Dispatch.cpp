#include "tandrix/Dispatch.h"

#include "ops/DateAlignHandlers.h"
#include "ops/DeleteHandlers.h"
#include "ops/FreeSpaceHandlers.h"
#include "ops/SyncHandlers.h"
#include "scan/ResultListHandlers.h"
#include "scan/ScanHandlers.h"
#include "sets/FilterHandlers.h"
#include "sets/SetHandlers.h"
#include "tandrix/AppState.h"
#include "tandrix/InfoHandlers.h"
#include "ui/Identifiers.h"
#include "ui/MainForm.h"

// Each row wires one menu item or control number to its handler; the first matching row applies.
// Menu 7 ("Beenden") and the close request end the loop in App itself.

const std::vector<DispatchRow>& MenuTable() {
    static const std::vector<DispatchRow> table = {
        {Menu_NewSet, [](AppState& s, MainForm& f, int) { NewSet(s, f); }},
        {Menu_CopySet, [](AppState& s, MainForm& f, int) { CopySet(s, f); }},
        {Menu_RenameSet, [](AppState& s, MainForm& f, int) { RenameSet(s, f); }},
        {Menu_DeleteSet, [](AppState& s, MainForm& f, int) { DeleteSet(s, f); }},
        {Menu_AddToFilter, [](AppState& s, MainForm& f, int) { AddSelectionToFilter(s, f); }},
        {Menu_DateAlign, [](AppState& s, MainForm& f, int) { RunDateAlign(s, f); }},
        // The check mark has been toggled by the menu itself when this runs.
        {Menu_RemovableFreeSpace, [](AppState& s, MainForm& f, int) { RefreshFreeSpace(s, f); }},
        {Menu_Info, [](AppState& s, MainForm& f, int) { Info(s, f); }},
    };
    return table;
}

const std::vector<DispatchRow>& ControlTable() {
    static const std::vector<DispatchRow> table = {
        {Gadget_Form_HyperLinkQuelle, [](AppState&, MainForm& f, int) { OpenTypedPath(f.stringQuelle); }},
        {Gadget_Form_StringQuelle, [](AppState& s, MainForm& f, int) { StoreSetPaths(s, f); }},
        {Gadget_Form_ButtonQuelle, [](AppState& s, MainForm& f, int) { ChooseSourcePath(s, f); }},
        {Gadget_Form_HyperLinkMid, [](AppState&, MainForm& f, int) { OpenTypedPath(f.stringMid); }},
        {Gadget_Form_StringMid, [](AppState& s, MainForm& f, int) { StoreSetPaths(s, f); }},
        {Gadget_Form_ButtonMid, [](AppState& s, MainForm& f, int) { ChooseTargetPath(s, f); }},
        {Gadget_Form_ComboBoxSets, [](AppState& s, MainForm& f, int) { ShowSelectedSet(s, f); }},
        {Gadget_Form_CheckBoxFilter, [](AppState& s, MainForm& f, int) { FilterCheckBoxEvent(s, f); }},
        {Gadget_Form_ButtonScan, [](AppState& s, MainForm& f, int) { StartScan(s, f); }},
        {Gadget_Form_ButtonSelAll, [](AppState& s, MainForm& f, int) { SelectAllRows(s, f); }},
        {Gadget_Form_ButtonSelNix, [](AppState& s, MainForm& f, int) { SelectNoRows(s, f); }},
        {Gadget_Form_ButtonSelNeg, [](AppState& s, MainForm& f, int) { InvertSelection(s, f); }},
        {Gadget_Form_ButtonSelCR, [](AppState& s, MainForm& f, int) { SelectByAction(s, f, u'>'); }},
        {Gadget_Form_ButtonSelCL, [](AppState& s, MainForm& f, int) { SelectByAction(s, f, u'<'); }},
        {Gadget_Form_ButtonSelDir, [](AppState& s, MainForm& f, int) { SelectDirectories(s, f); }},
        {Gadget_Form_ButtonSelSync, [](AppState& s, MainForm& f, int) { SyncSelected(s, f); }},
        {Gadget_Form_ButtonSelDel, [](AppState& s, MainForm& f, int) { DeleteSelected(s, f); }},
        {Gadget_Form_ListIconFiles,
         [](AppState& s, MainForm& f, int type) {
             if (type == 2)
                 OpenRowFolders(s, f);
             else
                 ShowSelectionCount(s, f);
         }},
    };
    return table;
}
