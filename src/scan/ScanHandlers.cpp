#include "scan/ScanHandlers.h"

#include "text/FoldCase.h"
#include "text/TrimSpaces.h"

#include "commonstate/CommonStateFile.h"
#include "commonstate/KeepCommonState.h"
#include "platform/DirectoryListing.h"
#include "platform/FolderOverlap.h"
#include "platform/FreeMemory.h"
#include "scan/Compare.h"
#include "scan/ResultCells.h"
#include "scan/ResultListHandlers.h"
#include "scan/WalkBothSides.h"
#include "sets/SetList.h"
#include "tandrix/AppState.h"
#include "tandrix/DisableControls.h"
#include "tandrix/MemoryHandlers.h"
#include "ui/MainForm.h"
#include "ui/Message.h"
#include "ui/Status.h"
#include "ui/StatusThrottle.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <algorithm>

namespace {

void readQuickFilter(ScanState& scan, MainForm& form) {
    scan.QuickFilter = FoldCase(TrimSpaces(form.stringSchnellFilter->text()));
    if (!scan.QuickFilter.isEmpty())
        form.stringSchnellFilter->setText(scan.QuickFilter);
}

bool rootExists(const QString& root) {
    if (IsExistingDirectory(root))
        return true;
    Message(QStringLiteral("Fehler - Das Verzeichnis existiert nicht: ") + root);
    return false;
}

bool contains(const QString& folder, const QString& inner) {
    const QString withSeparator = folder.endsWith(u'/') ? folder : folder + u'/';
    return inner == folder || inner.startsWith(withSeparator);
}

// A side inside the other would be copied into itself, and the same folder twice compares
// nothing; both are refused before anything is read. The resolved paths see links; only the
// folders' places on their file systems see a bind mount of one side inside the other.
bool rootsApart(const QString& source, const QString& target) {
    const QString a = ResolvedFolderPath(source);
    const QString b = ResolvedFolderPath(target);
    const bool nested = !a.isEmpty() && !b.isEmpty() && (contains(a, b) || contains(b, a));
    if (!nested && !FoldersOverlap(source, target))
        return true;
    Message(QStringLiteral("Fehler - Quelle und Ziel sind derselbe Ordner oder liegen ineinander:\n") +
            source + u'\n' + target);
    return false;
}

// What the window shows of the two walks: the folder each walk entered last and the entries read
// by both, through the throttle, so the newest text reaches the window at the next tick; as the
// walks end, the last folder of each side is written, side 2's last.
class WalkDisplay {
public:
    explicit WalkDisplay(MainForm& form)
        : activity([&form](const QString& text) { Status(form, text, 0); }),
          count([&form](const QString& text) { Status(form, text, 2); }) {}

    void tick(std::array<WalkProgress, 2>& progress, bool last) {
        for (size_t side = 0; side < progress.size(); ++side) {
            QString folder;
            if (progress[side].takeFolder(folder)) {
                lastFolder[side] = QStringLiteral("Scanne: ") + folder;
                activity.show(lastFolder[side]);
            }
        }
        const int32_t entries = progress[0].entriesRead() + progress[1].entriesRead();
        if (entries != shownEntries) {
            shownEntries = entries;
            count.show(QString::number(entries));
        }
        if (last) {
            for (const QString& text : lastFolder)
                if (!text.isEmpty())
                    activity.showNow(text);
            count.flush();
        }
    }

private:
    StatusThrottle activity;
    StatusThrottle count;
    std::array<QString, 2> lastFolder;
    int32_t shownEntries = 0;
};

int unreadableFolders(const SideTree& tree) {
    int count = 0;
    for (const SideEntry& e : tree.entries)
        if (e.flags & EntryUnreadable)
            ++count;
    return count;
}

// Files dated more than a day after `now` (local seconds): this computer's clock, or the clock
// that dated them, is wrong.
int futureDated(const SideTree& tree, int32_t now) {
    const int64_t limit = int64_t(now) + 86400;
    int count = 0;
    for (const SideEntry& e : tree.entries)
        if (!(e.flags & (EntryIsFolder | EntryExcluded)) && e.date > limit)
            ++count;
    return count;
}

bool treeComplete(const SideTree& tree) {
    if (tree.cancelled || !tree.rootOpened)
        return false;
    for (const SideEntry& e : tree.entries)
        if ((e.flags & EntryIncomplete) && !(e.flags & EntryExcluded))
            return false;
    return true;
}

} // namespace

void StartScan(AppState& state, MainForm& form) {
    ScanState& scan = state.scan;
    readQuickFilter(scan, form);
    scan.EntryCounter = 0;
    QElapsedTimer clock;
    clock.start();

    if (state.sets.empty()) {
        Message(QStringLiteral("Bitte erst ein Set erstellen!"));
        return;
    }
    const int index = FindSet(state.sets, form.comboBoxSets->currentText());
    if (index < 0) {
        Message(QStringLiteral("Set nicht gefunden!"));
        return;
    }
    const SyncSet set = state.sets.sets[size_t(index)];

    scan.IgnoreDateFlag = set.Options.contains(QStringLiteral("IgnoreDate"));
    scan.OnlyToTargetFlag = set.Options.contains(QStringLiteral("ScannRichtung>"));
    scan.OnlyToSourceFlag = set.Options.contains(QStringLiteral("ScannRichtung<"));
    scan.FilterWords = FilterWordsOf(set.Filter);
    state.rows.rows.clear();
    state.rows.current = -1;
    scan.Complete = false;
    scan.Leftovers.clear();

    scan.SourceRoot = set.Src;
    if (!rootExists(scan.SourceRoot))
        return;
    scan.TargetRoot = set.Mid;
    if (!rootExists(scan.TargetRoot) || !rootsApart(scan.SourceRoot, scan.TargetRoot))
        return;

    // The memory of the last sync, and what the roots lie on now: a root that left the medium it
    // lay on (its stick not plugged in) is told before anything is read or listed.
    state.memory = ScanMemory{state.commonStateFolder,
                              StateKeyOf(state.hostName, scan.SourceRoot, scan.TargetRoot, state.machineId),
                              {}};
    state.memoryCheck = MemoryCheck{};
    CommonState kept;
    bool current = true;
    bool toldMoved = false;
    if (state.memory.keeps()) {
        state.memory.identity[0] = FileSystemIdentityOf(scan.SourceRoot);
        state.memory.identity[1] = FileSystemIdentityOf(scan.TargetRoot);
        const auto unsaved = state.unsavedMemories.constFind(CommonStateFileName(state.memory.key));
        current = unsaved == state.unsavedMemories.cend();
        kept = KeptState(state.memory, current ? nullptr : &*unsaved);
        toldMoved = SideMovedToOtherFileSystem(kept, state.memory.identity) >= 0;
        if (!ConfirmRootsWhereRemembered(state, kept, state.memory)) {
            FillResultList(state, form);
            return;
        }
    }

    DisableControls(form, true);
    int unreadable = 0;
    MemoryOutcome memory;
    {
        // One offset for the whole scan, so both sides are converted alike.
        const int64_t offset = LocalUtcOffsetNow();
        scan.utcOffset = offset;
        scan.startedUtc = QDateTime::currentSecsSinceEpoch();
        const std::array<WalkRequest, 2> requests{
            WalkRequest{scan.SourceRoot, scan.FilterWords, scan.QuickFilter, offset},
            WalkRequest{scan.TargetRoot, scan.FilterWords, scan.QuickFilter, offset},
        };
        std::atomic<bool> cancel{false};
        WalkDisplay display(form);
        const std::array<SideTree, 2> trees =
            WalkBothSides(requests, cancel, [&](std::array<WalkProgress, 2>& progress, bool done) {
                // Events run no handler meanwhile; "Abbruch" is the one control that acts.
                QCoreApplication::processEvents(QEventLoop::AllEvents);
                if (form.checkBoxCancel->isChecked())
                    cancel = true;
                display.tick(progress, done);
            });
        scan.EntryCounter = trees[0].entriesRead + trees[1].entriesRead;
        for (int side = 0; side < 2; ++side) {
            if (!trees[size_t(side)].rootOpened) {
                DisableControls(form, false);
                FillResultList(state, form);
                Message(QStringLiteral("Fehler - Das Verzeichnis kann nicht gelesen werden: ") +
                        (side == 0 ? scan.SourceRoot : scan.TargetRoot));
                return;
            }
        }
        scan.Complete = treeComplete(trees[0]) && treeComplete(trees[1]);
        unreadable = unreadableFolders(trees[0]) + unreadableFolders(trees[1]);
        scan.Leftovers = trees[0].leftovers + trees[1].leftovers;
        const int32_t now = LocalSecondsOf(QDateTime::currentSecsSinceEpoch(), offset);
        scan.FutureDated = futureDated(trees[0], now) + futureDated(trees[1], now);
        ScanReport report;
        MatchOptions options = MatchOptionsOf(scan);
        if (!state.commonStateFolder.isEmpty()) {
            options.report = &report;
            // The memory of the last sync may turn a row to the side that changed: the set's
            // direction applies to the rows as they end up.
            options.OnlyToTargetFlag = options.OnlyToSourceFlag = false;
        }
        state.rows = MatchRows(trees[0], trees[1], state.settings, options);
        memory = KeepStateOfScan(state.memory, kept, current, state.rows.rows, trees[0], trees[1], report,
                                 state.settings, scan.Complete, now, offset, scan.IgnoreDateFlag);
        state.memoryCheck = memory.check;
        kept = CommonState{};
        DropLeftOutDirection(state.rows, scan.OnlyToTargetFlag, scan.OnlyToSourceFlag);
    }
    ReturnFreeMemory();
    DisableControls(form, false);

    FillResultList(state, form);
    Status(form, QStringLiteral("%1 : %2ms").arg(scan.EntryCounter).arg(clock.elapsed()), 2);
    // A folder that could not be read looks like an empty one in the list; the user must know that
    // the scan is incomplete and why rows are refused.
    if (unreadable > 0)
        Message(QStringLiteral("Der Scan ist unvollständig: %1 Ordner konnte(n) nicht gelesen werden.\n"
                               "Zeilen, denen deren Inhalt widersprechen könnte, werden erst nach einem "
                               "vollständigen Scan synchronisiert, gelöscht oder umdatiert.")
                    .arg(unreadable));
    // Rows that the change makes older than the other side tell of it in the question before Sync.
    if (scan.FutureDated > 0 && !state.futureNoteShown &&
        std::none_of(state.rows.rows.cbegin(), state.rows.rows.cend(),
                     [](const ResultRow& row) { return row.olderWins; })) {
        state.futureNoteShown = true;
        Message(FutureDatedText(scan.FutureDated));
    }
    // A root that left its medium was told before the scan already.
    if (!toldMoved)
        TellMemoryAside(state, memory.check);
    NoteMemoryKept(state, memory);
}
