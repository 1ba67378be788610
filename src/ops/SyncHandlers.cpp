#include "ops/SyncHandlers.h"

#include "commonstate/FindMoves.h"
#include "commonstate/KeepCommonState.h"
#include "ops/CopyWithProgress.h"
#include "ops/DeletePath.h"
#include "ops/DeleteThere.h"
#include "ops/ExpectedOn.h"
#include "ops/FailureReasons.h"
#include "ops/FreeSpaceHandlers.h"
#include "ops/ListLinesHandlers.h"
#include "ops/RemovalHandlers.h"
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

// The mark of a selected row the user chose to leave out (changed on both sides, or deleted on one
// side since the last sync).
constexpr uint8_t LeftOut = 2;

// What the user answered about the rows of entries deleted on one side since the last sync.
enum class DeletedAnswer { DeleteThere, CopyBack, LeaveOut };

struct LeaveOut {
    bool bothChanged = false;
    bool deleted = false;
    bool operator()(const ResultRow& row) const {
        return (bothChanged && row.bothChanged) || (deleted && DeletedSinceSync(row));
    }
};

// Marks (side = 1) the row of every selected line, or LeftOut when the user chose to leave it
// out. The forward search from the previous match keeps this linear, as the list shows the rows
// in their order; a line not found ahead falls back to the first matching row of the whole list,
// through a hash made only when needed. Paths are matched exactly: names that differ only in
// letter case are different entries.
void markSelection(AppState& state, MainForm& form, const std::vector<bool>& selected, LeaveOut leaveOut,
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
            row.side = leaveOut(row) ? LeftOut : 1;
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
        int side = 0; // the destination's
    };

    // Whether replacing on `side` keeps the old versions in a trash there.
    bool keepsVersions(int side, const QString& path) {
        const Trash* trash = nullptr;
        return removal.toTrash && noRoomAnswer[side] != 1 && WayToRemove(removal, path, trash) && trash;
    }

    // Asked once per side when it is full while its trash keeps versions: from then on its
    // replacements go for good, and the copies waiting for their place are put there first, to
    // give their room back.
    bool replaceForGoodWhenFull(int side, const QString& path) {
        if (noRoomAnswer[side] == 0) {
            const Trash* trash = nullptr;
            WayToRemove(removal, path, trash);
            const bool forGood = AskReplaceForGood(
                side == 0 ? QStringLiteral("Seite 1 (Quelle)") : QStringLiteral("Seite 2 (Ziel)"),
                trash ? DecodeFileName(trash->folder) : QString(), trash ? TrashBytes(*trash) : 0);
            noRoomAnswer[side] = forGood ? 1 : 2;
        }
        return noRoomAnswer[side] == 1;
    }

    // Puts a copy in its place; the version it replaces goes the run's way.
    int commit(const Pending& p) {
        if (p.expected.kind != ExpectedEntry::Kind::Entry || !removal.toTrash || noRoomAnswer[p.side] == 1)
            return CommitCopy(p.copy, p.expected);
        const Trash* trash = nullptr;
        if (!WayToRemove(removal, DecodeFileName(p.copy.folder), trash)) {
            AbandonCopy(p.copy);
            return NoTrash;
        }
        return trash ? CommitCopyKeepingOld(p.copy, p.expected, *trash) : CommitCopy(p.copy, p.expected);
    }
    std::vector<Pending> pending;
    int64_t pendingBytes = 0;
    std::vector<QByteArray> writtenFolders;
    QHash<QString, QStringList> leftovers; // folder -> temporary files an interrupted run left there
    SyncOutcome outcome;                   // what the memory of the last sync learns from the run
    int64_t utcOffset = LocalUtcOffsetNow();
    // Rows whose entries are deleted where they still exist ("Auch dort löschen"), and the moves
    // among them: a deleted entry that is a new one under another name is renamed instead.
    std::vector<bool> deleting;
    QHash<int, Move> moveOfNewRow;
    int failed = 0; // rows that could not be carried out, each with its reason
    // Where deleted entries and replaced versions go; per side, whether the user chose, once the
    // side was full, to replace for good (1) or to leave the rest (2).
    Removal removal = RemovalForRun(state);
    int noRoomAnswer[2] = {0, 0};

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
            fail(index, FailureText(Attempt::Copy, PathThroughLink));
            return Outcome::Failed;
        }
        const QString from = fromRoot + fromPath;
        const QString to = toRoot + toPath;
        const QString folder = toRoot + FolderPartOf(toPath.endsWith(u'/') ? toPath.chopped(1) : toPath);
        removeLeftoversIn(folder);
        writtenFolders.push_back(EncodeFileName(folder));
        int error = NoFileError;
        if (StatPath(from).kind == PathKind::Directory) {
            if (CreateOneDirectory(to, &error)) {
                outcome.createdFolders.push_back(PathOnSide(row, 0));
                return Outcome::Done;
            }
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
        const int toSide = 1 - fromSide;
        if (!copy && (error == ENOSPC || error == EDQUOT) && keepsVersions(toSide, folder) &&
            !replaceForGoodWhenFull(toSide, folder)) {
            fail(index, FailureText(Attempt::Copy, NoRoomForTrash));
            return Outcome::Failed;
        }
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
        pending.push_back({index, std::move(*copy), ExpectedOn(row, 1 - fromSide, state.scan.utcOffset),
                           attempt, to, toSide});
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

    // A row carried out; one the user did not select (beneath a moved folder) is not counted.
    void done(size_t index) {
        carriedOut[index] = true;
        if (state.rows.rows[qsizetype(index)].side != 1)
            return;
        --count;
        countDisplay.show(count, true);
    }

    const QString& rootOf(int side) const {
        return side == 0 ? state.scan.SourceRoot : state.scan.TargetRoot;
    }

    // The inode an entry has on a side whose file system keeps inode numbers; 0 elsewhere.
    static uint64_t keptInode(const ResultRow& row, int side, uint64_t inode) {
        return row.sides & (StableInodesOn1 << side) ? inode : 0;
    }

    void committed(const Pending& p) {
        done(p.row);
        const ResultRow& row = state.rows.rows[qsizetype(p.row)];
        const int from = row.action == u'>' ? 0 : 1;
        SyncedFile file{PathOnSide(row, 0), p.copy.size, LocalSecondsOf(p.copy.mtimeUtc, utcOffset)};
        file.inode[from] = keptInode(row, from, row.seen[from].inode);
        // The copy's own inode where the scan found that side keeps inode numbers; a new file's is
        // learnt by the next complete scan.
        file.inode[1 - from] = keptInode(row, 1 - from, p.copy.inode);
        outcome.synced.push_back(file);
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
            } else if (const int error = commit(p); error == NoFileError) {
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
            if (!carriedOut[size_t(i)] && row.side == 1 && row.action == action && !deleting[size_t(i)]) {
                Status(form, activity + row.path, 0);
                if (!row.blocked)
                    state.rows.rows[i].failure.clear();
                if (moveInstead(int(i)))
                    continue;
                if (carryOut(row, toSource ? 1 : 0, size_t(i)) == Outcome::Done)
                    done(size_t(i));
            }
            refreshFreeSpaceNowAndThen();
        }
        commitBatch();
    }

    // A new row that is a deleted entry renamed on its side: the other side renames the deleted
    // entry to the new name (a folder with everything in it), where that entry is still the one the
    // scan saw and the new name is free. False when there is no such move or it could not be made;
    // the row is then copied, and the deleted entry deleted, as usual.
    bool moveInstead(int newRow) {
        const auto found = moveOfNewRow.constFind(newRow);
        if (found == moveOfNewRow.cend())
            return false;
        const Move move = *found;
        const RowList& rows = state.rows.rows;
        const ResultRow& added = rows[newRow];
        const ResultRow& gone = rows[move.deletedRow];
        const int side = PresentOn(gone, 0) ? 0 : 1; // where the deleted entry still is
        const QString& root = rootOf(side);
        if (PassesThroughLink(root, PathOnSide(gone, side)) ||
            PassesThroughLink(root, PathOnSide(added, side)))
            return false;
        ExpectedEntry expected = ExpectedOn(gone, side, state.scan.utcOffset);
        expected.ignoreFolderTime = true;
        const QString to = root + PathOnSide(added, side);
        if (RenameEntry(root + PathOnSide(gone, side), to, expected) != NoFileError)
            return false;
        writtenFolders.push_back(
            EncodeFileName(root + FolderPartOf(PathOnSide(added, side).chopped(move.folder ? 1 : 0))));
        const int endNew = move.folder ? EndBeneath(rows, newRow) : newRow + 1;
        const int endGone = move.folder ? EndBeneath(rows, move.deletedRow) : move.deletedRow + 1;
        const int fromSide = 1 - side;
        for (int k = newRow; k < endNew; ++k) {
            const ResultRow& row = rows[k];
            if (row.path.endsWith(u'/')) {
                outcome.createdFolders.push_back(PathOnSide(row, 0));
            } else {
                SyncedFile file{PathOnSide(row, 0), fromSide == 0 ? row.size1 : row.size2,
                                fromSide == 0 ? row.date1 : row.date2};
                file.inode[fromSide] = keptInode(row, fromSide, row.seen[fromSide].inode);
                if (!move.folder)
                    file.inode[side] = keptInode(gone, side, gone.seen[side].inode);
                outcome.synced.push_back(file);
            }
            done(size_t(k));
        }
        outcome.deleted.push_back(PathOnSide(gone, 0));
        for (int k = move.deletedRow; k < endGone; ++k)
            done(size_t(k));
        return true;
    }

    // "Auch dort löschen": the files first, then the folders from the deepest, each only when its
    // name still leads to the entry the scan saw. A folder is removed only when nothing is left in
    // it, so nothing the list did not show goes with it.
    void deleteThere() {
        const RowList& rows = state.rows.rows;
        deleteWholeFolders();
        for (int pass = 0; pass < 2; ++pass) {
            const bool folders = pass == 1;
            for (int k = 0; k < int(rows.size()); ++k) {
                const int i = folders ? int(rows.size()) - 1 - k : k;
                if (!deleting[size_t(i)] || carriedOut[size_t(i)] || rows[i].path.endsWith(u'/') != folders)
                    continue;
                if (cancelled || pump.step()) {
                    cancelled = true;
                    return;
                }
                Status(form, QStringLiteral("Synchronisiere: Lösche ") + rows[i].path, 0);
                deleteOne(i);
            }
        }
    }

    // A deleted folder whose rows are all to be deleted goes as one entry, when everything in it
    // is as the scan saw it; otherwise its entries go one by one below.
    void deleteWholeFolders() {
        const RowList& rows = state.rows.rows;
        for (int i = 0; i < int(rows.size()); ++i) {
            if (!deleting[size_t(i)] || carriedOut[size_t(i)] || !rows[i].path.endsWith(u'/'))
                continue;
            const int end = EndBeneath(rows, i);
            bool all = true;
            for (int k = i + 1; k < end && all; ++k)
                all = deleting[size_t(k)] && !carriedOut[size_t(k)];
            if (!all)
                continue;
            if (cancelled || pump.step()) {
                cancelled = true;
                return;
            }
            const int side = PresentOn(rows[i], 0) ? 0 : 1;
            const QString& path = PathOnSide(rows[i], side);
            ExpectedEntry expected = ExpectedOn(rows[i], side, state.scan.utcOffset);
            expected.ignoreFolderTime = true;
            const SeenBeneath seen =
                SeenBeneathFolder(rows, i, side, state.scan.utcOffset, state.scan.startedUtc);
            QString reason;
            Status(form, QStringLiteral("Synchronisiere: Lösche ") + rows[i].path, 0);
            if (DeleteSeenEntry(removal, rootOf(side), path, expected, &seen, false, reason) !=
                Deletion::Deleted)
                continue;
            writtenFolders.push_back(EncodeFileName(rootOf(side) + FolderPartOf(path.chopped(1))));
            for (int k = i; k < end; ++k) {
                outcome.deleted.push_back(PathOnSide(rows[k], 0));
                done(size_t(k));
            }
            i = end - 1;
        }
    }

    void deleteOne(int i) {
        const ResultRow& row = state.rows.rows[i];
        const int side = PresentOn(row, 0) ? 0 : 1;
        const QString& root = rootOf(side);
        const QString& path = PathOnSide(row, side);
        ExpectedEntry expected = ExpectedOn(row, side, state.scan.utcOffset);
        expected.ignoreFolderTime = true; // its own files were deleted just now
        QString reason;
        if (DeleteSeenEntry(removal, root, path, expected, nullptr, false, reason) == Deletion::Kept) {
            fail(size_t(i), reason);
            return;
        }
        const bool folder = path.endsWith(u'/');
        writtenFolders.push_back(EncodeFileName(root + FolderPartOf(folder ? path.chopped(1) : path)));
        outcome.deleted.push_back(PathOnSide(row, 0));
        done(size_t(i));
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

DeletedAnswer askAboutDeleted(int count, bool toTrash) {
    const int answer = AskChoice(
        QStringLiteral("Tandrix: Seit dem letzten Abgleich gelöscht"),
        QString::number(count) +
            QStringLiteral(" Datei(en) wurden seit dem letzten Abgleich auf einer Seite gelöscht.\n\n"
                           "\"Auch dort löschen\" löscht sie auch auf der anderen Seite (umbenannte oder "
                           "verschobene werden dort umbenannt), \"Zurückkopieren\" kopiert sie zurück, "
                           "\"Auslassen\" lässt sie ausgewählt in der Liste.\n") +
            WhereRemovedGo(toTrash),
        // Enter copies back, as Sync always did: deleting is never the answer of a reflex.
        {QStringLiteral("Auch dort löschen"), QStringLiteral("Zurückkopieren"), QStringLiteral("Auslassen")},
        1);
    return answer == 0 ? DeletedAnswer::DeleteThere
                       : (answer == 1 ? DeletedAnswer::CopyBack : DeletedAnswer::LeaveOut);
}

// What "Auch dort löschen" does: which rows are deleted where they still exist, and which of
// them are renamed to a new row's name instead, as the memory of the last sync proves them the
// same entry.
void planDeletions(AppState& state, SyncRun& run, const StateKey& key) {
    const RowList& rows = state.rows.rows;
    std::vector<bool> chosen(size_t(rows.size()));
    for (qsizetype i = 0; i < rows.size(); ++i)
        chosen[size_t(i)] = rows[i].side == 1;
    run.deleting = RowsToDeleteThere(rows, chosen);
    const auto sameContents = [&run](const ResultRow& gone, const ResultRow& added) {
        const int side = PresentOn(gone, 0) ? 0 : 1;
        return SameFileContents(run.rootOf(side) + PathOnSide(gone, side),
                                run.rootOf(1 - side) + PathOnSide(added, 1 - side));
    };
    const std::vector<Move> moves = FindMoves(KeptState(state.commonStateFolder, key), rows, run.deleting,
                                              chosen, state.settings, sameContents);
    for (const Move& move : moves)
        run.moveOfNewRow.insert(move.newRow, move);
}

// Where the run will remove entries (old versions it replaces, entries it deletes), so the
// question about places without a trash comes once, before anything is done.
void planRemovals(const AppState& state, SyncRun& run) {
    std::vector<PlannedRemoval> planned = {{state.scan.SourceRoot, 0}, {state.scan.TargetRoot, 0}};
    const RowList& rows = state.rows.rows;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const ResultRow& row = rows[i];
        if (run.deleting[size_t(i)])
            ++planned[PresentOn(row, 0) ? 0 : 1].count;
        else if (row.side == 1 && !row.path.endsWith(u'/') && PresentOn(row, row.action == u'>' ? 1 : 0))
            ++planned[row.action == u'>' ? 1 : 0].count;
    }
    AskWhereNoTrash(run.removal, planned);
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
    LeaveOut leaveOut;
    leaveOut.bothChanged =
        bothChanged > 0 &&
        !AskYesNo(QStringLiteral("Tandrix: Auf beiden Seiten geändert"),
                  QString::number(bothChanged) +
                      QStringLiteral(" Datei(en) wurden auf beiden Seiten geändert. Trotzdem überschreiben? "
                                     "(Nein: diese Dateien auslassen)"));
    const int deleted = CountDeletedSinceSync(form, selected);
    const DeletedAnswer deletedAnswer =
        deleted > 0 ? askAboutDeleted(deleted, SetRemovesToTrash(state)) : DeletedAnswer::CopyBack;
    leaveOut.deleted = deletedAnswer == DeletedAnswer::LeaveOut;

    SortRows(state.rows);
    for (ResultRow& row : state.rows.rows)
        row.side = 0;
    state.rows.current = -1;

    EventPump pump(form.checkBoxCancel);
    CountDisplay countDisplay(form);
    Status(form, QStringLiteral("Synchronisiere: Übertrage Auswahl..."), 0);
    const int savedCount =
        count - (leaveOut.bothChanged ? bothChanged : 0) - (leaveOut.deleted ? deleted : 0);
    markSelection(state, form, selected, leaveOut, count, pump, countDisplay);

    std::vector<bool> carriedOut(state.rows.rows.size(), false);
    SyncRun run(state, form, pump, countDisplay, carriedOut, savedCount, pump.cancelled());
    for (const QString& path : state.scan.Leftovers)
        run.leftovers[FolderPartOf(path)].append(path);
    const StateKey key = StateKeyOf(state.hostName, state.scan.SourceRoot, state.scan.TargetRoot);
    run.deleting.assign(carriedOut.size(), false);
    if (deletedAnswer == DeletedAnswer::DeleteThere)
        planDeletions(state, run, key);
    planRemovals(state, run);
    countDisplay.show(run.count, true);
    run.pass(QLatin1Char('<'));
    run.pass(QLatin1Char('>'));
    run.deleteThere();
    run.finish();
    dropCarriedOut(state.rows, carriedOut);
    KeepStateOfSync(state.commonStateFolder, key, run.outcome,
                    LocalSecondsOf(QDateTime::currentSecsSinceEpoch(), run.utcOffset));

    DisableControls(form, false);
    FillResultList(state, form);
    if (leaveOut.bothChanged || leaveOut.deleted) {
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
