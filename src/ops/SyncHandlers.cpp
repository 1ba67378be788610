#include "ops/SyncHandlers.h"

#include "commonstate/KeepCommonState.h"
#include "ops/CopyWithProgress.h"
#include "ops/ExpectedOn.h"
#include "ops/FailureReasons.h"
#include "ops/FreeSpaceHandlers.h"
#include "ops/ListLinesHandlers.h"
#include "platform/DirectoryListing.h"
#include "platform/FileName.h"
#include "platform/FileOps.h"
#include "scan/PathOrder.h"
#include "scan/ResultCells.h"
#include "scan/ResultListHandlers.h"
#include "scan/RowLookup.h"
#include "tandrix/AppState.h"
#include "tandrix/DisableControls.h"
#include "ui/EventPump.h"
#include "ui/MainForm.h"
#include "ui/Message.h"
#include "ui/Status.h"
#include "ui/StatusThrottle.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>
#include <utility>

namespace {

// The count in status field 2 changes with every line; the throttle keeps the walk out of the
// label and still ends on the last value.
class CountDisplay {
public:
    explicit CountDisplay(MainForm& form)
        : throttle([&form](const QString& text) { Status(form, text, 2); }) {}
    void show(int value, bool now = false) {
        if (now)
            throttle.showNow(QString::number(value));
        else
            throttle.show(QString::number(value));
    }

private:
    StatusThrottle throttle;
};

// The mark of a selected row changed on both sides that the user chose to leave out.
constexpr uint8_t LeftOut = 2;

// Marks (side = 1) the row of every selected line, or LeftOut when `leaveOut` and it was changed
// on both sides. The forward search from the previous match keeps this linear, as the list shows
// the rows in their order; a line not found ahead falls back to the first matching row of the
// whole list, through a hash made only when needed. Paths are matched exactly: names that differ
// only in letter case are different entries.
void markSelection(AppState& state, MainForm& form, const std::vector<bool>& selected, bool leaveOut,
                   int& count, EventPump& pump, CountDisplay& countDisplay) {
    RowList& rows = state.rows.rows;
    std::unique_ptr<RowLookup> lookup;
    int current = -1;
    const int lines = int(selected.size());
    for (int line = 0; line < lines; ++line) {
        countDisplay.show(line);
        if (pump.step())
            break;
        if (!selected[size_t(line)])
            continue;
        const QString rowText = ListLinePath(form, line);
        bool found = false;
        for (int next = current + 1; next < int(rows.size()); ++next) {
            if (rows[size_t(next)].path == rowText) {
                current = next;
                found = true;
                break;
            }
        }
        if (!found) {
            if (!lookup)
                lookup = std::make_unique<RowLookup>(state.rows);
            const int index = lookup->find(rowText);
            current = index >= 0 ? index : int(rows.size()) - 1;
            found = index >= 0;
        }
        if (found) {
            ResultRow& row = rows[size_t(current)];
            row.side = leaveOut && row.bothChanged ? LeftOut : 1;
            --count;
            countDisplay.show(count);
        }
    }
}

// Copies are written beside their destinations and put in place in batches: the batch's data is
// flushed to the devices first, then each copy is renamed over its destination. So a crash (or a
// pulled stick) can never leave a destination shorter than its source that carries the source's
// time, while trees of small files still cost one flush per batch instead of one per file.
constexpr size_t BatchFiles = 5000;
constexpr int64_t BatchBytes = int64_t(256) << 20;

struct SyncRun {
    SyncRun(AppState& s, MainForm& f, EventPump& p, CountDisplay& c, std::vector<bool>& done, int rows,
            bool cancelledAlready)
        : state(s), form(f), pump(p), countDisplay(c), carriedOut(done), count(rows),
          cancelled(cancelledAlready) {}

    AppState& state;
    MainForm& form;
    EventPump& pump;
    CountDisplay& countDisplay;
    std::vector<bool>& carriedOut;
    int count = 0;
    bool cancelled = false;
    std::optional<QElapsedTimer> lastRefresh;

    struct Pending {
        size_t row;
        PreparedCopy copy;
        ExpectedEntry expected; // what the destination must still be when the copy is put in place
        Attempt attempt;
        QString destination;
    };
    std::vector<Pending> pending;
    int64_t pendingBytes = 0;
    std::vector<QByteArray> writtenFolders;
    QHash<QString, QStringList> leftovers; // folder -> temporary files an interrupted run left there
    std::vector<SyncedFile> synced;        // files now in step on both sides
    int64_t utcOffset = LocalUtcOffsetNow();
    int failed = 0; // rows that could not be carried out, each with its reason

    void fail(size_t index, const QString& reason) {
        state.rows.rows[qsizetype(index)].failure = reason;
        ++failed;
    }

    enum class Outcome { Failed, Done, Pending };

    // One row in one direction, each side under its own spelling.
    Outcome carryOut(const ResultRow& row, int fromSide, size_t index) {
        if (row.blocked) {
            ++failed; // its reason was found by the scan
            return Outcome::Failed;
        }
        const QString& fromRoot = fromSide == 0 ? state.scan.SourceRoot : state.scan.TargetRoot;
        const QString& toRoot = fromSide == 0 ? state.scan.TargetRoot : state.scan.SourceRoot;
        const QString& fromPath = PathOnSide(row, fromSide);
        const QString& toPath = PathOnSide(row, 1 - fromSide);
        if (PassesThroughLink(fromRoot, fromPath) || PassesThroughLink(toRoot, toPath)) {
            fail(index, FailureText(Attempt::Copy, QStringLiteral("Der Pfad führt über eine Verknüpfung")));
            return Outcome::Failed;
        }
        const QString from = fromRoot + fromPath;
        const QString to = toRoot + toPath;
        const QString folder = toRoot + FolderPartOf(toPath.endsWith(u'/') ? toPath.chopped(1) : toPath);
        removeLeftoversIn(folder);
        writtenFolders.push_back(EncodeFileName(folder));
        int error = NoFileError;
        if (StatPath(from).kind == PathKind::Directory) {
            if (CreateOneDirectory(to, &error))
                return Outcome::Done;
            fail(index, FailureText(Attempt::Copy, error, to));
            return Outcome::Failed;
        }
        CopyHooks hooks;
        hooks.showProgress = [this](const QString& text) {
            if (form.statusField[1])
                form.statusField[1]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            Status(form, text, 1);
        };
        hooks.cancelRequested = [this] { return pump.step(); };
        std::optional<PreparedCopy> copy = PrepareCopyWithProgress(from, to, hooks, &error);
        if (!copy && (error == ENOSPC || error == EDQUOT) && !pending.empty()) {
            // The batch keeps each old file until its copy is put in place: a nearly full medium
            // gets that room back first, so the run never needs more than one copy after the
            // other would.
            commitBatch();
            copy = PrepareCopyWithProgress(from, to, hooks, &error);
        }
        const Attempt attempt = row.sides & (LinkOn1 << fromSide) ? Attempt::CopyLink : Attempt::Copy;
        if (!copy) {
            if (error != CopyCancelled)
                fail(index, FailureText(attempt, error, to));
            return Outcome::Failed;
        }
        pendingBytes += std::max<int64_t>(row.action == u'>' ? row.size1 : row.size2, 0);
        pending.push_back(
            {index, std::move(*copy), ExpectedOn(row, 1 - fromSide, state.scan.utcOffset), attempt, to});
        if (pending.size() >= BatchFiles || pendingBytes >= BatchBytes)
            commitBatch();
        return Outcome::Pending;
    }

    void removeLeftoversIn(const QString& folder) {
        const auto found = leftovers.find(folder);
        if (found == leftovers.end())
            return;
        for (const QString& path : found.value())
            RemoveCopyLeftover(path);
        leftovers.erase(found);
    }

    void done(size_t index) {
        carriedOut[index] = true;
        --count;
        countDisplay.show(count, true);
    }

    void committed(const Pending& p) {
        done(p.row);
        synced.push_back(
            {PathOnSide(state.rows.rows[p.row], 0), p.copy.size, LocalSecondsOf(p.copy.mtimeUtc, utcOffset)});
    }

    void commitBatch() {
        if (pending.empty())
            return;
        Status(form, QStringLiteral("Synchronisiere: Schreibe auf den Datenträger..."), 0);
        std::vector<QByteArray> folders;
        for (const Pending& p : pending)
            folders.push_back(p.copy.folder);
        const bool flushed = FlushFileSystems(folders);
        for (const Pending& p : pending) {
            if (!flushed) {
                AbandonCopy(p.copy);
                fail(p.row,
                     FailureText(p.attempt, QStringLiteral("Schreiben auf den Datenträger fehlgeschlagen")));
            } else if (const int error = CommitCopy(p.copy, p.expected); error == NoFileError) {
                committed(p);
            } else {
                fail(p.row, FailureText(p.attempt, error, p.destination));
            }
        }
        pending.clear();
        pendingBytes = 0;
    }

    // The end of the run, cancelled or not: what was written is on the devices before it is
    // reported done.
    void finish() {
        commitBatch();
        if (writtenFolders.empty())
            return;
        Status(form, QStringLiteral("Synchronisiere: Schreibe auf den Datenträger..."), 0);
        FlushFileSystems(writtenFolders);
    }

    void refreshFreeSpaceNowAndThen() {
        if (lastRefresh && lastRefresh->elapsed() <= 3000)
            return;
        lastRefresh.emplace();
        lastRefresh->start();
        RefreshFreeSpace(state, form);
    }

    void pass(QChar action) {
        const bool toSource = action == QLatin1Char('<');
        const QString activity =
            toSource ? QStringLiteral("Synchronisiere: <<< ") : QStringLiteral("Synchronisiere: >>> ");
        const RowList& rows = state.rows.rows;
        for (qsizetype i = 0; i < rows.size(); ++i) {
            if (cancelled || pump.step()) {
                cancelled = true;
                break;
            }
            const ResultRow& row = rows[i];
            if (!carriedOut[size_t(i)] && row.side == 1 && row.action == action) {
                Status(form, activity + row.path, 0);
                if (!row.blocked)
                    state.rows.rows[i].failure.clear();
                if (carryOut(row, toSource ? 1 : 0, size_t(i)) == Outcome::Done)
                    done(size_t(i));
            }
            refreshFreeSpaceNowAndThen();
        }
        commitBatch();
    }
};

void dropCarriedOut(ResultRows& list, const std::vector<bool>& carriedOut) {
    RowList kept;
    kept.reserve(list.rows.size());
    for (qsizetype i = 0; i < list.rows.size(); ++i) {
        if (!carriedOut[size_t(i)])
            kept.push_back(std::move(list.rows[i]));
    }
    list.rows = std::move(kept);
    list.current = int(list.rows.size()) - 1;
}

} // namespace

void SyncSelected(AppState& state, MainForm& form) {
    DisableControls(form, true);
    const std::vector<bool> selected = SelectedLineFlags(form);
    int count = CountSelected(selected);
    if (count > 0 && !SelectionIsCertain(form, selected)) {
        DisableControls(form, false);
        return;
    }
    if (count == 0 || !AskYesNo(QStringLiteral("Tandrix: Dateien synchronisieren"),
                                QString::number(count) +
                                    QStringLiteral(" Datei(en) synchronisieren  - sind Sie sicher?"))) {
        DisableControls(form, false);
        return;
    }
    const int bothChanged = CountBothChanged(form, selected);
    const bool leaveOut =
        bothChanged > 0 &&
        !AskYesNo(QStringLiteral("Tandrix: Auf beiden Seiten geändert"),
                  QString::number(bothChanged) +
                      QStringLiteral(" Datei(en) wurden auf beiden Seiten geändert. Trotzdem überschreiben? "
                                     "(Nein: diese Dateien auslassen)"));

    SortRows(state.rows);
    for (ResultRow& row : state.rows.rows)
        row.side = 0;
    state.rows.current = -1;

    EventPump pump(form.checkBoxCancel);
    CountDisplay countDisplay(form);
    Status(form, QStringLiteral("Synchronisiere: Übertrage Auswahl..."), 0);
    const int savedCount = count - (leaveOut ? bothChanged : 0);
    markSelection(state, form, selected, leaveOut, count, pump, countDisplay);

    std::vector<bool> carriedOut(state.rows.rows.size(), false);
    SyncRun run(state, form, pump, countDisplay, carriedOut, savedCount, pump.cancelled());
    for (const QString& path : state.scan.Leftovers)
        run.leftovers[FolderPartOf(path)].append(path);
    countDisplay.show(run.count, true);
    run.pass(QLatin1Char('<'));
    run.pass(QLatin1Char('>'));
    run.finish();
    dropCarriedOut(state.rows, carriedOut);
    KeepStateOfSync(state.commonStateFolder,
                    StateKeyOf(state.hostName, state.scan.SourceRoot, state.scan.TargetRoot),
                    SyncOutcome{std::move(run.synced), {}, {}},
                    LocalSecondsOf(QDateTime::currentSecsSinceEpoch(), run.utcOffset));

    DisableControls(form, false);
    FillResultList(state, form);
    if (leaveOut) {
        // The rows left out stay selected, so the user can look at them and decide one by one.
        std::vector<bool> leftOut;
        leftOut.reserve(state.rows.rows.size());
        for (const ResultRow& row : std::as_const(state.rows.rows))
            leftOut.push_back(row.side == LeftOut);
        SelectLines(form, leftOut);
    }
    ShowSelectionCount(state, form);
    ReportFailures(run.failed);
}
