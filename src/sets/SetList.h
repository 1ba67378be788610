#pragma once

#include "sets/SyncSet.h"

#include <QString>

// The position of the first set whose name equals `name` ignoring letter case (all letters,
// umlauts too), which becomes current; -1 when there is none, and the last set is current then.
int FindSet(SetList& list, const QString& name);

// Orders two texts character by character with only the letters A to Z folded to lower case.
bool LessFoldingAZ(const QString& a, const QString& b);

// Sorts the sets by name with LessFoldingAZ, keeping the order of equal names; the current set
// stays the same record.
void SortSets(SetList& list);

// Inserts a set after the current one (at the front when none is current) and makes it current.
void AddSet(SetList& list, SyncSet set);

// Removes the set at `index`; the set before it becomes current.
void RemoveSet(SetList& list, int index);

// Empty when a set of this name can be written to the settings file and read back as the same
// name; otherwise the German reason why not.
QString NameProblem(const QString& name);
