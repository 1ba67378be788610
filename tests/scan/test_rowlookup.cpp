#include "scan/RowLookup.h"

#include "support/QtPrint.h"

#include <gtest/gtest.h>

namespace {

ResultRows listOf(const QStringList& paths) {
    ResultRows list;
    for (const QString& p : paths)
        list.rows.push_back({p, 1, 1, u'>', 0, 0, 0, {}, false});
    list.current = 0;
    return list;
}

QStringList pathsOf(const ResultRows& list) {
    QStringList out;
    for (const ResultRow& r : list.rows)
        out << r.path;
    return out;
}

} // namespace

// Names that differ only in letter case are different entries: a line must find its own row.
TEST(FindRowByPath, FindsTheExactSpellingOnlyAndMakesItCurrent) {
    ResultRows list = listOf({"a", "B/c", "b/C", "d"});
    EXPECT_EQ(FindRowByPath(list, "b/C"), 2);
    EXPECT_EQ(list.current, 2);
    EXPECT_EQ(FindRowByPath(list, "d"), 3);
    EXPECT_EQ(list.current, 3);
    EXPECT_EQ(FindRowByPath(list, "b/c"), -1);
    EXPECT_EQ(FindRowByPath(list, "D"), -1);
}

TEST(FindRowByPath, NotFoundLeavesTheLastRowCurrent) {
    ResultRows list = listOf({"a", "b"});
    EXPECT_EQ(FindRowByPath(list, "zz"), -1);
    EXPECT_EQ(list.current, 1);
    ResultRows empty;
    EXPECT_EQ(FindRowByPath(empty, "a"), -1);
    EXPECT_EQ(empty.current, -1);
}

// The delete operation's loop: for each selected line, find its row, delete the row when the
// work on it succeeded. RowLookup must give what repeated FindRowByPath and deleting give.
TEST(RowLookup, GivesTheResultOfRepeatedFindAndDelete) {
    const QStringList paths = {"a", "A", "b/", "b/x", "B/X", "c", "d", "a"};
    const QStringList lines = {"A", "a", "b/x", "missing", "B/x", "d", "a", "c"};
    const std::vector<bool> succeeds = {true, false, true, true, true, false, true, true};

    ResultRows slow = listOf(paths);
    std::vector<QString> slowFound;
    for (size_t i = 0; i < size_t(lines.size()); ++i) {
        const int at = FindRowByPath(slow, lines[qsizetype(i)]);
        slowFound.push_back(
            at >= 0 ? slow.rows[size_t(at)].path + QString::number(slow.rows[size_t(at)].date1) : "-");
        if (at >= 0 && succeeds[i])
            slow.rows.erase(slow.rows.begin() + at);
    }

    ResultRows fast = listOf(paths);
    for (qsizetype i = 0; i < fast.rows.size(); ++i)
        fast.rows[i].date1 = 1; // same payload as the slow list, compared through the path
    RowLookup lookup(fast);
    std::vector<QString> fastFound;
    for (size_t i = 0; i < size_t(lines.size()); ++i) {
        const int at = lookup.find(lines[qsizetype(i)]);
        fastFound.push_back(
            at >= 0 ? fast.rows[size_t(at)].path + QString::number(fast.rows[size_t(at)].date1) : "-");
        if (at >= 0 && succeeds[i])
            lookup.remove(at);
    }
    lookup.compact(fast);

    EXPECT_EQ(fastFound, slowFound);
    EXPECT_EQ(pathsOf(fast), pathsOf(slow));
    EXPECT_EQ(fast.current, int(fast.rows.size()) - 1);
}

TEST(RowLookup, RemovedRowsArePassedOverAndCounted) {
    ResultRows list = listOf({"x", "X", "y"});
    RowLookup lookup(list);
    EXPECT_EQ(lookup.find("x"), 0);
    lookup.remove(0);
    lookup.remove(0);
    EXPECT_TRUE(lookup.removed(0));
    EXPECT_EQ(lookup.removedCount(), 1);
    EXPECT_EQ(lookup.find("X"), 1);
    lookup.remove(1);
    EXPECT_EQ(lookup.find("x"), -1);
    EXPECT_EQ(lookup.find("Y"), -1);
    EXPECT_EQ(lookup.find("y"), 2);
    lookup.compact(list);
    EXPECT_EQ(pathsOf(list), QStringList({"y"}));
}

TEST(RowLookup, NeverMatchesACaseVariant) {
    ResultRows list = listOf({QStringLiteral("Übung/"), QStringLiteral("übung/Ärger")});
    RowLookup lookup(list);
    EXPECT_EQ(lookup.find(QStringLiteral("Übung/")), 0);
    EXPECT_EQ(lookup.find(QStringLiteral("übung/")), -1);
    EXPECT_EQ(lookup.find(QStringLiteral("übung/Ärger")), 1);
    EXPECT_EQ(lookup.find(QStringLiteral("ÜBUNG/ärger")), -1);
}
