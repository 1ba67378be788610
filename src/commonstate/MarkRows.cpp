#include "commonstate/MarkRows.h"

#include "commonstate/ChangedSince.h"
#include "commonstate/StateLookup.h"
#include "platform/FileName.h"
#include "text/FoldCase.h"

#include <QHash>
#include <QSet>
#include <utility>

namespace {

// Finds entries of a tree by a path without regard to letter case, folder by folder; the folded
// names of a folder are gathered when it is first asked about.
class CaseVariants {
public:
    explicit CaseVariants(const SideTree* t) : tree(t) {}

    // Whether the tree holds an entry at `path` (relative, "/" between names) in any letter case.
    bool holds(const QString& path) {
        if (!tree || tree->entries.empty())
            return false;
        QStringList parts = path.split(u'/', Qt::SkipEmptyParts);
        return holdsBelow(0, parts, 0);
    }

private:
    bool holdsBelow(uint32_t folder, const QStringList& parts, qsizetype at) {
        if (at == parts.size())
            return true;
        const std::vector<uint32_t>& found = childrenNamed(folder, FoldCase(parts[at]));
        for (uint32_t child : found)
            if (at + 1 == parts.size() ||
                (tree->isFolder(tree->entries[child]) && holdsBelow(child, parts, at + 1)))
                return true;
        return false;
    }

    const std::vector<uint32_t>& childrenNamed(uint32_t folder, const QString& folded) {
        auto made = names.find(folder);
        if (made == names.end()) {
            made = names.insert(folder, {});
            const SideEntry& f = tree->entries[folder];
            for (uint32_t c = f.firstChild; c < f.firstChild + f.childCount; ++c) {
                const std::string_view name = tree->name(tree->entries[c]);
                (*made)[FoldCase(DecodeFileName(name.data(), qsizetype(name.size())))].push_back(c);
            }
        }
        const auto at = made->constFind(folded);
        return at == made->cend() ? none : *at;
    }

    const SideTree* tree;
    QHash<uint32_t, QHash<QString, std::vector<uint32_t>>> names;
    const std::vector<uint32_t> none;
};

} // namespace

void TurnRow(ResultRow& row) {
    if (!row.otherPath.isEmpty())
        std::swap(row.path, row.otherPath);
    row.action = row.action == u'<' ? u'>' : u'<';
}

void MarkRows(RowList& rows, const CommonState& state, const Settings& settings, const MarkOptions& options) {
    if (state.folders.isEmpty())
        return;
    const bool knowsRoot = state.hasRoot();
    StateLookup lookup(state);
    CaseVariants variants[2] = {CaseVariants(options.trees[0]), CaseVariants(options.trees[1])};
    // A one-sided entry counts as deleted on the other side only when that side was looked at and
    // holds it under no spelling.
    const auto goneFrom = [&](const ResultRow& row, int side) {
        return options.trees[side] && !row.blocked && !variants[side].holds(PathOnSide(row, side));
    };
    QSet<const RememberedFile*> claimed;
    for (ResultRow& row : rows) {
        const bool on[2] = {PresentOn(row, 0), PresentOn(row, 1)};
        if (on[0] == on[1] && !on[0])
            continue;
        const QString& path = PathOnSide(row, 0);
        if (path.endsWith(u'/')) {
            // A folder on both sides gives no row.
            if (on[0] != on[1]) {
                const StateFolder* folder = lookup.folder(path);
                if (!folder && PathOnSide(row, 1) != path)
                    folder = lookup.folder(PathOnSide(row, 1));
                if (folder && folder->recorded && goneFrom(row, on[0] ? 1 : 0))
                    row.sinceSync = on[0] ? DeletedOn2 : DeletedOn1;
            }
            continue;
        }
        const RememberedFile* remembered = lookup.fileOfRow(row);
        if (remembered) {
            if (claimed.contains(remembered))
                continue;
            claimed.insert(remembered);
        }
        if (on[0] && on[1]) {
            if (remembered && remembered->inStep) {
                const uint8_t changed = SidesChangedOf(row, *remembered, settings, options.utcOffset);
                if (changed == BothChanged) {
                    row.bothChanged = true;
                    row.inStepSince = remembered->since;
                } else if (changed != NeitherChanged && !options.ignoreDate) {
                    const QChar fromChanged = changed == Side1Changed ? u'>' : u'<';
                    if (row.action != fromChanged) {
                        TurnRow(row);
                        row.side = changed == Side1Changed ? 0 : 1;
                        row.olderWins = true;
                    }
                }
            } else if (!remembered && knowsRoot) {
                row.bothChanged = true;
                row.inStepSince = lookup.recordedSinceAbove(path);
            }
            continue;
        }
        if (!remembered || !remembered->inStep)
            continue;
        const int side = on[0] ? 0 : 1;
        if (!goneFrom(row, 1 - side))
            continue;
        const bool changed = SidesChangedOf(row, *remembered, settings, options.utcOffset) & (1 << side);
        if (side == 0)
            row.sinceSync = changed ? DeletedOn2ChangedOn1 : DeletedOn2;
        else
            row.sinceSync = changed ? DeletedOn1ChangedOn2 : DeletedOn1;
    }
}
