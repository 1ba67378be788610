#include "commonstate/KeepCommonState.h"

#include "commonstate/CommonStateFile.h"
#include "commonstate/MarkRows.h"

namespace {

bool keeps(const QString& folder, const StateKey& key) {
    return !folder.isEmpty() && !key.root1.isEmpty() && !key.root2.isEmpty();
}

bool sameIdentities(const CommonState& state, const FileSystemIdentity identity[2]) {
    return state.identity[0] == identity[0] && state.identity[1] == identity[1];
}

} // namespace

CommonState KeptState(const ScanMemory& memory, const CommonState* unsaved) {
    if (unsaved)
        return *unsaved;
    return KeptState(memory.folder, memory.key);
}

CommonState KeptState(const QString& folder, const StateKey& key) {
    if (!keeps(folder, key))
        return CommonState{key, {}, {}, false};
    return LoadCommonState(folder, key);
}

void ForgetDeletions(RowList& rows) {
    for (ResultRow& row : rows)
        row.sinceSync = NothingKnown;
}

MemoryOutcome KeepStateOfScan(const ScanMemory& memory, const CommonState& before, bool current,
                              RowList& rows, const SideTree& side1, const SideTree& side2,
                              const ScanReport& report, const Settings& settings, bool complete, int32_t now,
                              int64_t utcOffset, bool ignoreDate) {
    MemoryOutcome outcome;
    if (!memory.keeps())
        return outcome;
    outcome.check = CheckMemory(before, memory.identity, side1, side2, report);
    const bool sides = outcome.check.side[0] == Standing::Sure && outcome.check.side[1] == Standing::Sure;
    // Files a scan could not see are not known to be gone: only a complete scan replaces the state.
    // Another or an emptied medium leaves the memory to the medium it remembers.
    if (complete && sides) {
        // A memory that may be another installation's is not built on: the scan starts anew.
        const CommonState fresh{memory.key, {}, {}, false};
        const CommonState& base = outcome.check.foreign ? fresh : before;
        StateUpdate after = StateAfterScan(base, side1, side2, report, settings, now, utcOffset);
        after.state.oldKey = false;
        for (int side = 0; side < 2; ++side)
            after.state.identity[side] = memory.identity[side];
        if (after.changed || !current || before.oldKey || !sameIdentities(before, memory.identity)) {
            outcome.saved = SaveCommonState(memory.folder, after.state, &outcome.saveError);
            if (outcome.saved)
                current = true;
            else
                outcome.unsaved = std::move(after.state);
        } else if (!CanSaveCommonState(memory.folder, memory.key, &outcome.saveError)) {
            current = false;
        }
    }
    if (!outcome.saveError.isEmpty())
        current = false;
    if (outcome.check.sure()) {
        MarkOptions options;
        options.trees[0] = &side1;
        options.trees[1] = &side2;
        options.utcOffset = utcOffset;
        options.ignoreDate = ignoreDate;
        MarkRows(rows, before, settings, options);
    }
    outcome.notCurrent = !current;
    if (outcome.notCurrent)
        ForgetDeletions(rows);
    return outcome;
}

MemoryOutcome KeepStateOfSync(const ScanMemory& memory, const MemoryCheck& scanned, CommonState base,
                              const SyncOutcome& outcome, int32_t now) {
    MemoryOutcome kept;
    kept.check = scanned;
    if (!memory.keeps() || outcome.empty())
        return kept;
    const bool anew = scanned.foreign || scanned.side[0] == Standing::OtherMedium ||
                      scanned.side[1] == Standing::OtherMedium;
    if (anew)
        base = CommonState{memory.key, {}, {}, false};
    RecordSync(base, outcome, now);
    base.oldKey = false;
    for (int side = 0; side < 2; ++side)
        base.identity[side] = memory.identity[side];
    kept.saved = SaveCommonState(memory.folder, base, &kept.saveError);
    if (!kept.saved) {
        kept.notCurrent = true;
        kept.unsaved = std::move(base);
    }
    return kept;
}
