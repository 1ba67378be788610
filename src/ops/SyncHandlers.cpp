#include "ops/SyncHandlers.h"

#include "commonstate/CommonStateFile.h"
#include "commonstate/FindMoves.h"
#include "commonstate/KeepCommonState.h"
#include "commonstate/MarkRows.h"
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
#include "platform/Volume.h"
#include "scan/PathOrder.h"
#include "scan/ResultCells.h"
#include "scan/ResultListHandlers.h"
#include "scan/RowLookup.h"
#include "sets/FilterText.h"
#include "tandrix/AppState.h"
#include "tandrix/DisableControls.h"
#include "tandrix/MemoryHandlers.h"
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

// What the user answered about the rows changed since the last sync on one side only whose dates
// are older there than on the other side.
enum class OlderAnswer { TakeChange, KeepNewer, LeaveOut };

struct LeaveOut {
    bool bothChanged = false;
    bool deleted = false;
    bool older = false;
    bool operator()(const ResultRow& row) const {
        return (bothChanged && row.bothChanged) || (deleted && DeletedSinceSync(row)) ||
               (older && row.olderWins);
    }
};

bool ChangedOnBoth(const ResultRow& row) {
    return row.bothChanged;
}

bool OlderWins(const ResultRow& row) {
    return row.olderWins;
}

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
            // Only versions this run keeps take room it could give back: without them the medium
            // is full as it would be without a trash.
            const bool keeping = keptVersions[side] > 0 ||
                                 std::any_of(pending.begin(), pending.end(), [side](const Pending& p) {
                                     return p.side == side && p.expected.kind == ExpectedEntry::Kind::Entry;
                                 });
            if (!trash || !keeping)
                return true;
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
        if (!trash)
            return CommitCopy(p.copy, p.expected);
        const int error = CommitCopyKeepingOld(p.copy, p.expected, *trash);
        keptVersions[p.side] += error == NoFileError ? 1 : 0;
        return error;
    }
    int keptVersions[2] = {0, 0}; // old versions this run put into each side's trash
    std::vector<Pending> pending;
    int64_t pendingBytes = 0;
    // What the run changed that no flush has taken to the devices yet: its rows count as done, and
    // the memory of the last sync learns of them, only once one has.
    struct Step {
        size_t row;
        Attempt attempt;
        QString destination;
    };
    struct Unflushed {
        std::vector<Step> steps;
        std::vector<QByteArray> folders;
        SyncOutcome outcome;
    } unflushed;
    QHash<QString, QStringList> leftovers; // folder -> temporary files an interrupted run left there
    SyncOutcome outcome;                   // what the memory of the last sync learns from the run
    bool verifyTo[2] = {false, false};     // "Kopien prüfen" for copies onto each side
    int damaged = 0;                       // copies that read back other bytes than were written
    bool verifyMissedDevice = false;       // a read-back that a FUSE file system may have answered
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
        int error = NoFileError;
        if (StatPath(from).kind == PathKind::Directory) {
            if (CreateOneDirectory(to, &error)) {
                written(index, Attempt::Copy, to);
                unflushed.outcome.createdFolders.push_back(PathOnSide(row, 0));
                return Outcome::Pending;
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
        // The source must still be the one the scan saw, as the destination must.
        CopyCheck check;
        check.source = ExpectedOn(row, fromSide, state.scan.utcOffset);
        check.checksum = verifyTo[1 - fromSide];
        std::optional<PreparedCopy> copy = PrepareCopyWithProgress(from, to, hooks, &error, check);
        const int toSide = 1 - fromSide;
        const QString folder = toRoot + FolderPartOf(toPath);
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
            copy = PrepareCopyWithProgress(from, to, hooks, &error, check);
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

    // A change made at `destination` for a row, done once a flush has taken it to the device.
    void written(size_t index, Attempt attempt, const QString& destination) {
        carriedOut[index] = true; // not to be carried out again in this run
        unflushed.steps.push_back({index, attempt, destination});
        const QString path = destination.endsWith(u'/') ? destination.chopped(1) : destination;
        unflushed.folders.push_back(EncodeFileName(FolderPartOf(path)));
    }

    // Flushes what the run changed since the last flush. Its rows are done, and their temporary
    // leftovers of an interrupted run go, only when the flush succeeded; otherwise each fails with
    // the flush's reason, stays listed, and the memory of the last sync learns nothing of it.
    void flushWritten() {
        if (unflushed.steps.empty())
            return;
        Status(form, QStringLiteral("Synchronisiere: Schreibe auf den Datenträger..."), 0);
        const int error = FlushFileSystems(unflushed.folders);
        for (const Step& step : unflushed.steps) {
            if (error != NoFileError) {
                carriedOut[step.row] = false;
                fail(step.row, FailureText(step.attempt, error, step.destination));
                continue;
            }
            done(step.row);
            const QString path =
                step.destination.endsWith(u'/') ? step.destination.chopped(1) : step.destination;
            removeLeftoversIn(FolderPartOf(path));
        }
        if (error == NoFileError) {
            SyncOutcome& learnt = unflushed.outcome;
            outcome.synced.insert(outcome.synced.end(), learnt.synced.begin(), learnt.synced.end());
            outcome.createdFolders.insert(outcome.createdFolders.end(), learnt.createdFolders.begin(),
                                          learnt.createdFolders.end());
            outcome.deleted.insert(outcome.deleted.end(), learnt.deleted.begin(), learnt.deleted.end());
        }
        unflushed = Unflushed{};
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
        written(p.row, p.attempt, p.destination);
        const ResultRow& row = state.rows.rows[qsizetype(p.row)];
        const int from = row.action == u'>' ? 0 : 1;
        SyncedFile file{PathOnSide(row, 0), p.copy.size, LocalSecondsOf(p.copy.mtimeUtc, utcOffset)};
        file.inode[from] = keptInode(row, from, row.seen[from].inode);
        // The copy's own inode where the scan found that side keeps inode numbers; a new file's is
        // learnt by the next complete scan.
        file.inode[1 - from] = keptInode(row, 1 - from, p.copy.inode);
        noteBirths(file, row);
        unflushed.outcome.synced.push_back(file);
    }

    // With the inodes, when each side's file was made: it tells a file renamed later from a new one
    // that was given a freed inode number.
    void noteBirths(SyncedFile& file, const ResultRow& row) const {
        for (int side = 0; side < 2; ++side)
            if (file.inode[side])
                file.birth[side] = BirthTimeOf(rootOf(side) + PathOnSide(row, side));
    }

    void commitBatch() {
        if (pending.empty())
            return;
        Status(form, QStringLiteral("Synchronisiere: Schreibe auf den Datenträger..."), 0);
        std::vector<QByteArray> folders;
        for (const Pending& p : pending)
            folders.push_back(p.copy.folder);
        const int flushError = FlushFileSystems(folders);
        for (const Pending& p : pending) {
            int error = flushError;
            if (error == NoFileError && p.copy.checksummed) {
                // Read back before the copy takes the name: a damaged one never replaces anything.
                Status(form,
                       QStringLiteral("Synchronisiere: Prüfe ") + state.rows.rows[qsizetype(p.row)].path, 0);
                bool reachesDevice = true;
                error = VerifyCopy(p.copy, &reachesDevice);
                verifyMissedDevice = verifyMissedDevice || !reachesDevice;
                damaged += error == CopyDamaged ? 1 : 0;
            }
            if (error != NoFileError) {
                AbandonCopy(p.copy);
                fail(p.row, FailureText(p.attempt, error, p.destination));
            } else if (error = commit(p); error == NoFileError) {
                committed(p);
            } else {
                fail(p.row, FailureText(p.attempt, error, p.destination));
            }
        }
        pending.clear();
        pendingBytes = 0;
        flushWritten();
    }

    // The end of the run, cancelled or not: what was written is on the devices before it is
    // reported done.
    void finish() {
        commitBatch();
        flushWritten();
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
        const int endNew = move.folder ? EndBeneath(rows, newRow) : newRow + 1;
        const int endGone = move.folder ? EndBeneath(rows, move.deletedRow) : move.deletedRow + 1;
        const int fromSide = 1 - side;
        for (int k = newRow; k < endNew; ++k) {
            const ResultRow& row = rows[k];
            written(size_t(k), Attempt::Copy, to);
            if (row.path.endsWith(u'/')) {
                unflushed.outcome.createdFolders.push_back(PathOnSide(row, 0));
            } else {
                SyncedFile file{PathOnSide(row, 0), fromSide == 0 ? row.size1 : row.size2,
                                fromSide == 0 ? row.date1 : row.date2};
                file.inode[fromSide] = keptInode(row, fromSide, row.seen[fromSide].inode);
                if (!move.folder)
                    file.inode[side] = keptInode(gone, side, gone.seen[side].inode);
                noteBirths(file, row);
                unflushed.outcome.synced.push_back(file);
            }
        }
        unflushed.outcome.deleted.push_back(PathOnSide(gone, 0));
        for (int k = move.deletedRow; k < endGone; ++k)
            written(size_t(k), Attempt::Delete, root + PathOnSide(gone, side));
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
            // Done once the flush has taken the deletion to the device, as a copy is.
            for (int k = i; k < end; ++k) {
                written(size_t(k), Attempt::Delete, rootOf(side) + path);
                unflushed.outcome.deleted.push_back(PathOnSide(rows[k], 0));
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
        // A deletion is done once it is on the device, as a copy is.
        written(size_t(i), Attempt::Delete, root + path);
        unflushed.outcome.deleted.push_back(PathOnSide(row, 0));
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

OlderAnswer askAboutOlder(AppState& state, int count) {
    QString text =
        QString::number(count) +
        QStringLiteral(" Datei(en) wurden seit dem letzten Abgleich geändert und tragen ein älteres "
                       "Datum als auf der anderen Seite.\n\n"
                       "Meist wurde eine ältere Fassung zurückgeholt (aus einer Sicherung, mit "
                       "erhaltenem Datum), oder die Uhr eines der Computer geht falsch.\n\n"
                       "\"Übernehmen\" kopiert die geänderte Fassung über die unveränderte, "
                       "\"Neuere behalten\" kopiert wie sonst die neuere, \"Auslassen\" lässt "
                       "sie ausgewählt in der Liste.");
    if (state.scan.FutureDated > 0) {
        state.futureNoteShown = true;
        text += QStringLiteral("\n\n") + FutureDatedText(state.scan.FutureDated);
    }
    // Enter keeps the user's change: nothing of it is lost either way but by "Neuere behalten".
    const int answer = AskChoice(
        QStringLiteral("Tandrix: Ältere Fassung übernehmen"), text,
        {QStringLiteral("Übernehmen"), QStringLiteral("Neuere behalten"), QStringLiteral("Auslassen")}, 0);
    return answer == 0 ? OlderAnswer::TakeChange
                       : (answer == 1 ? OlderAnswer::KeepNewer : OlderAnswer::LeaveOut);
}

// The marked rows that the change turned to its older side are copied from the newer side again,
// as when nothing is remembered.
void keepNewer(RowList& rows) {
    for (ResultRow& row : rows) {
        if (row.side == 1 && row.olderWins) {
            TurnRow(row);
            row.olderWins = false;
        }
    }
}

// What "Auch dort löschen" does: which rows are deleted where they still exist, and which of
// them are renamed to a new row's name instead, as the memory of the last sync proves them the
// same entry.
void planDeletions(AppState& state, SyncRun& run, const CommonState& kept) {
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
    MoveProof proof;
    proof.sameContents = sameContents;
    proof.birthOf = [&run](const ResultRow& row, int side) {
        return BirthTimeOf(run.rootOf(side) + PathOnSide(row, side));
    };
    proof.utcOffset = state.scan.utcOffset;
    const std::vector<Move> moves = FindMoves(kept, rows, run.deleting, chosen, state.settings, proof);
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
    const int bothChanged = CountSelectedRows(form, selected, ChangedOnBoth);
    LeaveOut leaveOut;
    leaveOut.bothChanged =
        bothChanged > 0 &&
        !AskYesNo(QStringLiteral("Tandrix: Auf beiden Seiten geändert"),
                  QString::number(bothChanged) +
                      QStringLiteral(" Datei(en) wurden auf beiden Seiten geändert. Trotzdem überschreiben? "
                                     "(Nein: diese Dateien auslassen)"));
    const int deleted = CountSelectedRows(form, selected, DeletedSinceSync);
    const DeletedAnswer deletedAnswer =
        deleted > 0 ? askAboutDeleted(deleted, SetRemovesToTrash(state)) : DeletedAnswer::CopyBack;
    leaveOut.deleted = deletedAnswer == DeletedAnswer::LeaveOut;
    const int older = CountSelectedRows(form, selected, OlderWins);
    const OlderAnswer olderAnswer = older > 0 ? askAboutOlder(state, older) : OlderAnswer::TakeChange;
    leaveOut.older = olderAnswer == OlderAnswer::LeaveOut;

    SortRows(state.rows);
    for (ResultRow& row : state.rows.rows)
        row.side = 0;
    state.rows.current = -1;

    EventPump pump(form.checkBoxCancel);
    CountDisplay countDisplay(form);
    Status(form, QStringLiteral("Synchronisiere: Übertrage Auswahl..."), 0);
    const int savedCount = count - (leaveOut.bothChanged ? bothChanged : 0) -
                           (leaveOut.deleted ? deleted : 0) - (leaveOut.older ? older : 0);
    markSelection(state, form, selected, leaveOut, count, pump, countDisplay);
    if (olderAnswer == OlderAnswer::KeepNewer)
        keepNewer(state.rows.rows);

    std::vector<bool> carriedOut(state.rows.rows.size(), false);
    SyncRun run(state, form, pump, countDisplay, carriedOut, savedCount, pump.cancelled());
    for (const QString& path : state.scan.Leftovers)
        run.leftovers[FolderPartOf(path)].append(path);
    // The memory the scan met: a state whose save failed in this run stands for the kept one.
    const auto unsaved = state.unsavedMemories.constFind(CommonStateFileName(state.memory.key));
    const CommonState kept =
        KeptState(state.memory, unsaved == state.unsavedMemories.cend() ? nullptr : &*unsaved);
    run.deleting.assign(carriedOut.size(), false);
    const QString options = state.sets.currentSet() ? state.sets.currentSet()->Options : QString();
    for (int side = 0; side < 2; ++side)
        run.verifyTo[side] = VerifiesCopies(options, IsRemovableVolume(run.rootOf(side)));
    if (deletedAnswer == DeletedAnswer::DeleteThere)
        planDeletions(state, run, kept);
    planRemovals(state, run);
    countDisplay.show(run.count, true);
    run.pass(QLatin1Char('<'));
    run.pass(QLatin1Char('>'));
    run.deleteThere();
    run.finish();
    dropCarriedOut(state.rows, carriedOut);
    run.outcome.utcOffset = run.utcOffset;
    MemoryOutcome memory = KeepStateOfSync(state.memory, state.memoryCheck, kept, run.outcome,
                                           LocalSecondsOf(QDateTime::currentSecsSinceEpoch(), run.utcOffset));
    // What the rows still tell of deletions comes from a memory that no longer holds.
    if (memory.notCurrent)
        ForgetDeletions(state.rows.rows);

    DisableControls(form, false);
    FillResultList(state, form);
    if (leaveOut.bothChanged || leaveOut.deleted || leaveOut.older) {
        // The rows left out stay selected, so the user can look at them and decide one by one.
        std::vector<bool> leftOut;
        leftOut.reserve(state.rows.rows.size());
        for (const ResultRow& row : std::as_const(state.rows.rows))
            leftOut.push_back(row.side == LeftOut);
        SelectLines(form, leftOut);
    }
    ShowSelectionCount(state, form);
    ReportFailures(run.failed, run.damaged, run.verifyMissedDevice);
    NoteMemoryKept(state, memory);
}
