#pragma once

// The fixed numbers of every window and control, used in events and by the dispatch tables.
// The functions that build the windows carry the windows' names too; they live in namespace
// dialoge (dialoge::Window_Form(), dialoge::Window_FormFilter(), dialoge::WndChldDatumAbgl(),
// dialoge::WndChldInfo()), since a function cannot share a name with an enumerator.
enum Identifier : int {
    Window_Form = 1,
    Gadget_Form_HyperLinkQuelle = 2,
    Gadget_Form_StringQuelle = 3,
    Gadget_Form_ButtonQuelle = 4,
    Gadget_Form_HyperLinkMid = 5,
    Gadget_Form_StringMid = 6,
    Gadget_Form_ButtonMid = 7,
    Gadget_Form_TextZielFree = 8,
    Gadget_Form_TextQuelleFree = 9,
    Gadget_Form_ComboBoxSets = 10,
    Gadget_Form_CheckBoxFilter = 11,
    Gadget_Form_CheckBoxPack = 12,
    Gadget_Form_ButtonScan = 13,
    Gadget_Form_CheckBoxCancel = 14,
    Gadget_Form_TextSchnellFilter = 15,
    Gadget_Form_StringSchnellFilter = 16,
    Gadget_Form_FrameSel = 17,
    Gadget_Form_ButtonSelAll = 18,
    Gadget_Form_ButtonSelNix = 19,
    Gadget_Form_ButtonSelNeg = 20,
    Gadget_Form_ButtonSelCR = 21,
    Gadget_Form_ButtonSelCL = 22,
    Gadget_Form_ButtonSelDir = 23,
    Gadget_Form_ButtonSelSync = 24,
    Gadget_Form_ButtonSelDel = 25,
    Gadget_Form_CheckBoxDelQ = 26,
    Gadget_Form_CheckBoxDelZ = 27,
    Gadget_Form_ListIconFiles = 28,
    StatusBar_Form = 29,
    StatusBarAddField0 = 30,
    StatusBarAddField1 = 31,
    StatusBarAddField2 = 32,
    WndChldDatumAbgl = 33,
    DatumAbglEditGdg = 34,
    DatumAbglOptGdgQZ = 35,
    DatumAbglOptGdgZQ = 36,
    DatumAbglBtnGdgAusf = 37,
    DatumAbglBtnGdgAbbrechen = 38,
    Window_FormFilter = 39,
    Gadget_FormFilter_EditorFilter = 40,
    Gadget_FormFilter_Text33 = 41,
    Gadget_FormFilter_CheckBoxIgnoreDate = 42,
    Gadget_FormFilter_TextRichtung = 43,
    Gadget_FormFilter_ComboBoxRichtung = 44,
    Gadget_FormFilter_ButtonOK = 45,
    Gadget_FormFilter_ButtonAbbr = 46,
    WndChldInfo = 47,
    WndChldInfoEditGdg = 48,
    WndChldInfoBtnGdgOK = 49,
    Gadget_FormFilter_CheckBoxTrash = 50,
};

// Item numbers of menu 1 of the main window.
enum MenuItem : int {
    Menu_NewSet = 3,
    Menu_CopySet = 4,
    Menu_RenameSet = 5,
    Menu_DeleteSet = 6,
    Menu_Quit = 7,
    Menu_AddToFilter = 9,
    Menu_DateAlign = 10,
    Menu_RemovableFreeSpace = 12,
    Menu_Info = 13,
};

// Marks a registry entry that describes the window itself, or a coordinate that is not adjusted.
constexpr int ResizeNone = -65535;
