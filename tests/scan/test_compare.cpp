#include "scan/Compare.h"
#include "scan/SideWalk.h"

#include "support/QtPrint.h"
#include "support/TreeBuilder.h"

#include <gtest/gtest.h>

namespace {

// An entry of one side's test tree: a folder when the path ends with "/", else a file of `size`
// bytes (sparse above 1 MiB), with its time.
struct SideItem {
    int side;
    TreeEntry entry;
};
SideItem side1(const QString& path, int64_t size, int32_t date) {
    return {0, path.endsWith(u'/') ? Dir(path, date) : SizedFile(path, size, date)};
}
SideItem side2(const QString& path, int64_t size, int32_t date) {
    return {1, path.endsWith(u'/') ? Dir(path, date) : SizedFile(path, size, date)};
}

// Both sides built on disk and walked as a scan does (in UTC, so dates are the files' times).
ResultRows matched(const std::vector<SideItem>& items, const MatchOptions& options = {},
                   const Settings& settings = {}) {
    TestTree trees[2];
    for (const SideItem& item : items)
        EXPECT_TRUE(trees[item.side].add({item.entry}));
    std::atomic<bool> cancel{false};
    SideTree walked[2];
    for (int side = 0; side < 2; ++side) {
        WalkProgress progress(cancel);
        walked[side] = WalkSide(WalkRequest{trees[side].path(), {}, {}, 0}, progress);
    }
    return MatchRows(walked[0], walked[1], settings, options);
}

// One line per row: path, size1, date1, action, date2, size2.
QStringList describe(const ResultRows& list) {
    QStringList out;
    for (const ResultRow& r : list.rows)
        out << QStringLiteral("%1 %2 %3 %4 %5 %6")
                   .arg(r.path)
                   .arg(r.size1)
                   .arg(r.date1)
                   .arg(QString(r.action))
                   .arg(r.date2)
                   .arg(r.size2);
    return out;
}

QStringList match(const std::vector<SideItem>& items, const MatchOptions& options = {},
                  const Settings& settings = {}) {
    return describe(matched(items, options, settings));
}

constexpr int32_t T0 = 1500000000;

} // namespace

TEST(CompareTimes, ToleranceOfThreeSeconds) {
    const Settings s;
    EXPECT_EQ(CompareTimes(T0 + 3, T0, s), 0);
    EXPECT_EQ(CompareTimes(T0, T0 + 3, s), 0);
    EXPECT_EQ(CompareTimes(T0, T0, s), 0);
    EXPECT_EQ(CompareTimes(T0 + 4, T0, s), 1);
    EXPECT_EQ(CompareTimes(T0, T0 + 4, s), -1);
}

TEST(CompareTimes, OneHourSummerTimeBand) {
    const Settings s;
    EXPECT_EQ(CompareTimes(T0 + 3596, T0, s), 1);
    EXPECT_EQ(CompareTimes(T0 + 3597, T0, s), 0);
    EXPECT_EQ(CompareTimes(T0 + 3600, T0, s), 0);
    EXPECT_EQ(CompareTimes(T0, T0 + 3600, s), 0);
    EXPECT_EQ(CompareTimes(T0 + 3603, T0, s), 0);
    EXPECT_EQ(CompareTimes(T0 + 3604, T0, s), 1);
    EXPECT_EQ(CompareTimes(T0, T0 + 3604, s), -1);
}

TEST(CompareTimes, TwoHourBandFrom7197To7203) {
    const Settings s;
    EXPECT_EQ(CompareTimes(T0 + 7196, T0, s), 1);
    for (int d = 7197; d <= 7203; ++d)
        EXPECT_EQ(CompareTimes(T0 + d, T0, s), 0) << d;
    EXPECT_EQ(CompareTimes(T0 + 7204, T0, s), 1);
    EXPECT_EQ(CompareTimes(T0, T0 + 7204, s), -1);
}

TEST(CompareTimes, SecondSummerDiffZeroLeavesTwoBands) {
    Settings s;
    s.TimeSummerDiff2 = 0;
    EXPECT_EQ(CompareTimes(T0 + 7200, T0, s), 1);
    EXPECT_EQ(CompareTimes(T0 + 3600, T0, s), 0);
    EXPECT_EQ(CompareTimes(T0 + 2, T0, s), 0);
    EXPECT_EQ(CompareTimes(T0 + 4, T0, s), 1);
}

TEST(CompareTimes, ExtremeValuesDoNotOverflow) {
    const Settings s;
    EXPECT_EQ(CompareTimes(std::numeric_limits<int32_t>::max(), -1, s), 1);
    EXPECT_EQ(CompareTimes(-1, std::numeric_limits<int32_t>::max(), s), -1);
    EXPECT_EQ(CompareTimes(-1, -1, s), 0);
}

TEST(MatchRows, OneSidedFilesAndDirectoriesStayWithTheirAction) {
    EXPECT_EQ(
        match({side1("a.txt", 5, T0), side1("d/", -2, T0), side2("b.txt", 7, T0 + 9), side2("e/", -2, T0)}),
        QStringList({"a.txt 5 1500000000 > 0 0", "b.txt 0 0 < 1500000009 7", "d/ -2 1500000000 > 0 0",
                     "e/ 0 0 < 1500000000 -2"}));
}

TEST(MatchRows, DirectoriesOnBothSidesVanishWhateverTheirDates) {
    EXPECT_EQ(match({side1("d/", -2, T0), side1("d/x", 1, T0), side2("d/", -2, T0 + 99999),
                     side2("d/x", 2, T0 + 100)}),
              QStringList({"d/x 1 1500000000 < 1500000100 2"}));
}

TEST(MatchRows, EqualTimesVanishWhateverTheSizes) {
    EXPECT_EQ(match({side1("f", 10, T0), side2("f", 20, T0 + 2)}), QStringList());
}

TEST(MatchRows, NewerSideKeepsItsRowWithAllFourFields) {
    EXPECT_EQ(match({side1("f", 10, T0 + 100), side2("f", 20, T0)}),
              QStringList({"f 10 1500000100 > 1500000000 20"}));
    EXPECT_EQ(match({side1("f", 10, T0), side2("f", 20, T0 + 100)}),
              QStringList({"f 10 1500000000 < 1500000100 20"}));
}

TEST(MatchRows, IgnoreDateDropsEqualSizesOnly) {
    MatchOptions ignore;
    ignore.IgnoreDateFlag = true;
    EXPECT_EQ(match({side1("f", 10, T0), side2("f", 10, T0 + 100000)}, ignore), QStringList());
    EXPECT_EQ(match({side1("f", 10, T0), side2("f", 11, T0 + 100000)}, ignore),
              QStringList({"f 10 1500000000 < 1500100000 11"}));
    EXPECT_EQ(match({side1("f", 10, T0), side2("f", 11, T0 + 1)}, ignore), QStringList());
}

TEST(MatchRows, SizesAbove2GiBCompareAtFullWidth) {
    MatchOptions ignore;
    ignore.IgnoreDateFlag = true;
    const int64_t big = (int64_t(1) << 32) + 10;
    EXPECT_EQ(match({side1("f", big, T0), side2("f", 10, T0 + 100)}, ignore),
              QStringList({"f 4294967306 1500000000 < 1500000100 10"}));
}

TEST(MatchRows, PairsPathsIgnoringCaseAndKeepsTheNewerSpelling) {
    EXPECT_EQ(match({side1("Foto.JPG", 100, T0), side2("foto.jpg", 100, T0 + 50)}),
              QStringList({"foto.jpg 100 1500000000 < 1500000050 100"}));
    EXPECT_EQ(match({side1("Foto.JPG", 100, T0 + 50), side2("foto.jpg", 100, T0)}),
              QStringList({"Foto.JPG 100 1500000050 > 1500000000 100"}));
}

TEST(MatchRows, PairsNonAsciiLettersIgnoringCase) {
    EXPECT_EQ(match({side1(QStringLiteral("Ärger.txt"), 1, T0), side2(QStringLiteral("ärger.txt"), 1, T0)}),
              QStringList());
}

TEST(MatchRows, FileAndDirectoryOfTheSameNameNeverPair) {
    EXPECT_EQ(match({side1("a", 3, T0), side2("a/", -2, T0)}),
              QStringList({"a 3 1500000000 > 0 0", "a/ 0 0 < 1500000000 -2"}));
}

TEST(MatchRows, DirectoryOnlyOnSide2WithThreeFilesGivesFourRows) {
    EXPECT_EQ(match({side2("n/a", 1, T0), side2("n/b", 1, T0), side2("n/c", 1, T0), side2("n/", -2, T0)}),
              QStringList({"n/ 0 0 < 1500000000 -2", "n/a 0 0 < 1500000000 1", "n/b 0 0 < 1500000000 1",
                           "n/c 0 0 < 1500000000 1"}));
}

TEST(MatchRows, DirectionWordsKeepOneDirection) {
    const std::vector<SideItem> rows = {side1("a", 1, T0), side2("b", 1, T0)};
    MatchOptions toTarget;
    toTarget.OnlyToTargetFlag = true;
    EXPECT_EQ(match(rows, toTarget), QStringList({"a 1 1500000000 > 0 0"}));
    MatchOptions toSource;
    toSource.OnlyToSourceFlag = true;
    EXPECT_EQ(match(rows, toSource), QStringList({"b 0 0 < 1500000000 1"}));
    MatchOptions both;
    both.OnlyToSourceFlag = true;
    both.OnlyToTargetFlag = true;
    EXPECT_EQ(match(rows, both), QStringList({"b 0 0 < 1500000000 1"}));
}

// Two names of one side that differ only in letter case are two files: each keeps its own row,
// and the exact spelling pairs first, so the newer "a" of side 1 is never compared with "A".
TEST(MatchRows, CaseTwinsOfOneSideNeverPairWithEachOther) {
    EXPECT_EQ(match({side1("a", 1, T0 + 100), side1("A", 1, T0), side2("a", 1, T0 + 50)}),
              QStringList({"A 1 1500000000 > 0 0", "a 1 1500000100 > 1500000050 1"}));
    EXPECT_EQ(match({side1("c", 1, T0), side1("A", 1, T0 + 100), side1("a", 1, T0 + 100), side2("a", 1, T0)}),
              QStringList({"A 1 1500000100 > 0 0", "a 1 1500000100 > 1500000000 1", "c 1 1500000000 > 0 0"}));
    EXPECT_EQ(match({side1("Makefile", 1, T0), side1("xt_DSCP.c", 1, T0), side1("xt_dscp.c", 1, T0),
                     side2("makefile", 1, T0 + 100)}),
              QStringList({"makefile 1 1500000000 < 1500000100 1", "xt_DSCP.c 1 1500000000 > 0 0",
                           "xt_dscp.c 1 1500000000 > 0 0"}));
    // Several variants without an exact partner: none is merged with another.
    EXPECT_EQ(match({side1("Foo", 1, T0), side1("FOO", 1, T0), side2("foo", 1, T0)}),
              QStringList({"FOO 1 1500000000 > 0 0", "Foo 1 1500000000 > 0 0", "foo 0 0 < 1500000000 1"}));
}

// A row knows each side's own spelling, folders included, so an operation acts on the entries
// that are there; a one-sided entry goes into the other side's folder as spelled there.
TEST(MatchRows, RowsCarryEachSidesSpelling) {
    const ResultRows rows = matched({side1("Cased/x", 1, T0), side1("Cased/Readme.TXT", 1, T0 + 100),
                                     side2("cased/readme.txt", 1, T0), side2("cased/only2", 1, T0)});
    ASSERT_EQ(rows.rows.size(), 3u);
    QStringList spellings;
    for (const ResultRow& r : rows.rows)
        spellings << PathOnSide(r, 0) + " | " + PathOnSide(r, 1);
    EXPECT_EQ(spellings, QStringList({"Cased/only2 | cased/only2", "Cased/Readme.TXT | cased/readme.txt",
                                      "Cased/x | cased/x"}));
    EXPECT_EQ(rows.current, 2);
}
