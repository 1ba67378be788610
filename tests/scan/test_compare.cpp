#include "scan/Compare.h"

#include "support/QtPrint.h"

#include <gtest/gtest.h>

namespace {

ResultRow side1(const QString& path, int64_t size, int32_t date) {
    return {path, size, date, u'>', 0, 0, 0};
}
ResultRow side2(const QString& path, int64_t size, int32_t date) {
    return {path, 0, 0, u'<', size, date, 1};
}

ResultRows listOf(std::vector<ResultRow> rows) {
    ResultRows list;
    list.rows = std::move(rows);
    list.current = int(list.rows.size()) - 1;
    return list;
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

QStringList match(std::vector<ResultRow> rows, MatchOptions options = {}, Settings settings = {}) {
    ResultRows list = listOf(std::move(rows));
    MatchRows(list, settings, options);
    return describe(list);
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
    const std::vector<ResultRow> rows = {side1("a", 1, T0), side2("b", 1, T0)};
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

TEST(MatchRows, ThirdRowOfAPathMeetsTheSurvivorOfThePairBeforeIt) {
    // Two spellings on a case-sensitive side 1, one on side 2: "a" survives against "A" and takes
    // its size and date as the fields of side 1, then meets the side-2 row, which is newer.
    EXPECT_EQ(match({side1("a", 1, T0 + 100), side1("A", 1, T0), side2("a", 1, T0 + 50)}),
              QStringList({"a 1 1500000000 < 1500000050 1"}));
}

TEST(MatchRows, RowAfterADroppedPairIsNotComparedWithIt) {
    EXPECT_EQ(match({side1("c", 1, T0), side1("A", 1, T0 + 100), side1("a", 1, T0 + 100), side2("a", 1, T0)}),
              QStringList({"a 0 0 < 1500000000 1", "c 1 1500000000 > 0 0"}));
}

TEST(MatchRows, LastRowBecomesCurrent) {
    ResultRows list = listOf({side1("a", 1, T0), side2("b", 1, T0)});
    list.current = 0;
    MatchRows(list, Settings(), MatchOptions());
    EXPECT_EQ(list.current, 1);
    ResultRows empty;
    MatchRows(empty, Settings(), MatchOptions());
    EXPECT_EQ(empty.current, -1);
}
