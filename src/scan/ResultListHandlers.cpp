#include "scan/ResultListHandlers.h"

#include "ops/FreeSpaceHandlers.h"
#include "ops/ListLinesHandlers.h"
#include "platform/ShellOpen.h"
#include "scan/ResultCells.h"
#include "sets/SetList.h"
#include "tandrix/AppState.h"
#include "ui/EventPump.h"
#include "ui/MainForm.h"
#include "ui/ResultListModel.h"
#include "ui/Status.h"

#include <QFileDialog>
#include <QItemSelection>
#include <QItemSelectionModel>
#include <QTableView>
#include <utility>

namespace {

// Sets the selection to `ranges` (empty: none). The view does not repaint each changed range:
// for 10^5 separate ranges that costs more than the selection itself. Updates are off while the
// selection model works and the one repaint follows when they are turned on again.
void replaceSelection(MainForm& form, const QItemSelection& ranges) {
    QTableView* view = form.listIconFiles;
    QItemSelectionModel* selection = view->selectionModel();
    const bool updates = view->updatesEnabled();
    view->setUpdatesEnabled(false);
    // Clearing first and selecting into the empty selection without the Rows flag keeps the
    // selection model linear: with Rows, or when replacing a selection in one step, it compares
    // every range with every other one.
    selection->clearSelection();
    if (!ranges.isEmpty())
        selection->select(ranges, QItemSelectionModel::Select);
    view->setUpdatesEnabled(updates);
}

// Replaces the selection by the lines whose flag is set, as one range per run of such lines
// (the ranges span whole lines); returns the number of lines selected.
int selectLines(MainForm& form, const std::vector<bool>& wanted) {
    ResultListModel* model = form.listModel;
    const int lastColumn = std::max(model->columnCount() - 1, 0);
    QItemSelection ranges;
    int count = 0;
    const int lines = int(wanted.size());
    for (int line = 0; line < lines;) {
        if (!wanted[size_t(line)]) {
            ++line;
            continue;
        }
        const int first = line;
        while (line < lines && wanted[size_t(line)])
            ++line;
        ranges.append(QItemSelectionRange(model->index(first, 0), model->index(line - 1, lastColumn)));
        count += line - first;
    }
    replaceSelection(form, ranges);
    return count;
}

// Every selection command ends with its number in field 2 and the events it caused drained.
void finishSelection(MainForm& form, int count) {
    Status(form, QString::number(count), 2);
    EventPump(form.checkBoxCancel).drain();
}

template <typename Predicate> void selectWhere(MainForm& form, Predicate wanted) {
    const int lines = form.listModel->lineCount();
    std::vector<bool> flags(size_t(lines), false);
    for (int line = 0; line < lines; ++line)
        flags[size_t(line)] = wanted(form.listModel->line(line));
    finishSelection(form, selectLines(form, flags));
}

QString withSeparator(const QString& path) {
    if (path.isEmpty() || path.endsWith(u'/'))
        return path;
    return path + u'/';
}

void choosePath(AppState& state, MainForm& form, QLineEdit* field, const QString& title) {
    const QString chosen = QFileDialog::getExistingDirectory(form.window, title, field->text());
    if (chosen.isEmpty())
        return;
    field->setText(chosen);
    StoreSetPaths(state, form);
}

} // namespace

void FillResultList(AppState& state, MainForm& form) {
    int toTarget = 0;
    int toSource = 0;
    int other = 0;
    for (const ResultRow& row : std::as_const(state.rows.rows)) {
        if (row.action == u'>')
            ++toTarget;
        else if (row.action == u'<')
            ++toSource;
        else
            ++other;
    }
    form.listModel->setLines(state.rows.rows);

    QString line = QStringLiteral("Listen-Anzahl: %1 (%2>  %3<  %4!)")
                       .arg(state.rows.rows.size())
                       .arg(toTarget)
                       .arg(toSource)
                       .arg(other);
    if (form.checkBoxCancel->isChecked())
        line += QStringLiteral("    ABGEBROCHEN!");
    Status(form, line, 0);
}

void SelectAllRows(AppState&, MainForm& form) {
    selectWhere(form, [](const ResultRow&) { return true; });
}

void SelectNoRows(AppState&, MainForm& form) {
    replaceSelection(form, QItemSelection());
    finishSelection(form, 0);
}

void InvertSelection(AppState&, MainForm& form) {
    std::vector<bool> flags = SelectedLineFlags(form);
    flags.flip();
    finishSelection(form, selectLines(form, flags));
}

void SelectByAction(AppState&, MainForm& form, QChar action) {
    selectWhere(form, [action](const ResultRow& row) { return row.action == action; });
}

void SelectDirectories(AppState&, MainForm& form) {
    selectWhere(
        form, [](const ResultRow& row) { return row.size1 == DirectorySize || row.size2 == DirectorySize; });
}

void SelectLines(MainForm& form, const std::vector<bool>& wanted) {
    selectLines(form, wanted);
}

void ShowSelectionCount(AppState&, MainForm& form) {
    Status(form, QString::number(CountSelected(SelectedLineFlags(form))), 2);
}

void OpenRowFolders(AppState& state, MainForm& form) {
    const std::vector<bool> flags = SelectedLineFlags(form);
    // Each side's folder as spelled there, which may differ in letter case.
    QString folder[2];
    for (size_t line = 0; line < flags.size(); ++line) {
        if (flags[line]) {
            const ResultRow& row = form.listModel->line(int(line));
            folder[0] = FolderPartOf(PathOnSide(row, 0));
            folder[1] = FolderPartOf(PathOnSide(row, 1));
            break;
        }
    }
    ShellOpen(state.scan.SourceRoot + folder[0]);
    ShellOpen(state.scan.TargetRoot + folder[1]);
}

void StoreSetPaths(AppState& state, MainForm& form) {
    const QString name = form.comboBoxSets->currentText();
    if (!name.isEmpty() && FindSet(state.sets, name) >= 0) {
        SyncSet* set = state.sets.currentSet();
        set->Src = withSeparator(form.stringQuelle->text());
        set->Mid = withSeparator(form.stringMid->text());
    }
    RefreshFreeSpace(state, form);
}

void ChooseSourcePath(AppState& state, MainForm& form) {
    choosePath(state, form, form.stringQuelle, QStringLiteral("Tandrix - Quelle auswählen..."));
}

void ChooseTargetPath(AppState& state, MainForm& form) {
    choosePath(state, form, form.stringMid, QStringLiteral("Tandrix - Middle auswählen..."));
}

void OpenTypedPath(const QLineEdit* field) {
    if (field)
        ShellOpen(field->text());
}
