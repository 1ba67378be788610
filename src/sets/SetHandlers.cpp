#include "sets/SetHandlers.h"

#include "ops/FreeSpaceHandlers.h"
#include "sets/FilterHandlers.h"
#include "sets/SetList.h"
#include "sets/SettingsFile.h"
#include "tandrix/AppState.h"
#include "ui/MainForm.h"
#include "ui/Message.h"
#include "ui/NamePrompt.h"
#include "ui/ResultListModel.h"
#include "ui/ScreenFit.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QSignalBlocker>

namespace {

const QString NoSetMessage = QStringLiteral(
    "Es muss mindestens ein Set bestehen - dieses wird nun erstellt, wählen Sie einen Namen...");

WindowPlacement currentPlacement(const MainForm& form) {
    WindowPlacement p;
    p.x = form.window->pos().x();
    p.y = form.window->pos().y();
    p.width = form.client->width();
    p.height = form.client->height();
    if (form.window->isMinimized())
        p.state = WindowPlacement::State::Minimized;
    else if (form.window->isMaximized())
        p.state = WindowPlacement::State::Maximized;
    return p;
}

QList<QRect> screenAreas() {
    QList<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens())
        areas << screen->availableGeometry();
    return areas;
}

QRect primaryScreenArea() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

void applyPlacement(MainForm& form, const LoadedSettings& loaded) {
    if (loaded.moveWindow) {
        // The saved size is the client area's; the frame and the menu bar around it keep theirs.
        const QSize around = form.window->frameGeometry().size() - form.client->size();
        const QSize inner = form.window->size() - form.client->size();
        const QRect saved(QPoint(loaded.window.x, loaded.window.y),
                          QSize(loaded.window.width, loaded.window.height) + around);
        const QRect frame = FitOntoScreens(saved, screenAreas(), primaryScreenArea());
        form.window->move(frame.topLeft());
        form.window->resize(frame.size() - around + inner);
    }
    if (loaded.maximize)
        form.window->setWindowState(form.window->windowState() | Qt::WindowMaximized);
}

void addColumns(MainForm& form, const LoadedSettings& loaded) {
    form.listIconFiles->setColumnWidth(0, loaded.columnWidths[0]);
    for (int i = 1; i < ResultColumnCount; ++i) {
        form.listModel->addColumn(QString::fromUtf16(ResultColumnSpecs[size_t(i)].title));
        form.listIconFiles->setColumnWidth(i, loaded.columnWidths[size_t(i)]);
    }
}

// The prompt's answer without surrounding blanks; asks again while the name could not be stored.
QString askName(const QString& message, const QString& defaultText) {
    for (;;) {
        const QString answer = NamePrompt(message, defaultText).trimmed();
        const QString problem = NameProblem(answer);
        if (answer.isEmpty() || problem.isEmpty())
            return answer;
        Message(problem);
    }
}

// Asks until the answer is empty or names no set yet.
QString askFreeName(AppState& state, const QString& message, const QString& defaultText) {
    for (;;) {
        const QString answer = askName(message, defaultText);
        if (answer.isEmpty() || FindSet(state.sets, answer) < 0)
            return answer;
        Message(QStringLiteral("Dieser Name existiert schon! Abbruch mit ESC."));
    }
}

} // namespace

void LoadSettings(AppState& state, MainForm& form) {
    const LoadedSettings loaded = ReadSettingsFile(state.settingsPath(), currentPlacement(form));
    state.settings = loaded.settings;
    applyPlacement(form, loaded);
    addColumns(form, loaded);
    if (!loaded.hasSetsGroup) {
        Message(NoSetMessage);
        NewSet(state, form);
    } else {
        state.sets.sets = loaded.sets;
        state.sets.current = int(state.sets.sets.size()) - 1;
    }
    FillSetCombo(state, form, loaded.setCombo);
}

void SaveSettings(AppState& state, MainForm& form) {
    SettingsToSave data;
    data.settings = state.settings;
    data.setCombo = form.comboBoxSets->currentText();
    data.window = currentPlacement(form);
    for (int i = 0; i < ResultColumnCount; ++i)
        data.columnWidths[size_t(i)] = form.listIconFiles->columnWidth(i);
    data.sets = state.sets.sets;
    for (const QString& message : WriteSettingsFile(state.settingsPath(), data))
        Message(message);
}

void FillSetCombo(AppState& state, MainForm& form, const QString& name) {
    {
        // Filling the box is not a choice of the user: it raises no event of its own.
        const QSignalBlocker quiet(form.comboBoxSets);
        form.comboBoxSets->clear();
        SortSets(state.sets);
        for (const SyncSet& set : state.sets.sets)
            form.comboBoxSets->addItem(set.Name);
        int item = 0;
        if (!name.isEmpty()) {
            item = -1;
            const QString wanted = name.toLower();
            for (int i = 0; i < form.comboBoxSets->count(); ++i) {
                if (form.comboBoxSets->itemText(i).toLower() == wanted) {
                    item = i;
                    break;
                }
            }
        }
        form.comboBoxSets->setCurrentIndex(item);
    }
    ShowSelectedSet(state, form);
}

void ShowSelectedSet(AppState& state, MainForm& form) {
    if (state.sets.empty()) {
        Message(NoSetMessage);
        NewSet(state, form);
        return;
    }
    const QString text = form.comboBoxSets->currentText();
    state.sets.current = 0;
    if (state.sets.sets.front().Name == text || FindSet(state.sets, text) >= 0) {
        const SyncSet& set = *state.sets.currentSet();
        {
            const QSignalBlocker quietSource(form.stringQuelle);
            const QSignalBlocker quietTarget(form.stringMid);
            form.stringQuelle->setText(set.Src);
            form.stringMid->setText(set.Mid);
        }
        UpdateFilterCheckBox(state, form);
    }
    RefreshFreeSpace(state, form);
}

void NewSet(AppState& state, MainForm& form) {
    const QString answer = askName(QStringLiteral("Name für neues Set:"), QString());
    if (!answer.isEmpty() && FindSet(state.sets, answer) >= 0) {
        Message(QStringLiteral("Dieser Name existiert schon!"));
        return;
    }
    if (!answer.isEmpty()) {
        AddSet(state.sets, SyncSet{answer, {}, {}, {}, {}});
        FillSetCombo(state, form, answer);
    } else if (state.sets.empty()) {
        const QString name = QStringLiteral("Neues Set");
        AddSet(state.sets, SyncSet{name, {}, {}, {}, {}});
        FillSetCombo(state, form, name);
    }
}

void RenameSet(AppState& state, MainForm& form) {
    const SyncSet* set = state.sets.currentSet();
    if (!set)
        return;
    const QString oldName = set->Name;
    const int position = state.sets.current;
    const QString newName = askFreeName(state, QStringLiteral("Set umbenennen:"), oldName);
    if (newName.isEmpty()) {
        state.sets.current = position;
        return;
    }
    state.sets.current = position;
    state.sets.sets[size_t(position)].Name = newName;
    for (const QString& message : RemoveSetFromFile(state.settingsPath(), oldName))
        Message(message);
    FillSetCombo(state, form, newName);
}

void CopySet(AppState& state, MainForm& form) {
    const SyncSet* set = state.sets.currentSet();
    if (!set)
        return;
    const QString name = set->Name;
    const int position = state.sets.current;
    const QString newName = askFreeName(state, QStringLiteral("Set kopieren - neuer Name:"), name);
    state.sets.current = position;
    if (newName.isEmpty())
        return;
    SyncSet copy = state.sets.sets[size_t(position)];
    copy.Name = newName;
    AddSet(state.sets, std::move(copy));
    FillSetCombo(state, form, newName);
}

void DeleteSet(AppState& state, MainForm& form) {
    const QString text = form.comboBoxSets->currentText();
    if (text.isEmpty())
        return;
    if (!AskYesNo(QStringLiteral("Tandrix"), QStringLiteral("Dieses Set löschen?\n\n") + text))
        return;
    QString next = text;
    for (int i = 0; i < int(state.sets.sets.size()); ++i) {
        if (state.sets.sets[size_t(i)].Name == text) {
            RemoveSet(state.sets, i);
            for (const QString& message : RemoveSetFromFile(state.settingsPath(), text))
                Message(message);
            next = state.sets.empty() ? QString() : state.sets.sets.front().Name;
            break;
        }
    }
    FillSetCombo(state, form, next);
}
