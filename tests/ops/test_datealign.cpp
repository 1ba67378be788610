#include "OpsWindowFixture.h"

#include <QDateTime>

namespace {

int64_t localTime(int y, int mo, int d, int h, int mi) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, 0)).toSecsSinceEpoch();
}

class DateAlign : public OpsWindow {
protected:
    const int64_t early = localTime(2017, 11, 20, 8, 0);
    const int64_t late = localTime(2017, 11, 26, 10, 0);
};

} // namespace

TEST_F(DateAlign, TargetGetsTheSourceDate) {
    ASSERT_TRUE(source.add({File("a.txt", "one", late)}));
    ASSERT_TRUE(target.add({File("a.txt", "two", early)}));
    openApp();
    scan();
    ASSERT_EQ(paths(), QStringList({"a.txt"}));
    selectAll();
    runWith("Ziel >>> Quelle", "Ausführen!");
    EXPECT_TRUE(asked());
    EXPECT_EQ(ReadModTime(target.path("a.txt"))->seconds, late);
    EXPECT_EQ(ReadModTime(source.path("a.txt"))->seconds, late);
    EXPECT_EQ(contentsOf(source.path("a.txt")), "one");
    EXPECT_EQ(contentsOf(target.path("a.txt")), "two");
    EXPECT_EQ(lines(), 0);
    EXPECT_FALSE(messageShown());
    EXPECT_FALSE(form().checkBoxPack->isEnabled());
    EXPECT_TRUE(form().buttonScan->isEnabled());
}

TEST_F(DateAlign, SourceGetsTheTargetDate) {
    ASSERT_TRUE(source.add({File("a.txt", "one", late)}));
    ASSERT_TRUE(target.add({File("a.txt", "two", early)}));
    openApp();
    scan();
    selectAll();
    runWith("Ziel <<< Quelle", "Ausführen!");
    EXPECT_EQ(ReadModTime(source.path("a.txt"))->seconds, early);
    EXPECT_EQ(ReadModTime(target.path("a.txt"))->seconds, early);
    EXPECT_EQ(lines(), 0);
}

TEST_F(DateAlign, FractionOfASecondIsDropped) {
    TreeEntry s = File("a.txt", "one", late);
    s.mtimeNsec = 700000000;
    TreeEntry t = File("a.txt", "two", early);
    t.mtimeNsec = 300000000;
    ASSERT_TRUE(source.add({s}));
    ASSERT_TRUE(target.add({t}));
    openApp();
    scan();
    selectAll();
    runWith("Ziel >>> Quelle", "Ausführen!");
    EXPECT_EQ(ReadModTime(target.path("a.txt"))->seconds, late);
    EXPECT_EQ(ReadModTime(target.path("a.txt"))->nanoseconds, 0);
}

TEST_F(DateAlign, MissingFileLeavesTheOtherDateAlone) {
    ASSERT_TRUE(target.add({File("only2.txt", "two", early)}));
    openApp();
    scan();
    selectAll();
    runWith("Ziel >>> Quelle", "Ausführen!");
    EXPECT_EQ(ReadModTime(target.path("only2.txt"))->seconds, early);
    EXPECT_EQ(paths(), QStringList({"only2.txt"}));
}

TEST_F(DateAlign, CancelChangesNothingAndDoesNotRescan) {
    ASSERT_TRUE(source.add({File("a.txt", "one", late)}));
    ASSERT_TRUE(target.add({File("a.txt", "two", early)}));
    openApp();
    scan();
    selectAll();
    ASSERT_TRUE(source.add({File("new.txt", "n", early)}));
    runWith("Ziel >>> Quelle", "Abbrechen");
    EXPECT_TRUE(asked());
    EXPECT_EQ(ReadModTime(target.path("a.txt"))->seconds, early);
    EXPECT_EQ(paths(), QStringList({"a.txt"}));
    EXPECT_FALSE(messageShown());
}

TEST_F(DateAlign, NoDirectionGivesTheMessage) {
    ASSERT_TRUE(source.add({File("a.txt", "one", late)}));
    ASSERT_TRUE(target.add({File("a.txt", "two", early)}));
    openApp();
    scan();
    selectAll();
    runWith(QString(), "Ausführen!");
    EXPECT_TRUE(messageShown());
    EXPECT_EQ(stray->text(), "Keine Richtung gewählt! Mache nichts...");
    EXPECT_EQ(ReadModTime(target.path("a.txt"))->seconds, early);
}

// A date the flush did not take to the device is not changed: the row stays with the reason, and
// no new scan takes the cached date for the device's.
TEST_F(DateAlign, FailedFlushKeepsTheRowWithItsReason) {
    ASSERT_TRUE(source.add({File("a.txt", "one", late)}));
    ASSERT_TRUE(target.add({File("a.txt", "two", early)}));
    openApp();
    scan();
    selectAll();
    SetFlushFault(0);
    runWith("Ziel >>> Quelle", "Ausführen!");
    SetFlushFault(-1);
    EXPECT_EQ(paths(), QStringList({"a.txt"}));
    EXPECT_EQ(toolTip("a.txt"),
              "Datum nicht geändert: Schreibfehler auf dem Datenträger (Ein-/Ausgabefehler)");
    EXPECT_TRUE(messageText().startsWith("1 Zeile(n) konnten nicht ausgeführt werden."));
}
