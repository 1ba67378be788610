#include "scan/PathOrder.h"

#include "support/QtPrint.h"

#include <gtest/gtest.h>

namespace {

QStringList sorted(const QStringList& paths) {
    ResultRows list;
    for (const QString& p : paths)
        list.rows.push_back({p, 0, 0, u'>', 0, 0, 0});
    SortRows(list);
    QStringList out;
    for (const ResultRow& r : list.rows)
        out << r.path;
    return out;
}

} // namespace

TEST(PathOrder, FileWithExtensionComesBeforeDirectoryOfItsStem) {
    EXPECT_EQ(sorted({"x/", "x/a", "x.txt"}), QStringList({"x.txt", "x/", "x/a"}));
}

TEST(PathOrder, DirectoryComesRightBeforeItsContents) {
    EXPECT_EQ(sorted({"b/z", "a/", "b/", "a/c/d", "a/c/", "a/b"}),
              QStringList({"a/", "a/b", "a/c/", "a/c/d", "b/", "b/z"}));
}

TEST(PathOrder, PrefixComesFirst) {
    EXPECT_LT(ComparePaths("abc", "abcd"), 0);
    EXPECT_GT(ComparePaths("abcd", "abc"), 0);
    EXPECT_EQ(ComparePaths("", ""), 0);
    EXPECT_LT(ComparePaths("", "a"), 0);
}

TEST(PathOrder, FoldsOnlyAToZ) {
    EXPECT_EQ(ComparePaths("ABC", "abc"), 0);
    // Umlauts compare by code unit: "Ä" (0xC4) and "ä" (0xE4) differ, and both follow "z".
    EXPECT_LT(ComparePaths(QStringLiteral("Ä"), QStringLiteral("ä")), 0);
    EXPECT_LT(ComparePaths("z", QStringLiteral("Ä")), 0);
    // "_" (0x5F) lies between "Z" and "a": folding puts it before every letter.
    EXPECT_LT(ComparePaths("_", "Z"), 0);
    EXPECT_LT(ComparePaths("_", "a"), 0);
}

TEST(PathOrder, SortIsStableForEqualKeys) {
    ResultRows list;
    list.rows.push_back({"B", 0, 0, u'<', 0, 0, 1});
    list.rows.push_back({"a", 0, 0, u'>', 0, 0, 0});
    list.rows.push_back({"b", 0, 0, u'>', 0, 0, 0});
    SortRows(list);
    ASSERT_EQ(list.rows.size(), 3u);
    EXPECT_EQ(list.rows[0].path, "a");
    EXPECT_EQ(list.rows[1].path, "B");
    EXPECT_EQ(list.rows[2].path, "b");
}
