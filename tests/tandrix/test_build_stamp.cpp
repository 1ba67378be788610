#include "tandrix/BuildStamp.h"
#include "tandrix/InfoText.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

TEST(BuildStamp, ReadsTheCompilersLocalDateAndTime) {
    struct Case {
        const char* date;
        const char* time;
        std::int64_t stamp;
    };
    const Case cases[] = {
        {"Nov 26 2017", "22:39:23", 1511735963},
        {"Jan  2 2009", "03:04:59", 1230865499},
        {"Feb 29 2024", "00:00:00", 1709164800},
        {"Dec 31 2037", "23:59:59", 2145916799},
        {"Nov 26 2017", "22:39", -1},
        {"Noc 26 2017", "22:39:23", -1},
        {"Nov 26 17", "22:39:23", -1},
        {"Nov 26 2017", "24:00:00", -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StampOfCompilerDate(c.date, c.time), c.stamp) << c.date << " " << c.time;
}

// The program file carries the local time of its own link, read back the way the information
// window shows it: not the time the build was configured, nor the UTC time.
TEST(BuildStamp, TheProgramFileCarriesTheLocalTimeItWasLinked) {
    QFile program(qEnvironmentVariable("TANDRIX_PROGRAM"));
    ASSERT_TRUE(program.open(QIODevice::ReadOnly)) << program.fileName().toStdString();
    const QByteArray bytes = program.readAll();
    const QByteArray prefix = "Tandrix build stamp: ";
    const qsizetype at = bytes.indexOf(prefix);
    ASSERT_GE(at, 0);
    const QByteArray date = bytes.mid(at + prefix.size(), 11);
    const QByteArray time = bytes.mid(at + prefix.size() + 12, 8);
    const std::int64_t stamp = StampOfCompilerDate(date.constData(), time.constData());
    ASSERT_GT(stamp, 0) << bytes.mid(at, 40).toStdString();

    const QDateTime linked = QFileInfo(program).lastModified();
    const std::int64_t linkedLocal = linked.toSecsSinceEpoch() + linked.offsetFromUtc();
    EXPECT_GE(linkedLocal, stamp);
    EXPECT_LE(linkedLocal - stamp, 300) << FormatBuildStamp(stamp).toStdString() << " for a file of "
                                        << FormatBuildStamp(linkedLocal).toStdString();
}
