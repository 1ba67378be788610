#include "ops/Removal.h"

#include "ops/FailureReasons.h"

namespace {

void answer(Removal& removal, int count, const QStringList& places) {
    const bool forGood = removal.askForGood && removal.askForGood(count, places);
    removal.noTrash = forGood ? Removal::NoTrash::ForGood : Removal::NoTrash::Keep;
}

} // namespace

void AskWhereNoTrash(Removal& removal, const std::vector<PlannedRemoval>& planned) {
    if (!removal.toTrash || removal.noTrash != Removal::NoTrash::Unasked)
        return;
    int count = 0;
    QStringList places;
    for (const PlannedRemoval& p : planned) {
        if (p.count <= 0)
            continue;
        const TrashLookup& found = TrashFor(removal.places, p.path);
        if (found.trash)
            continue;
        count += p.count;
        if (!places.contains(found.place))
            places.append(found.place);
    }
    if (count > 0)
        answer(removal, count, places);
}

bool WayToRemove(Removal& removal, const QString& path, const Trash*& trash) {
    trash = nullptr;
    if (!removal.toTrash)
        return true;
    const TrashLookup& found = TrashFor(removal.places, path);
    if (found.trash) {
        trash = &*found.trash;
        return true;
    }
    if (removal.noTrash == Removal::NoTrash::Unasked)
        answer(removal, 1, {found.place});
    return removal.noTrash == Removal::NoTrash::ForGood;
}

int RemoveAsPlanned(Removal& removal, const QString& path, const ExpectedEntry& expected) {
    const Trash* trash = nullptr;
    if (!WayToRemove(removal, path, trash))
        return NoTrash;
    return RemoveEntry(path, expected, trash);
}

QString WhereRemovedGo(bool toTrash) {
    return toTrash ? QStringLiteral("Die Einträge kommen in den Papierkorb.")
                   : QStringLiteral("Die Einträge werden endgültig gelöscht.");
}
