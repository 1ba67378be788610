#include "commonstate/MarkRows.h"

#include "commonstate/StateLookup.h"

namespace {

bool changedOn(int side, const ResultRow& row, const RememberedFile& remembered, const Settings& settings) {
    const int64_t size = side == 0 ? row.size1 : row.size2;
    const int32_t date = side == 0 ? row.date1 : row.date2;
    return size != remembered.size[side] || CompareTimes(date, remembered.date[side], settings) != 0;
}

} // namespace

void MarkRows(RowList& rows, const CommonState& state, const Settings& settings) {
    if (state.folders.isEmpty())
        return;
    const bool knowsRoot = state.hasRoot();
    StateLookup lookup(state);
    for (ResultRow& row : rows) {
        const bool on[2] = {PresentOn(row, 0), PresentOn(row, 1)};
        if (on[0] == on[1] && !on[0])
            continue;
        const QString& path = PathOnSide(row, 0);
        if (path.endsWith(u'/')) {
            // A folder on both sides gives no row.
            if (on[0] != on[1]) {
                const StateFolder* folder = lookup.folder(path);
                if (folder && folder->recorded)
                    row.sinceSync = on[0] ? DeletedOn2 : DeletedOn1;
            }
            continue;
        }
        const RememberedFile* remembered = lookup.file(path);
        if (on[0] && on[1]) {
            if (remembered && remembered->inStep && changedOn(0, row, *remembered, settings) &&
                changedOn(1, row, *remembered, settings)) {
                row.bothChanged = true;
                row.inStepSince = remembered->since;
            } else if (!remembered && knowsRoot) {
                row.bothChanged = true;
                row.inStepSince = lookup.recordedSinceAbove(path);
            }
            continue;
        }
        if (!remembered || !remembered->inStep)
            continue;
        const int side = on[0] ? 0 : 1;
        const bool changed = changedOn(side, row, *remembered, settings);
        if (side == 0)
            row.sinceSync = changed ? DeletedOn2ChangedOn1 : DeletedOn2;
        else
            row.sinceSync = changed ? DeletedOn1ChangedOn2 : DeletedOn1;
    }
}
