#include "ops/DeleteHandlers.h"

#include "ops/DeletePath.h"
#include "ops/ExpectedOn.h"
#include "ops/FailureReasons.h"
#include "ops/ListLinesHandlers.h"
#include "ops/RemovalHandlers.h"
#include "platform/FileName.h"
#include "platform/FileOps.h"
#include "scan/ResultCells.h"
#include "scan/ResultListHandlers.h"
#include "scan/RowLookup.h"
#include "tandrix/AppState.h"
#include "ui/EventPump.h"
#include "ui/MainForm.h"
#include "ui/Message.h"
#include "ui/Status.h"

namespace {

// The list keeps its lines but takes no clicks or keys while the deletion runs, so the rows acted
// on are exactly those the user confirmed.
class ListLocked {
public:
    explicit ListLocked(MainForm& f) : form(f) { form.listIconFiles->setEnabled(false); }
    ~ListLocked() { form.listIconFiles->setEnabled(true); }
    ListLocked(const ListLocked&) = delete;
    ListLocked& operator=(const ListLocked&) = delete;

private:
    MainForm& form;
};

} // namespace

// The other controls stay enabled: the boxes "Q" and "Z" may change while this runs and are read
// afresh for every line.
void DeleteSelected(AppState& state, MainForm& form) {
    const std::vector<bool> selected = SelectedLineFlags(form);
    const int count = CountSelected(selected);
    if (count > 0 && !SelectionIsCertain(form, selected))
        return;
    if (count == 0 ||
        !AskYesNo(QStringLiteral("Tandrix: Dateien LOESCHEN !!!"),
                  QString::number(count) +
                      QStringLiteral(" Datei(en) je in den gewählten Orten löschen - sind Sie sicher?\n") +
                      WhereRemovedGo(SetRemovesToTrash(state))))
        return;

    const ListLocked locked(form);
    EventPump pump(form.checkBoxCancel);
    RowLookup lookup(state.rows);
    int failed = 0;
    Removal removal = RemovalForRun(state);
    {
        std::vector<PlannedRemoval> planned = {{state.scan.SourceRoot, 0}, {state.scan.TargetRoot, 0}};
        const bool onSide[2] = {form.checkBoxDelQ->isChecked(), form.checkBoxDelZ->isChecked()};
        for (int line = 0; line < int(selected.size()); ++line) {
            const int index = selected[size_t(line)] ? lookup.find(ListLinePath(form, line)) : -1;
            for (int side = 0; side < 2 && index >= 0; ++side)
                planned[size_t(side)].count += onSide[side] && PresentOn(state.rows.rows[index], side);
        }
        AskWhereNoTrash(removal, planned);
    }
    // Rows whose entries are gone, done once a flush has taken the deletions to the devices.
    std::vector<int> gone;
    std::vector<QByteArray> folders;
    QString goneAt; // one of the deleted paths, for the words of a failed flush
    for (int line = 0; line < int(selected.size()); ++line) {
        if (pump.step())
            break;
        if (!selected[size_t(line)])
            continue;
        const QString rowText = ListLinePath(form, line);
        const int index = lookup.find(rowText);
        if (index < 0)
            continue;
        Status(form, QStringLiteral("Lösche: ") + rowText, 0);
        // Each side under its own spelling of the entry, which may differ in letter case; a side
        // where the scan found nothing is left alone, as what may stand there now is not the row's.
        ResultRow& row = state.rows.rows[index];
        const bool onSide[2] = {form.checkBoxDelQ->isChecked(), form.checkBoxDelZ->isChecked()};
        bool deleted = false;
        QString reason;
        for (int side = 0; side < 2; ++side) {
            if (!onSide[side] || !PresentOn(row, side))
                continue;
            const QString& root = side == 0 ? state.scan.SourceRoot : state.scan.TargetRoot;
            const QString& path = PathOnSide(row, side);
            const bool folder = path.endsWith(u'/');
            ExpectedEntry expected = ExpectedOn(row, side, state.scan.utcOffset);
            // A folder is known by what the scan saw in it, which its time cannot tell.
            expected.ignoreFolderTime = folder;
            const SeenBeneath seen = folder ? SeenBeneathFolder(state.rows.rows, index, side,
                                                                state.scan.utcOffset, state.scan.startedUtc)
                                            : SeenBeneath{};
            const Deletion result = DeleteSeenEntry(removal, root, path, expected, &seen, true, reason);
            deleted = deleted || result != Deletion::Kept;
            if (result == Deletion::Deleted) {
                const QString full = root + path;
                goneAt = folder ? full.chopped(1) : full;
                folders.push_back(EncodeFileName(FolderPartOf(goneAt)));
            }
        }
        row.failure = reason;
        // The row leaves once its entries are gone from every side it was to be deleted on.
        if (deleted && reason.isEmpty())
            gone.push_back(index);
        else if (!reason.isEmpty())
            ++failed;
    }
    const int flushError = folders.empty() ? NoFileError : FlushFileSystems(folders);
    for (const int index : gone) {
        if (flushError == NoFileError) {
            lookup.remove(index);
        } else {
            state.rows.rows[index].failure = FailureText(Attempt::Delete, flushError, goneAt);
            ++failed;
        }
    }
    lookup.compact(state.rows);
    FillResultList(state, form);
    ReportFailures(failed);
}
