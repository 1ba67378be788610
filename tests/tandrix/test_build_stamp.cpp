#include "tandrix/BuildStamp.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

TEST(BuildStamp, ReadsTheCompilersLocalDateAndTime) {
    EXPECT_EQ(StampOfCompilerDate("Nov 26 2017", "22:39:23"), 1511735963);
    EXPECT_EQ(StampOfCompilerDate("Feb  1 2024", "00:00:00"), 1706745600);
    EXPECT_EQ(StampOfCompilerDate("Noc 26 2017", "22:39:23"), -1);
    EXPECT_EQ(StampOfCompilerDate("Nov 26 2017", "24:00"), -1);
}

// Not the time the build was configured, nor UTC: the local time the program file was linked.
TEST(BuildStamp, TheProgramFileCarriesTheLocalTimeItWasLinked) {
    QFile program(qEnvironmentVariable("TANDRIX_PROGRAM"));
    ASSERT_TRUE(program.open(QIODevice::ReadOnly));
    const QByteArray bytes = program.readAll();
    const qsizetype at = bytes.indexOf("Tandrix build stamp: ") + 21;
    ASSERT_GE(at, 21);
    const std::int64_t stamp =
        StampOfCompilerDate(bytes.mid(at, 11).constData(), bytes.mid(at + 12, 8).constData());
    const QDateTime linked = QFileInfo(program).lastModified();
    const std::int64_t linkedLocal = linked.toSecsSinceEpoch() + linked.offsetFromUtc();
    EXPECT_GE(linkedLocal, stamp);
    EXPECT_LE(linkedLocal - stamp, 300) << bytes.mid(at, 20).toStdString();
}
