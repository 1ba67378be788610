#include "scan/RowLookup.h"

int FindRowByPath(ResultRows& list, const QString& path) {
    const RowList& rows = list.rows;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (rows[i].path == path) {
            list.current = int(i);
            return int(i);
        }
    }
    list.current = int(list.rows.size()) - 1;
    return -1;
}

RowLookup::RowLookup(const ResultRows& list) : gone(size_t(list.rows.size()), false) {
    chains.reserve(list.rows.size());
    for (qsizetype i = 0; i < list.rows.size(); ++i)
        chains[list.rows[i].path].indices.push_back(int(i));
}

int RowLookup::find(const QString& path) {
    auto it = chains.find(path);
    if (it == chains.end())
        return -1;
    Chain& chain = it.value();
    while (chain.next < chain.indices.size() && gone[size_t(chain.indices[chain.next])])
        ++chain.next;
    return chain.next < chain.indices.size() ? chain.indices[chain.next] : -1;
}

void RowLookup::remove(int index) {
    if (index < 0 || size_t(index) >= gone.size() || gone[size_t(index)])
        return;
    gone[size_t(index)] = true;
    ++removedRows;
}

void RowLookup::compact(ResultRows& list) const {
    qsizetype kept = 0;
    for (qsizetype i = 0; i < list.rows.size(); ++i) {
        if (size_t(i) < gone.size() && gone[size_t(i)])
            continue;
        if (kept != i)
            list.rows[kept] = std::move(list.rows[i]);
        ++kept;
    }
    list.rows.resize(kept);
    list.current = int(kept) - 1;
}
