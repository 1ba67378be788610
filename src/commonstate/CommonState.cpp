#include "commonstate/CommonState.h"

#include "commonstate/ChangedSince.h"
#include "platform/DirectoryListing.h"
#include "platform/FileName.h"

#include <QSet>
#include <algorithm>
#include <utility>

namespace {

std::string_view viewOf(const QByteArray& bytes) {
    return {bytes.constData(), size_t(bytes.size())};
}

// A root stored without its closing separator gives relative paths beginning with one; the state
// is kept the same either way.
QString withoutLeadingSeparator(const QString& path) {
    return path.startsWith(u'/') ? path.mid(1) : path;
}

QByteArray folderKey(const QByteArray& path) {
    return path.startsWith('/') ? path.mid(1) : path;
}

// The folder (ending with "/", empty for the root) and the name of a relative file path, as bytes.
std::pair<QByteArray, QByteArray> splitPath(const QString& relativePath) {
    const QString path = withoutLeadingSeparator(relativePath);
    const qsizetype cut = path.lastIndexOf(u'/') + 1;
    return {EncodeFileName(path.left(cut)), EncodeFileName(path.mid(cut))};
}

bool sameEntry(const RememberedFile& a, const RememberedFile& b) {
    return a.size[0] == b.size[0] && a.size[1] == b.size[1] && a.date[0] == b.date[0] &&
           a.date[1] == b.date[1] && a.since == b.since && a.inode[0] == b.inode[0] &&
           a.inode[1] == b.inode[1] && a.birth[0] == b.birth[0] && a.birth[1] == b.birth[1] &&
           a.utcOffset == b.utcOffset && a.inStep == b.inStep;
}

// A reported file with its name and what was remembered of it (an index into the old folder).
struct Reported {
    std::string_view name;
    const ScanReport::File* file;
    int old;
};

class ScanMerge {
public:
    ScanMerge(const CommonState& b, const SideTree& side1, const SideTree& side2, const Settings& s,
              int32_t n, int64_t offset)
        : before(b), tree{&side1, &side2}, settings(s), now(n), utcOffset(offset), knowsRoot(b.hasRoot()) {}

    StateUpdate run(const ScanReport& report) {
        // Folders remembered as spelled first, so that no other spelling takes their files too.
        olds.reserve(report.folders.size());
        for (const ScanReport::Folder& folder : report.folders) {
            const auto found = before.folders.constFind(folderKey(folder.path1));
            olds.push_back(found == before.folders.cend() ? nullptr : &*found);
            if (olds.back())
                exact.insert(olds.back());
        }
        StateUpdate update;
        // A scan of sides unchanged since leaves the state as it was: that is made sure of first,
        // without building a new one.
        if (unchanged(report)) {
            update.state = before;
            return update;
        }
        update.changed = true;
        update.state.key = before.key;
        for (size_t f = 0; f < report.folders.size(); ++f) {
            StateFolder next;
            if (merged(report, f, next))
                update.state.folders.emplace(folderKey(report.folders[f].path1), std::move(next));
        }
        return update;
    }

private:
    bool unchanged(const ScanReport& report) {
        size_t kept = 0;
        StateFolder next;
        for (size_t f = 0; f < report.folders.size(); ++f) {
            if (!merged(report, f, next))
                continue;
            const StateFolder* old = olds[f];
            if (!old || !sameFolder(next, *old))
                return false;
            ++kept;
        }
        return kept == size_t(before.folders.size());
    }

    static bool sameFolder(const StateFolder& a, const StateFolder& b) {
        return a.recorded == b.recorded && a.since == b.since && a.names == b.names &&
               std::equal(a.files.begin(), a.files.end(), b.files.begin(), b.files.end(),
                          [](const StateFolder::File& x, const StateFolder::File& y) {
                              return x.nameLength == y.nameLength && sameEntry(x.state, y.state);
                          });
    }

    // The folder `f` of the report after the scan, into `next`; false when the state keeps
    // nothing of it.
    bool merged(const ScanReport& report, size_t f, StateFolder& next) {
        const ScanReport::Folder& folder = report.folders[f];
        const StateFolder* old = olds[f];
        if (!old && !folder.path2.isEmpty()) {
            // Side 2 may keep the spelling of the last sync where side 1 changed its letter case.
            const auto found = before.folders.constFind(folderKey(folder.path2));
            old = found == before.folders.cend() || exact.contains(&*found) ? nullptr : &*found;
        }
        mergeFiles(report, folder, old, next);
        const bool onBoth = folder.sides == (PresentOn1 | PresentOn1 << 1);
        next.recorded = onBoth || (old && old->recorded);
        next.since = !next.recorded ? 0 : old && old->recorded ? old->since : now;
        return next.recorded || !next.files.empty();
    }

    std::string_view nameOf(const ScanReport::File& file) const {
        const int side = file.entry[0] != ScanReport::Absent ? 0 : 1;
        return tree[side]->name(tree[side]->entries[file.entry[side]]);
    }
    SideDevice deviceOf(int side, const SideEntry& e) const {
        const std::vector<SideDevice>& devices = tree[side]->devices;
        return e.device < devices.size() ? devices[e.device] : SideDevice{};
    }
    uint64_t inodeOf(int side, const SideEntry& e) const {
        return deviceOf(side, e).stableInodes ? e.inode : 0;
    }
    uint64_t birthOf(int side, const SideEntry& e) const {
        return deviceOf(side, e).stableInodes ? e.birth : 0;
    }
    bool unchangedSince(const RememberedFile& remembered, const SideEntry* const (&e)[2]) const {
        for (int side = 0; side < 2; ++side) {
            const FileNow current{e[side]->size, e[side]->date, utcOffset,
                                  deviceOf(side, *e[side]).exactTimes};
            if (ChangedOn(side, current, remembered, settings))
                return false;
        }
        return true;
    }

    void mergeFiles(const ScanReport& report, const ScanReport::Folder& folder, const StateFolder* old,
                    StateFolder& next) {
        items.clear();
        for (uint32_t i = folder.first; i < folder.first + folder.count; ++i)
            items.push_back({nameOf(report.files[i]), &report.files[i], -1});
        // Files on one side and pairs of case variants come after the exact pairs.
        const auto byName = [](const Reported& a, const Reported& b) { return a.name < b.name; };
        if (!std::is_sorted(items.begin(), items.end(), byName))
            std::sort(items.begin(), items.end(), byName);
        if (old)
            findOld(*old);

        next.files.clear();
        next.names.clear();
        next.files.reserve(items.size());
        next.names.reserve(old ? old->names.size() : items.size() * 16);
        for (size_t i = 0; i < items.size(); ++i) {
            const Reported& item = items[i];
            if (i > 0 && items[i - 1].name == item.name)
                continue;
            const RememberedFile* remembered = item.old >= 0 ? &old->files[size_t(item.old)].state : nullptr;
            RememberedFile entry;
            if (nextEntry(*item.file, remembered, entry))
                next.add(item.name, entry);
        }
    }

    // Pairs the items with the old folder's files: exactly as spelled, then, for the rest on both
    // sides, under side 2's spelling where no item has it as spelled.
    void findOld(const StateFolder& old) {
        size_t k = 0;
        bool missed = false;
        for (Reported& item : items) {
            while (k < old.files.size() && old.name(old.files[k]) < item.name)
                ++k;
            if (k < old.files.size() && old.name(old.files[k]) == item.name)
                item.old = int(k);
            else
                missed = true;
        }
        if (!missed)
            return;
        std::vector<bool> taken(old.files.size(), false);
        for (const Reported& item : items)
            if (item.old >= 0)
                taken[size_t(item.old)] = true;
        for (Reported& item : items) {
            if (item.old >= 0 || item.file->entry[0] == ScanReport::Absent ||
                item.file->entry[1] == ScanReport::Absent)
                continue;
            const int variant = old.indexOf(tree[1]->name(tree[1]->entries[item.file->entry[1]]));
            if (variant >= 0 && !taken[size_t(variant)]) {
                item.old = variant;
                taken[size_t(variant)] = true;
            }
        }
    }

    // What is remembered of a reported file after the scan; false when nothing is.
    bool nextEntry(const ScanReport::File& file, const RememberedFile* remembered,
                   RememberedFile& entry) const {
        if (file.entry[0] == ScanReport::Absent || file.entry[1] == ScanReport::Absent) {
            // On one side only: a deletion or a new file not settled yet.
            if (!remembered || !remembered->inStep)
                return false;
            entry = *remembered;
            return true;
        }
        const SideEntry& a = tree[0]->entries[file.entry[0]];
        const SideEntry& b = tree[1]->entries[file.entry[1]];
        const RememberedFile current{{a.size, b.size},
                                     {a.date, b.date},
                                     now,
                                     {inodeOf(0, a), inodeOf(1, b)},
                                     {birthOf(0, a), birthOf(1, b)},
                                     int32_t(utcOffset),
                                     true};
        // Two sizes are two contents, whatever their dates say (a date carried over by "Datum
        // abgleichen" makes no two files one).
        if (!file.equal || a.size != b.size) {
            // Not in step now: what they last had in common stays what it was. A pair the first
            // kept scan finds is only seen, so it is not new on both sides later; one that came
            // on both sides since is, until the two are made one.
            if (!remembered && knowsRoot)
                return false;
            entry = remembered ? *remembered : current;
            if (!remembered)
                entry.inStep = false;
            return true;
        }
        entry = current;
        const SideEntry* const both[2] = {&a, &b};
        if (remembered && remembered->inStep && unchangedSince(*remembered, both)) {
            entry = *remembered;
            for (int side = 0; side < 2; ++side) {
                entry.inode[side] = current.inode[side];
                entry.birth[side] = current.birth[side];
            }
        }
        return true;
    }

    const CommonState& before;
    const SideTree* tree[2];
    const Settings& settings;
    const int32_t now;
    const int64_t utcOffset;
    const bool knowsRoot;
    std::vector<const StateFolder*> olds;
    QSet<const StateFolder*> exact;
    std::vector<Reported> items;
};

// Records `key` and every folder above it but the root, which only a complete scan records.
void recordFolders(CommonState& state, QByteArray key, int32_t now) {
    while (!key.isEmpty()) {
        StateFolder& folder = state.folders[key];
        if (!folder.recorded) {
            folder.recorded = true;
            folder.since = now;
        }
        key.chop(1);
        key.truncate(key.lastIndexOf('/') + 1);
    }
}

// Forgets the folders `gone` and everything beneath them.
void forgetFolders(CommonState& state, const QSet<QByteArray>& gone) {
    for (auto it = state.folders.begin(); it != state.folders.end();) {
        bool beneath = false;
        for (qsizetype at = it.key().indexOf('/'); at >= 0 && !beneath; at = it.key().indexOf('/', at + 1))
            beneath = gone.contains(it.key().left(at + 1));
        it = beneath ? state.folders.erase(it) : std::next(it);
    }
}

} // namespace

StateKey StateKeyOf(const QString& host, const QString& root1, const QString& root2, const QString& machine) {
    StateKey key{host, ResolvedFolderPath(root1), ResolvedFolderPath(root2), machine};
    if (key.root1.isEmpty() || key.root2.isEmpty())
        key.root1 = key.root2 = QString();
    return key;
}

void StateFolder::add(std::string_view name, const RememberedFile& state) {
    files.push_back({uint32_t(names.size()), uint16_t(name.size()), state});
    names.insert(names.end(), name.begin(), name.end());
}

int StateFolder::indexOf(std::string_view wanted) const {
    const auto at = std::lower_bound(files.begin(), files.end(), wanted,
                                     [this](const File& f, std::string_view n) { return name(f) < n; });
    return at != files.end() && name(*at) == wanted ? int(at - files.begin()) : -1;
}

const RememberedFile* StateFolder::find(std::string_view wanted) const {
    const int at = indexOf(wanted);
    return at < 0 ? nullptr : &files[size_t(at)].state;
}

size_t CommonState::fileCount() const {
    size_t count = 0;
    for (const StateFolder& folder : folders)
        count += folder.files.size();
    return count;
}

bool CommonState::hasRoot() const {
    const auto root = folders.constFind(QByteArray());
    return root != folders.cend() && root->recorded;
}

const RememberedFile* FindRemembered(const CommonState& state, const QString& pathOnSide1) {
    const auto [folder, name] = splitPath(pathOnSide1);
    const auto found = state.folders.constFind(folder);
    return found == state.folders.cend() ? nullptr : found->find(viewOf(name));
}

const StateFolder* FindRecordedFolder(const CommonState& state, const QString& pathOnSide1) {
    const auto found = state.folders.constFind(EncodeFileName(withoutLeadingSeparator(pathOnSide1)));
    return found != state.folders.cend() && found->recorded ? &*found : nullptr;
}

StateUpdate StateAfterScan(const CommonState& before, const SideTree& side1, const SideTree& side2,
                           const ScanReport& report, const Settings& settings, int32_t now,
                           int64_t utcOffset) {
    return ScanMerge(before, side1, side2, settings, now, utcOffset).run(report);
}

void RecordSync(CommonState& state, const SyncOutcome& outcome, int32_t now) {
    // What is gone first: a file deleted under one name and synced under another (a rename that
    // only changed the letter case) is kept under the new one.
    QSet<QByteArray> goneFolders;
    QHash<QByteArray, std::vector<QByteArray>> goneFiles;
    for (const QString& path : outcome.deleted) {
        const QString relative = withoutLeadingSeparator(path);
        if (relative.endsWith(u'/'))
            goneFolders.insert(EncodeFileName(relative));
        else if (!relative.isEmpty())
            goneFiles[splitPath(relative).first].push_back(splitPath(relative).second);
    }
    goneFolders.remove(QByteArray()); // the root is never gone
    if (!goneFolders.isEmpty())
        forgetFolders(state, goneFolders);
    for (auto it = goneFiles.begin(); it != goneFiles.end(); ++it) {
        const auto found = state.folders.find(it.key());
        if (found == state.folders.end())
            continue;
        std::vector<QByteArray>& names = it.value();
        std::sort(names.begin(), names.end());
        StateFolder kept;
        kept.recorded = found->recorded;
        kept.since = found->since;
        for (const StateFolder::File& file : found->files)
            if (!std::binary_search(
                    names.begin(), names.end(),
                    QByteArray(found->name(file).data(), qsizetype(found->name(file).size()))))
                kept.add(found->name(file), file.state);
        *found = std::move(kept);
    }

    for (const QString& path : outcome.createdFolders)
        recordFolders(state, EncodeFileName(withoutLeadingSeparator(path)), now);

    QHash<QByteArray, std::vector<std::pair<QByteArray, RememberedFile>>> byFolder;
    for (const SyncedFile& file : outcome.synced) {
        auto [folder, name] = splitPath(file.pathOnSide1);
        byFolder[folder].push_back({std::move(name),
                                    {{file.size, file.size},
                                     {file.date, file.date},
                                     now,
                                     {file.inode[0], file.inode[1]},
                                     {file.birth[0], file.birth[1]},
                                     int32_t(outcome.utcOffset),
                                     true}});
    }
    for (auto it = byFolder.begin(); it != byFolder.end(); ++it) {
        recordFolders(state, it.key(), now);
        std::vector<std::pair<QByteArray, RememberedFile>>& added = it.value();
        std::stable_sort(added.begin(), added.end(),
                         [](const auto& a, const auto& b) { return viewOf(a.first) < viewOf(b.first); });
        const StateFolder old = state.folders.value(it.key());
        StateFolder merged;
        merged.recorded = old.recorded;
        merged.since = old.since;
        size_t k = 0;
        for (size_t i = 0; i < added.size(); ++i) {
            const std::string_view name = viewOf(added[i].first);
            // The same file carried out twice: its last record counts.
            if (i + 1 < added.size() && viewOf(added[i + 1].first) == name)
                continue;
            for (; k < old.files.size() && old.name(old.files[k]) < name; ++k)
                merged.add(old.name(old.files[k]), old.files[k].state);
            if (k < old.files.size() && old.name(old.files[k]) == name)
                ++k;
            merged.add(name, added[i].second);
        }
        for (; k < old.files.size(); ++k)
            merged.add(old.name(old.files[k]), old.files[k].state);
        state.folders.emplace(it.key(), std::move(merged));
    }
    // Folders that hold nothing and were never on both sides are no folders of the state.
    for (auto it = state.folders.begin(); it != state.folders.end();)
        it = !it->recorded && it->files.empty() ? state.folders.erase(it) : std::next(it);
}
