#include "commonstate/KeepCommonState.h"

#include "commonstate/CommonStateFile.h"
#include "commonstate/MarkRows.h"

namespace {

bool keeps(const QString& folder, const StateKey& key) {
    return !folder.isEmpty() && !key.root1.isEmpty() && !key.root2.isEmpty();
}

} // namespace

void KeepStateOfScan(const QString& folder, const StateKey& key, RowList& rows, const SideTree& side1,
                     const SideTree& side2, const ScanReport& report, const Settings& settings, bool complete,
                     int32_t now, int64_t utcOffset, bool ignoreDate) {
    if (!keeps(folder, key))
        return;
    const CommonState before = LoadCommonState(folder, key);
    MarkOptions options;
    options.trees[0] = &side1;
    options.trees[1] = &side2;
    options.utcOffset = utcOffset;
    options.ignoreDate = ignoreDate;
    MarkRows(rows, before, settings, options);
    // Files a scan could not see are not known to be gone: only a complete scan replaces the state.
    if (!complete)
        return;
    const StateUpdate after = StateAfterScan(before, side1, side2, report, settings, now, utcOffset);
    if (after.changed)
        SaveCommonState(folder, after.state);
}

CommonState KeptState(const QString& folder, const StateKey& key) {
    if (!keeps(folder, key))
        return CommonState{key, {}};
    return LoadCommonState(folder, key);
}

void KeepStateOfSync(const QString& folder, const StateKey& key, const SyncOutcome& outcome, int32_t now) {
    if (!keeps(folder, key) || outcome.empty())
        return;
    CommonState state = LoadCommonState(folder, key);
    RecordSync(state, outcome, now);
    SaveCommonState(folder, state);
}
