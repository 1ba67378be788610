#pragma once

#include "scan/ResultRow.h"

#include <QHash>
#include <QString>
#include <vector>

// Index of the first row whose path is exactly `path`; that row becomes current. -1 when none
// matches, and then the last row is current. A list line shows its row's path letter for letter,
// and names that differ only in letter case are different entries here: matching them without
// regard to case would act on the wrong one.
int FindRowByPath(ResultRows& rows, const QString& path);

// Looks up many list lines in a row list from which found rows are removed as the work goes on,
// with the result of calling FindRowByPath for each line and deleting the rows one by one, but in
// linear time: the paths are hashed once, removed rows are only marked, and compact() drops them
// in one pass at the end.
//
// Indices refer to the rows as they were when the lookup was made, until compact().
class RowLookup {
public:
    explicit RowLookup(const ResultRows& rows);

    // The first row not removed yet whose path is exactly `path`, or -1.
    int find(const QString& path);
    // Marks a row as removed; later finds pass over it.
    void remove(int index);
    bool removed(int index) const { return gone[size_t(index)]; }
    int removedCount() const { return removedRows; }

    // Drops the removed rows from `rows` (the list the lookup was made from) keeping the order of
    // the others; the last row becomes current.
    void compact(ResultRows& rows) const;

private:
    struct Chain {
        std::vector<int> indices; // ascending
        size_t next = 0;          // first entry that may still be live
    };
    QHash<QString, Chain> chains;
    std::vector<bool> gone;
    int removedRows = 0;
};
