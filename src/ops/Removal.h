#pragma once

#include "platform/RemoveEntry.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

// How one run removes entries (deleted ones, and the old versions of replaced files): into the
// trash of their own file system unless the set says "delete for good". Where a file system has
// no trash, the user is asked once per run whether such entries go for good or stay.
struct Removal {
    bool toTrash = true;
    TrashPlaces places;
    enum class NoTrash { Unasked, ForGood, Keep } noTrash = NoTrash::Unasked;
    // The question: `count` entries at `places` can go into no trash; true means "for good".
    std::function<bool(int count, const QStringList& places)> askForGood;
};

// One place where a run is to remove `count` entries.
struct PlannedRemoval {
    QString path;
    int count = 0;
};

// Looks up the trashes of the places before the run and asks once where some have none.
void AskWhereNoTrash(Removal& removal, const std::vector<PlannedRemoval>& planned);

// How to remove the entry at `path`: true with `trash` set, or null for good; false when it is to
// stay (no trash there, and the user said so).
bool WayToRemove(Removal& removal, const QString& path, const Trash*& trash);

// Removes the entry at `path` when it is what `expected` says, the way the run removes entries;
// NoFileError or the reason (NoTrash when it stays for want of a trash).
int RemoveAsPlanned(Removal& removal, const QString& path, const ExpectedEntry& expected);

// The line the deletion questions add: where the entries go.
QString WhereRemovedGo(bool toTrash);
