#include "tandrix/App.h"

#include "platform/FileSystemIdentity.h"
#include "platform/HostName.h"
#include "platform/SettingsLocation.h"
#include "sets/SetHandlers.h"
#include "tandrix/Dispatch.h"
#include "ui/Identifiers.h"
#include "ui/MainFormWindow.h"
#include "ui/Message.h"
#include "ui/ResizeWindow.h"

#include <QItemSelectionModel>

namespace {
QString withSeparator(QString dir) {
    if (!dir.endsWith(u'/'))
        dir += u'/';
    return dir;
}

const DispatchRow* findRow(const std::vector<DispatchRow>& table, int number) {
    for (const DispatchRow& row : table) {
        if (row.number == number)
            return &row;
    }
    return nullptr;
}
} // namespace

App::App(const QString& programDir) {
    state.ProgramDir = withSeparator(programDir);
    state.settingsFile = SettingsFilePath(state.ProgramDir);
    state.hostName = HostName();
    state.machineId = MachineId();
    state.commonStateFolder = CommonStateFolder(state.ProgramDir, state.settingsFile);
}

App::~App() {
    if (form.window) {
        form.window->closeAllowed = true;
        delete form.window;
    }
}

bool App::open() {
    // Events raised while the window is built and the settings are applied run no handler.
    state.busy = true;
    InitScale(state.scale, -1.0f);
    if (!dialoge::Window_Form(state.scale, state.registry, form)) {
        Message(QStringLiteral("Fehler: Konnte Fenster Window_Form() nicht öffnen!"));
        state.busy = false;
        return false;
    }
    AttachMenu(form);
    form.window->setWindowTitle(QStringLiteral(" Tandrix "));
    form.checkBoxPack->setEnabled(false);
    connectEvents();
    LoadSettings(state, form);
    state.busy = false;
    return true;
}

void App::shutdown() {
    // An installed copy's first save goes into a configuration folder that may not exist yet.
    EnsureSettingsFolder(state.settingsPath());
    SaveSettings(state, form);
    if (form.window) {
        form.window->closeAllowed = true;
        form.window->close();
    }
}

void App::connectEvents() {
    auto onClick = [this](QAbstractButton* b, int id) {
        connect(b, &QAbstractButton::clicked, this, [this, id] { controlEvent(id); });
    };
    connect(form.hyperLinkQuelle, &HyperLink::clicked, this,
            [this] { controlEvent(Gadget_Form_HyperLinkQuelle); });
    connect(form.hyperLinkMid, &HyperLink::clicked, this, [this] { controlEvent(Gadget_Form_HyperLinkMid); });
    // Only the user's edits are events; texts the program puts into a field are not.
    connect(form.stringQuelle, &QLineEdit::textEdited, this,
            [this] { controlEvent(Gadget_Form_StringQuelle); });
    connect(form.stringMid, &QLineEdit::textEdited, this, [this] { controlEvent(Gadget_Form_StringMid); });
    connect(form.stringSchnellFilter, &QLineEdit::textEdited, this,
            [this] { controlEvent(Gadget_Form_StringSchnellFilter); });
    connect(form.comboBoxSets, &QComboBox::activated, this,
            [this] { controlEvent(Gadget_Form_ComboBoxSets); });
    onClick(form.buttonQuelle, Gadget_Form_ButtonQuelle);
    onClick(form.buttonMid, Gadget_Form_ButtonMid);
    onClick(form.checkBoxFilter, Gadget_Form_CheckBoxFilter);
    onClick(form.checkBoxPack, Gadget_Form_CheckBoxPack);
    onClick(form.buttonScan, Gadget_Form_ButtonScan);
    onClick(form.checkBoxCancel, Gadget_Form_CheckBoxCancel);
    onClick(form.buttonSelAll, Gadget_Form_ButtonSelAll);
    onClick(form.buttonSelNix, Gadget_Form_ButtonSelNix);
    onClick(form.buttonSelNeg, Gadget_Form_ButtonSelNeg);
    onClick(form.buttonSelCR, Gadget_Form_ButtonSelCR);
    onClick(form.buttonSelCL, Gadget_Form_ButtonSelCL);
    onClick(form.buttonSelDir, Gadget_Form_ButtonSelDir);
    onClick(form.buttonSelSync, Gadget_Form_ButtonSelSync);
    onClick(form.buttonSelDel, Gadget_Form_ButtonSelDel);
    onClick(form.checkBoxDelQ, Gadget_Form_CheckBoxDelQ);
    onClick(form.checkBoxDelZ, Gadget_Form_CheckBoxDelZ);
    connect(form.listIconFiles->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { controlEvent(Gadget_Form_ListIconFiles, 0); });
    connect(form.listIconFiles, &QAbstractItemView::doubleClicked, this,
            [this] { controlEvent(Gadget_Form_ListIconFiles, 2); });
    for (auto& [number, action] : form.menuItems) {
        const int item = number;
        connect(action, &QAction::triggered, this, [this, item] { menuEvent(item); });
    }
    connect(form.window, &MainWindow::closeRequested, this, &App::requestQuit);
    // Re-layout is the window's own handling of its size; it happens during operations too.
    connect(form.client, &ClientArea::resized, this, [this] {
        ResizeWindow(state.registry, Window_Form, form.client, [this](int id) { return form.gadget(id); });
    });
}

void App::afterEvent() {
    if (form.checkBoxCancel && form.checkBoxCancel->isChecked())
        form.checkBoxCancel->setChecked(false);
}

void App::menuEvent(int item) {
    if (state.busy) {
        // A choice made during an operation is discarded; the check mark Qt already moved goes back.
        if (item == Menu_RemovableFreeSpace) {
            QAction* a = form.menuItems[item];
            const bool blocked = a->blockSignals(true);
            a->setChecked(!a->isChecked());
            a->blockSignals(blocked);
        }
        return;
    }
    if (item == Menu_Quit) {
        requestQuit();
        afterEvent();
        return;
    }
    if (const DispatchRow* row = findRow(MenuTable(), item)) {
        state.busy = true;
        row->action(state, form, 0);
        state.busy = false;
    }
    afterEvent();
}

void App::controlEvent(int control, int type) {
    if (state.busy)
        return;
    if (const DispatchRow* row = findRow(ControlTable(), control)) {
        state.busy = true;
        row->action(state, form, type);
        state.busy = false;
    }
    afterEvent();
}

void App::requestQuit() {
    if (state.busy)
        return;
    quit = true;
    emit quitNow();
}
