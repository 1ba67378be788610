#include "sets/FilterHandlers.h"

#include "platform/Volume.h"
#include "sets/FilterText.h"
#include "sets/SetList.h"
#include "tandrix/AppState.h"
#include "text/FoldCase.h"
#include "ui/FilterWindow.h"
#include "ui/MainForm.h"
#include "ui/ResultListModel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <algorithm>
#include <vector>

void UpdateFilterCheckBox(AppState& state, MainForm& form) {
    const SyncSet* set = state.sets.currentSet();
    const bool hasContent = set && !(set->Filter + set->Options).isEmpty();
    const QSignalBlocker quiet(form.checkBoxFilter);
    form.checkBoxFilter->setChecked(hasContent);
    form.checkBoxFilter->setText(hasContent && !set->Options.isEmpty() ? QStringLiteral("Filter+")
                                                                       : QStringLiteral("Filter"));
}

void FilterCheckBoxEvent(AppState& state, MainForm& form) {
    const QString name = form.comboBoxSets->currentText();
    // Only a set that exists is edited; a name that finds none would leave another set current.
    if (!name.isEmpty() && FindSet(state.sets, name) >= 0) {
        SyncSet* set = state.sets.currentSet();
        const QString edited = EditFilter(state, form, set->Filter);
        if (SyncSet* after = state.sets.currentSet())
            after->Filter = edited;
    }
    UpdateFilterCheckBox(state, form);
}

QString EditFilter(AppState& state, MainForm& form, const QString& filter) {
    SyncSet* set = state.sets.currentSet();
    if (!set)
        return filter;
    std::unique_ptr<FilterWindow> window = dialoge::Window_FormFilter(state, form.window);
    if (!window)
        return filter;
    window->editorFilter->setPlainText(EditorTextFromFilter(filter));
    window->comboBoxRichtung->addItems({QStringLiteral("<>"), QStringLiteral(">"), QStringLiteral("<")});
    window->checkBoxIgnoreDate->setChecked(set->Options.contains(OptionIgnoreDate));
    window->comboBoxRichtung->setCurrentIndex(DirectionItemFor(set->Options));
    // Unset, the box follows the drives: ticked where a side of the set is a removable one.
    const bool removable = IsRemovableVolume(set->Src) || IsRemovableVolume(set->Mid);
    window->checkBoxVerify->setChecked(VerifiesCopies(set->Options, removable));
    window->checkBoxTrash->setChecked(!set->Options.contains(OptionNoTrash));

    const bool accepted = window->dialog->exec() == QDialog::Accepted;
    if (!accepted)
        return filter;
    const QString edited = FilterFromEditorText(window->editorFilter->toPlainText());
    set->Options = OptionsAfterFilterWindow(set->Options, window->comboBoxRichtung->currentIndex(),
                                            window->checkBoxIgnoreDate->isChecked());
    set->Options = OptionsAfterVerifyBox(set->Options, window->checkBoxVerify->isChecked(), removable);
    SetOptionWord(set->Options, OptionNoTrash, !window->checkBoxTrash->isChecked());
    return edited;
}

void AddSelectionToFilter(AppState& state, MainForm& form) {
    const QString name = form.comboBoxSets->currentText();
    if (!name.isEmpty() && FindSet(state.sets, name) >= 0) {
        SyncSet* set = state.sets.currentSet();
        QStringList words = SplitFilterWords(set->Filter);
        std::vector<int> lines;
        if (QItemSelectionModel* selection = form.listIconFiles->selectionModel()) {
            for (const QItemSelectionRange& range : selection->selection()) {
                for (int line = range.top(); line <= range.bottom(); ++line)
                    lines.push_back(line);
            }
        }
        // Top to bottom, each selected line once.
        std::sort(lines.begin(), lines.end());
        lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
        for (int line : lines)
            words << FoldCase(form.listModel->line(line).path);
        SortFilterWords(words);
        set->Filter = JoinFilterWords(words);
    }
    UpdateFilterCheckBox(state, form);
}
