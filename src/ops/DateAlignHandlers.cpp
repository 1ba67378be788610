#include "ops/DateAlignHandlers.h"

#include "ops/DateAlign.h"
#include "ops/FailureReasons.h"
#include "ops/ListLinesHandlers.h"
#include "platform/FileName.h"
#include "platform/FileOps.h"
#include "scan/ResultCells.h"
#include "scan/ResultListHandlers.h"
#include "scan/ScanHandlers.h"
#include "tandrix/AppState.h"
#include "tandrix/DisableControls.h"
#include "ui/DateAlignWindow.h"
#include "ui/EventPump.h"
#include "ui/MainForm.h"
#include "ui/Message.h"
#include "ui/ResultListModel.h"
#include "ui/Status.h"

#include <QCoreApplication>
#include <QHash>
#include <QRadioButton>
#include <QSet>
#include <memory>

namespace {

// The new scan lists the rows anew: those whose date could not be changed get their reason back.
void keepFailures(AppState& state, MainForm& form, const QHash<QString, QString>& failures) {
    if (failures.isEmpty())
        return;
    int failed = 0;
    for (ResultRow& row : state.rows.rows) {
        const auto found = failures.constFind(row.path);
        if (found != failures.cend()) {
            row.failure = *found;
            ++failed;
        }
    }
    FillResultList(state, form);
    ReportFailures(failed);
}

} // namespace

void RunDateAlign(AppState& state, MainForm& form) {
    const std::vector<bool> selected = SelectedLineFlags(form);
    if (!SelectionIsCertain(form, selected))
        return;
    std::unique_ptr<DateAlignWindow> window(
        dialoge::WndChldDatumAbgl(state.scale, state.registry, form.window));
    if (!window) {
        Message(QStringLiteral("Konnte Fenster für Datumabgleich nicht öffnen!"));
        return;
    }
    const bool confirmed = window->exec() == QDialog::Accepted;
    const bool toTarget = window->optionQZ->isChecked();
    const bool toSource = window->optionZQ->isChecked();
    window.reset();
    // Events that reached the main window meanwhile are drained while this handler still counts
    // as busy, so they run no handler.
    QCoreApplication::processEvents();
    if (!confirmed)
        return;
    if (toTarget)
        AlignDates(state, form, 1);
    else if (toSource)
        AlignDates(state, form, 0);
    else
        Message(QStringLiteral("Keine Richtung gewählt! Mache nichts..."));
}

void AlignDates(AppState& state, MainForm& form, int direction) {
    DisableControls(form, true);
    Status(form, QStringLiteral("Ändere Daten..."), 0);
    const std::vector<bool> selected = SelectedLineFlags(form);
    int count = CountSelected(selected);
    if (count > 0) {
        Status(form, QString::number(count), 2);
        const int fromSide = direction == 1 ? 0 : 1;
        const QString& fromRoot = fromSide == 0 ? state.scan.SourceRoot : state.scan.TargetRoot;
        const QString& toRoot = fromSide == 0 ? state.scan.TargetRoot : state.scan.SourceRoot;
        const int64_t utcOffset = CurrentUtcOffset();
        EventPump pump(form.checkBoxCancel);
        QSet<QString> changedFolders;
        QHash<QString, QString> failures; // path -> why its date was not changed
        QHash<QString, QString> changed;  // path -> where its date was changed
        for (int line = 0; line < int(selected.size()); ++line) {
            if (pump.step())
                break;
            if (!selected[size_t(line)])
                continue;
            --count;
            Status(form, QString::number(count), 2);
            const ResultRow& row = form.listModel->line(line);
            const QString failure =
                AlignOneDate(row, fromSide, fromRoot, toRoot, utcOffset, state.scan.utcOffset);
            if (failure.isEmpty()) {
                changedFolders.insert(toRoot + FolderPartOf(PathOnSide(row, 1 - fromSide)));
                changed.insert(row.path, toRoot + PathOnSide(row, 1 - fromSide));
            } else {
                failures.insert(row.path, failure);
            }
        }
        // The new dates are on the devices before the run counts as done, cancelled or not.
        if (!changedFolders.isEmpty()) {
            Status(form, QStringLiteral("Ändere Daten: Schreibe auf den Datenträger..."), 0);
            std::vector<QByteArray> folders;
            for (const QString& folder : std::as_const(changedFolders))
                folders.push_back(EncodeFileName(folder));
            // A date not on the device is not changed: no new scan takes the cached one for it (and
            // the memory of the last sync for in step); every row the flush covered fails.
            if (const int error = FlushFileSystems(folders); error != NoFileError) {
                for (auto it = changed.cbegin(); it != changed.cend(); ++it)
                    failures.insert(it.key(), FailureText(Attempt::Redate, error, it.value()));
                keepFailures(state, form, failures);
                Status(form, QString(), 0);
                DisableControls(form, false);
                return;
            }
        }
        StartScan(state, form);
        keepFailures(state, form, failures);
    }
    Status(form, QString(), 0);
    DisableControls(form, false);
}
