#include "scan/PathOrder.h"

#include "support/QtPrint.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

QStringList sorted(const QStringList& paths) {
    ResultRows list;
    for (const QString& p : paths)
        list.rows.push_back({p, 0, 0, u'>', 0, 0, 0, {}, false});
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
    list.rows.push_back({"B", 0, 0, u'<', 0, 0, 1, {}, false});
    list.rows.push_back({"a", 0, 0, u'>', 0, 0, 0, {}, false});
    list.rows.push_back({"b", 0, 0, u'>', 0, 0, 0, {}, false});
    SortRows(list);
    ASSERT_EQ(list.rows.size(), 3u);
    EXPECT_EQ(list.rows[0].path, "a");
    EXPECT_EQ(list.rows[1].path, "B");
    EXPECT_EQ(list.rows[2].path, "b");
}

namespace {

// The order written out the slow way, one folded character after the other.
bool referenceLess(const QString& a, const QString& b) {
    const auto fold = [](QChar c) {
        return (c >= u'A' && c <= u'Z') ? char16_t(c.unicode() + 32) : c.unicode();
    };
    for (qsizetype i = 0; i < std::min(a.size(), b.size()); ++i)
        if (fold(a[i]) != fold(b[i]))
            return fold(a[i]) < fold(b[i]);
    return a.size() < b.size();
}

} // namespace

TEST(PathOrder, LongListsSortLikeOneStableSort) {
    // Enough rows for the sort to work in two halves, with long shared prefixes, case variants of
    // the same path on both sides of the middle, umlauts and differences at every position.
    const QStringList stems = {"Ordner_0001/Unterordner/Datei",
                               "ordner_0001/unterordner/datei",
                               QStringLiteral("Ordner_0001/Ünterordner/Datei"),
                               "Ordner_0001/Unterordner/",
                               "ORDNER_0001/UNTERORDNER/DATEI.TXT",
                               "Ordner_0001/Unterordner_"};
    ResultRows list;
    uint32_t seed = 12345;
    for (int i = 0; i < 60000; ++i) {
        seed = seed * 1103515245u + 12345u;
        QString path = stems[int((seed >> 8) % uint32_t(stems.size()))];
        path += QString::number((seed >> 4) % 50);
        if (seed & 1)
            path += u'/';
        list.rows.push_back({path, i, 0, u'>', 0, 0, uint8_t(i % 2), {}, false});
    }
    std::vector<ResultRow> expected(list.rows.begin(), list.rows.end());
    std::stable_sort(expected.begin(), expected.end(),
                     [](const ResultRow& a, const ResultRow& b) { return referenceLess(a.path, b.path); });
    SortRows(list);
    ASSERT_EQ(list.rows.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        // The recording number in size1 tells rows of equal paths apart.
        ASSERT_EQ(list.rows[i].path, expected[i].path) << "at " << i;
        ASSERT_EQ(list.rows[i].size1, expected[i].size1) << "at " << i;
    }
}

TEST(PathOrder, CaseDifferencesAfterEqualBlocksStillCount) {
    // The fast comparison passes equal code units in blocks of four; a case difference inside a
    // block, then a real difference later, must still decide by the later one.
    EXPECT_EQ(ComparePaths("abcdEFGHijkl", "ABCDefghIJKL"), 0);
    EXPECT_LT(ComparePaths("abcdEFGHijka", "ABCDefghIJKb"), 0);
    EXPECT_GT(ComparePaths("abcdEFGHijkb", "ABCDefghIJKA"), 0);
    EXPECT_LT(ComparePaths("abcdefghijk.", "abcdefghijk/"), 0);
    EXPECT_LT(ComparePaths("abcdefgh", "abcdefghi"), 0);
}
