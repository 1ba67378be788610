#pragma once

#include "platform/Threads.h"
#include "scan/ResultRow.h"

#include <QString>
#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

// The order of the row list: only the letters A to Z are folded to lower case, every other
// character compares by its UTF-16 code unit, and a path sorts before its extensions. So "x.txt"
// comes before "x/", and a directory "x/" right before its contents.
int ComparePaths(const QString& a, const QString& b);
bool PathLess(const QString& a, const QString& b);

// Stable sort of the rows by path: rows of equal paths keep their recording order.
void SortRows(ResultRows& rows);

// Below this many elements one thread sorts alone: starting a second one would cost more than it
// saves.
inline constexpr size_t ParallelSortSize = 20000;

// Stable sort that sorts a long list as two halves at once, then merges them. A stable merge
// takes the first half's element of two equal ones first, so the result is that of one stable
// sort of the whole.
template <typename List, typename Less> void StableSortInHalves(List& v, Less less) {
    // The iterators are taken here, before the second thread starts: a shared list copies itself
    // on its first change, which must not happen in two threads.
    const auto begin = v.begin();
    const auto end = v.end();
    const size_t size = size_t(end - begin);
    if (size >= ParallelSortSize) {
        const auto middle = begin + std::ptrdiff_t(size / 2);
        try {
            std::thread first([&] {
                PrepareWorkerThread();
                std::stable_sort(begin, middle, less);
            });
            std::stable_sort(middle, end, less);
            first.join();
            std::inplace_merge(begin, middle, end, less);
            return;
        } catch (const std::system_error&) {
            // No thread to be had: sort in this one.
        }
    }
    std::stable_sort(begin, end, less);
}
