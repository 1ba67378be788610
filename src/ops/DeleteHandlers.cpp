#include "ops/DeleteHandlers.h"

#include "ops/DeletePath.h"
#include "ops/ListLinesHandlers.h"
#include "platform/FileOps.h"
#include "scan/ResultListHandlers.h"
#include "scan/RowLookup.h"
#include "tandrix/AppState.h"
#include "ui/EventPump.h"
#include "ui/MainForm.h"
#include "ui/Message.h"
#include "ui/Status.h"

namespace {

bool deleteOnSide(const QString& root, const QString& path) {
    if (PassesThroughLink(root, path))
        return false;
    return DeletePath(root + path);
}

} // namespace

// The controls stay enabled: the boxes "Q" and "Z" and the selection may change while this runs,
// and both are read afresh for every line.
void DeleteSelected(AppState& state, MainForm& form) {
    const std::vector<bool> selected = SelectedLineFlags(form);
    const int count = CountSelected(selected);
    if (count > 0 && !SelectionIsCertain(form, selected))
        return;
    if (count == 0 ||
        !AskYesNo(QStringLiteral("Tandrix: Dateien LOESCHEN !!!"),
                  QString::number(count) +
                      QStringLiteral(" Datei(en) je in den gewählten Orten löschen - sind Sie sicher?")))
        return;

    EventPump pump(form.checkBoxCancel);
    SelectionWatch selection(form);
    RowLookup lookup(state.rows);
    const int lines = ListLineCount(form);
    for (int line = 0; line < lines; ++line) {
        if (pump.step())
            break;
        if (!selection.selected(line))
            continue;
        const QString rowText = ListLinePath(form, line);
        const int index = lookup.find(rowText);
        if (index < 0)
            continue;
        bool done = false;
        Status(form, QStringLiteral("Lösche: ") + rowText, 0);
        // Each side under its own spelling of the entry, which may differ in letter case.
        const ResultRow& row = state.rows.rows[size_t(index)];
        if (form.checkBoxDelQ->isChecked())
            done = deleteOnSide(state.scan.SourceRoot, PathOnSide(row, 0));
        if (form.checkBoxDelZ->isChecked())
            done = deleteOnSide(state.scan.TargetRoot, PathOnSide(row, 1));
        if (done)
            lookup.remove(index);
    }
    lookup.compact(state.rows);
    FillResultList(state, form);
}
