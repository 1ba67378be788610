#pragma once

#include <QString>
#include <vector>

// One sync set: a pair of directories with its exclusion filter and option words.
struct SyncSet {
    QString Name;
    QString Src;     // side 1, "Quelle"
    QString Mid;     // side 2, "Ziel"
    QString Filter;  // exclusion words joined by "|", lower case
    QString Options; // option words written one after the other
};

// The general values of the settings file, kept for the whole run.
struct Settings {
    int IniVersion = 0;
    int TimeTolerance = 3;
    int TimeSummerDiff = 3600;
    int TimeSummerDiff2 = 7200;
};

// All sets in one ordered list with a cursor; current is -1 when no set is current.
struct SetList {
    std::vector<SyncSet> sets;
    int current = -1;

    bool empty() const { return sets.empty(); }
    SyncSet* currentSet() { return current >= 0 && current < int(sets.size()) ? &sets[current] : nullptr; }
};
