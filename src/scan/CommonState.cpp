#include "scan/CommonState.h"

#include "platform/DirectoryListing.h"
#include "platform/FileName.h"
#include "scan/ResultCells.h"

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

bool sameWithinTolerance(const InStepFile& a, const InStepFile& b, const Settings& settings) {
    for (int side = 0; side < 2; ++side)
        if (a.size[side] != b.size[side] || CompareTimes(a.date[side], b.date[side], settings) != 0)
            return false;
    return true;
}

} // namespace

StateKey StateKeyOf(const QString& host, const QString& root1, const QString& root2) {
    StateKey key{host, ResolvedFolderPath(root1), ResolvedFolderPath(root2)};
    if (key.root1.isEmpty() || key.root2.isEmpty())
        key.root1 = key.root2 = QString();
    return key;
}

void StateFolder::add(std::string_view name, const InStepFile& state) {
    files.push_back({uint32_t(names.size()), uint16_t(name.size()), state});
    names.insert(names.end(), name.begin(), name.end());
}

const InStepFile* StateFolder::find(std::string_view wanted) const {
    const auto at = std::lower_bound(files.begin(), files.end(), wanted,
                                     [this](const File& f, std::string_view n) { return name(f) < n; });
    return at != files.end() && name(*at) == wanted ? &at->state : nullptr;
}

size_t CommonState::fileCount() const {
    size_t count = 0;
    for (const StateFolder& folder : folders)
        count += folder.files.size();
    return count;
}

const InStepFile* FindInStep(const CommonState& state, const QString& pathOnSide1) {
    const auto [folder, name] = splitPath(pathOnSide1);
    const auto found = state.folders.constFind(folder);
    return found == state.folders.cend() ? nullptr : found->find(viewOf(name));
}

StateUpdate StateAfterScan(const CommonState& before, const SideTree& side1, const SideTree& side2,
                           const FilePairs& pairs, const Settings& settings, int32_t now) {
    StateUpdate update;
    update.state.key = before.key;
    size_t total = 0;
    size_t keptAsBefore = 0;
    const auto nameOf = [&side1](const FilePairs::Pair& p) { return side1.name(side1.entries[p.entry[0]]); };
    std::vector<FilePairs::Pair> folderPairs;
    for (const FilePairs::Folder& folder : pairs.folders) {
        const QByteArray key = folderKey(folder.path1);
        const auto found = before.folders.constFind(key);
        const StateFolder* old = found == before.folders.cend() ? nullptr : &*found;
        const auto first = pairs.pairs.begin() + folder.first;
        folderPairs.assign(first, first + folder.count);
        // Pairs of case variants come after the exact ones; the merge below needs name order.
        const auto byName = [&nameOf](const FilePairs::Pair& a, const FilePairs::Pair& b) {
            return nameOf(a) < nameOf(b);
        };
        if (!std::is_sorted(folderPairs.begin(), folderPairs.end(), byName))
            std::sort(folderPairs.begin(), folderPairs.end(), byName);

        StateFolder next;
        next.files.reserve(folderPairs.size());
        next.names.reserve(old ? old->names.size() : folderPairs.size() * 16);
        size_t k = 0;
        for (const FilePairs::Pair& p : folderPairs) {
            const std::string_view name = nameOf(p);
            const InStepFile* remembered = nullptr;
            if (old) {
                while (k < old->files.size() && old->name(old->files[k]) < name)
                    ++k;
                if (k < old->files.size() && old->name(old->files[k]) == name)
                    remembered = &old->files[k].state;
            }
            if (p.equal) {
                const SideEntry& a = side1.entries[p.entry[0]];
                const SideEntry& b = side2.entries[p.entry[1]];
                const InStepFile current{{a.size, b.size}, {a.date, b.date}, now};
                if (remembered && sameWithinTolerance(*remembered, current, settings)) {
                    next.add(name, *remembered);
                    ++keptAsBefore;
                } else {
                    next.add(name, current);
                }
            } else if (remembered) {
                // Not in step now: what they last had in common stays what it was.
                next.add(name, *remembered);
                ++keptAsBefore;
            }
        }
        total += next.files.size();
        if (!next.files.empty())
            update.state.folders.emplace(key, std::move(next));
    }
    update.changed = keptAsBefore != total || total != before.fileCount();
    return update;
}

void MarkBothChanged(RowList& rows, const CommonState& state, const Settings& settings) {
    if (state.folders.isEmpty())
        return;
    for (ResultRow& row : rows) {
        // A side without the file has neither size nor date; folders have no state.
        if (row.date1 == 0 || row.date2 == 0 || row.size1 < 0 || row.size2 < 0)
            continue;
        const InStepFile* remembered = FindInStep(state, PathOnSide(row, 0));
        if (!remembered)
            continue;
        const bool changed1 =
            row.size1 != remembered->size[0] || CompareTimes(row.date1, remembered->date[0], settings) != 0;
        const bool changed2 =
            row.size2 != remembered->size[1] || CompareTimes(row.date2, remembered->date[1], settings) != 0;
        if (changed1 && changed2) {
            row.bothChanged = true;
            row.inStepSince = remembered->since;
        }
    }
}

void RecordSynced(CommonState& state, const std::vector<SyncedFile>& files, int32_t now) {
    QHash<QByteArray, std::vector<std::pair<QByteArray, InStepFile>>> byFolder;
    for (const SyncedFile& file : files) {
        auto [folder, name] = splitPath(file.pathOnSide1);
        byFolder[folder].push_back({std::move(name), {{file.size, file.size}, {file.date, file.date}, now}});
    }
    for (auto it = byFolder.begin(); it != byFolder.end(); ++it) {
        std::vector<std::pair<QByteArray, InStepFile>>& added = it.value();
        std::stable_sort(added.begin(), added.end(),
                         [](const auto& a, const auto& b) { return viewOf(a.first) < viewOf(b.first); });
        const StateFolder old = state.folders.value(it.key());
        StateFolder merged;
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
}

QString BothChangedToolTip(int32_t since) {
    return QStringLiteral("Auf beiden Seiten geändert seit dem letzten Abgleich ") + DateText(since);
}
