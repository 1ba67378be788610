#include "scan/ResultCells.h"

#include "support/QtPrint.h"

#include <QDateTime>
#include <QTimeZone>
#include <gtest/gtest.h>

TEST(DateText, FormatsDayMonthYearAndTime) {
    // 26.11.2017 14:05:09 as seconds of a clock counted from 1970-01-01 00:00:00.
    const int64_t secs = QDateTime(QDate(2017, 11, 26), QTime(14, 5, 9), QTimeZone::utc()).toSecsSinceEpoch();
    EXPECT_EQ(DateText(int32_t(secs)), "26.11.2017 14:05:09");
    EXPECT_EQ(DateText(0), "");
    EXPECT_EQ(DateText(1), "01.01.1970 00:00:01");
    EXPECT_EQ(DateText(std::numeric_limits<int32_t>::max()), "19.01.2038 03:14:07");
    EXPECT_EQ(DateText(-1), "31.12.1969 23:59:59");
}

TEST(DateText, AgreesWithTheCalendarAcrossLeapYears) {
    for (int64_t secs = 1; secs < std::numeric_limits<int32_t>::max() - 86400 * 7; secs += 86400 * 7 + 3671) {
        const QString expected =
            QDateTime::fromSecsSinceEpoch(secs, QTimeZone::utc()).toString("dd.MM.yyyy HH:mm:ss");
        ASSERT_EQ(DateText(int32_t(secs)), expected) << secs;
    }
}

TEST(CellText, SevenColumnsOfAOneSidedDirectoryAndFile) {
    const ResultRow dir{"Briefe/", -2, 1500000000, u'>', 0, 0, 0, {}, false};
    EXPECT_EQ(CellText(dir, ColumnFile), "");
    EXPECT_EQ(CellText(dir, ColumnPath), "Briefe/");
    EXPECT_EQ(CellText(dir, ColumnSize1), "<DIR>");
    EXPECT_EQ(CellText(dir, ColumnDate1), "14.07.2017 02:40:00");
    EXPECT_EQ(CellText(dir, ColumnAction), ">");
    EXPECT_EQ(CellText(dir, ColumnDate2), "");
    EXPECT_EQ(CellText(dir, ColumnSize2), "0");

    const ResultRow file{"a/b/Brief.txt", 0, 0, u'<', 5000000000, 1500000000, 1, {}, false};
    EXPECT_EQ(CellText(file, ColumnFile), "Brief.txt");
    EXPECT_EQ(CellText(file, ColumnSize1), "0");
    EXPECT_EQ(CellText(file, ColumnDate1), "");
    EXPECT_EQ(CellText(file, ColumnAction), "<");
    EXPECT_EQ(CellText(file, ColumnSize2), "5000000000");
    EXPECT_EQ(CellText(file, 7), "");
}

TEST(CellText, FolderPartKeepsTheLastSeparator) {
    EXPECT_EQ(FolderPartOf("a/b/c.txt"), "a/b/");
    EXPECT_EQ(FolderPartOf("a/b/"), "a/b/");
    EXPECT_EQ(FolderPartOf("c.txt"), "");
    // A backslash is part of a name on this system.
    EXPECT_EQ(FileNameOf("x\\y.txt"), "x\\y.txt");
    EXPECT_EQ(FileNameOf("d/x\\y.txt"), "x\\y.txt");
    EXPECT_EQ(FolderPartOf("d/x\\y.txt"), "d/");
}
