#include "ops/DeleteThere.h"

bool DeletedSinceSync(const ResultRow& row) {
    return row.sinceSync == DeletedOn1 || row.sinceSync == DeletedOn2;
}

std::vector<bool> RowsToDeleteThere(const RowList& rows, const std::vector<bool>& chosen) {
    const int count = int(rows.size());
    std::vector<bool> deleting(size_t(count), false);
    // The folder rows above the current row, and how many of them are chosen deleted folders.
    std::vector<int> above;
    int chosenAbove = 0;
    for (int i = 0; i < count; ++i) {
        const ResultRow& row = rows[i];
        while (!above.empty() && !row.path.startsWith(rows[above.back()].path)) {
            if (chosen[size_t(above.back())] && DeletedSinceSync(rows[above.back()]))
                --chosenAbove;
            above.pop_back();
        }
        const bool deleted = DeletedSinceSync(row);
        if (deleted && (chosen[size_t(i)] || chosenAbove > 0))
            deleting[size_t(i)] = true;
        if (!deleted && chosenAbove > 0)
            for (int folder : above)
                deleting[size_t(folder)] = false;
        if (row.path.endsWith(u'/')) {
            above.push_back(i);
            if (chosen[size_t(i)] && deleted)
                ++chosenAbove;
        }
    }
    return deleting;
}

int EndBeneath(const RowList& rows, int folderRow) {
    int end = folderRow + 1;
    while (end < int(rows.size()) && rows[end].path.startsWith(rows[folderRow].path))
        ++end;
    return end;
}
