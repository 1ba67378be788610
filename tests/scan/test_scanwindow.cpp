#include "ScanWindowFixture.h"

#include "support/ModalAnswer.h"
#include "support/Privileges.h"
#include "ui/Identifiers.h"

#include <QColor>
#include <QRegularExpression>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <sys/stat.h>

namespace {

constexpr int64_t T0 = 1500000000; // 14.07.2017 02:40:00 UTC, 04:40:00 on the test clock

class ScanButton : public ScanWindow {
protected:
    void preparePair() {
        ASSERT_TRUE(source.add({File("a.txt", "abc", T0 + 100), File("same.txt", "1", T0), Dir("both/", T0),
                                File("both/neu.txt", "12345", T0 + 60), Dir("nur1/", T0 + 3600),
                                File("nur1/f.txt", "", T0), File("Foto.JPG", "x", T0)}));
        ASSERT_TRUE(
            target.add({File("a.txt", "ab", T0), File("same.txt", "22", T0 + 2), Dir("both/", T0 + 999),
                        File("b.txt", "1234567", T0 + 7200), File("foto.jpg", "y", T0 + 50)}));
    }
};

} // namespace

TEST_F(ScanButton, ListShowsTheDifferencesWithTheirCells) {
    preparePair();
    openApp();
    form().buttonScan->click();
    ASSERT_EQ(lines(), 6);
    EXPECT_EQ(lineTexts(0),
              QStringList({"a.txt", "a.txt", "3", "14.07.2017 04:41:40", ">", "14.07.2017 04:40:00", "2"}));
    EXPECT_EQ(lineTexts(1), QStringList({"b.txt", "b.txt", "0", "", "<", "14.07.2017 06:40:00", "7"}));
    EXPECT_EQ(lineTexts(2),
              QStringList({"neu.txt", "both/neu.txt", "5", "14.07.2017 04:41:00", ">", "", "0"}));
    EXPECT_EQ(lineTexts(3), QStringList({"foto.jpg", "foto.jpg", "1", "14.07.2017 04:40:00", "<",
                                         "14.07.2017 04:40:50", "1"}));
    EXPECT_EQ(lineTexts(4), QStringList({"", "nur1/", "<DIR>", "14.07.2017 05:40:00", ">", "", "0"}));
    EXPECT_EQ(lineTexts(5), QStringList({"f.txt", "nur1/f.txt", "0", "14.07.2017 04:40:00", ">", "", "0"}));
}

TEST_F(ScanButton, LinesAreColouredByTheirAction) {
    preparePair();
    openApp();
    form().buttonScan->click();
    ASSERT_EQ(lines(), 6);
    const QColor green(0, 200, 0);
    const QColor purple(200, 0, 200);
    for (int line = 0; line < lines(); ++line) {
        for (int column = 0; column < 7; ++column) {
            const QVariant colour =
                form().listModel->data(form().listModel->index(line, column), Qt::ForegroundRole);
            EXPECT_EQ(colour.value<QColor>(), cell(line, 4) == ">" ? green : purple) << line << " " << column;
        }
    }
}

TEST_F(ScanButton, CountLineAndEntryCountInTheStatusBar) {
    preparePair();
    openApp();
    form().buttonScan->click();
    EXPECT_EQ(status(0), "Listen-Anzahl: 6 (4>  2<  0!)");
    // Listings, "." and ".." included: side 1 root 7, both/ 3, nur1/ 3; side 2 root 7, both/ 2.
    const QRegularExpression entries("^(\\d+) : \\d+ms$");
    const auto m = entries.match(status(2));
    ASSERT_TRUE(m.hasMatch()) << status(2).toStdString();
    EXPECT_EQ(m.captured(1).toInt(), 7 + 3 + 3 + 7 + 2);
}

TEST_F(ScanButton, FastScanShowsTheFolderOfSide2AndEndsWithTheCountLine) {
    preparePair();
    openApp();
    QStringList field0;
    form().statusWritten = [&](int field, const QString& text) {
        if (field == 0)
            field0 << text;
    };
    form().buttonScan->click();
    // The walk of two small trees takes less than the throttle's interval.
    const QString side2 = "^Scanne: " + QRegularExpression::escape(target.path());
    EXPECT_FALSE(field0.filter(QRegularExpression(side2)).isEmpty()) << field0.join(" | ").toStdString();
    EXPECT_EQ(field0.last(), "Listen-Anzahl: 6 (4>  2<  0!)");
    EXPECT_EQ(status(0), field0.last());
}

TEST_F(ScanButton, EmptyTreesGiveAnEmptyListAndCountTheDotEntries) {
    openApp();
    form().buttonScan->click();
    EXPECT_EQ(lines(), 0);
    EXPECT_EQ(status(0), "Listen-Anzahl: 0 (0>  0<  0!)");
    EXPECT_TRUE(QRegularExpression("^4 : \\d+ms$").match(status(2)).hasMatch()) << status(2).toStdString();
}

TEST_F(ScanButton, OptionWordsReachTheComparison) {
    ASSERT_TRUE(source.add({File("gleich.txt", "abc", T0), File("nur1.txt", "1", T0)}));
    ASSERT_TRUE(target.add({File("gleich.txt", "xyz", T0 + 100000), File("nur2.txt", "1", T0)}));
    openApp("IgnoreDateScannRichtung<");
    form().buttonScan->click();
    EXPECT_EQ(paths(), QStringList({"nur2.txt"}));
}

TEST_F(ScanButton, FilterWordsOfTheSetExcludeEntries) {
    ASSERT_TRUE(
        source.add({File("Temp/x", "1"), File("tempfile.txt", "1"), File("bak/y", "1"), File("z.bak", "1")}));
    openApp(QString(), " bak |temp/");
    form().buttonScan->click();
    EXPECT_EQ(paths(), QStringList({"tempfile.txt"}));
}

TEST_F(ScanButton, QuickFilterIsWrittenBackTrimmedAndInLowerCase) {
    ASSERT_TRUE(source.add({File("Briefe/a.txt", "1"), File("Rechnung.txt", "1")}));
    openApp();
    form().stringSchnellFilter->setText("  BRIEFE ");
    form().buttonScan->click();
    EXPECT_EQ(form().stringSchnellFilter->text(), "briefe");
    EXPECT_EQ(paths(), QStringList({"Briefe/", "Briefe/a.txt"}));
}

TEST_F(ScanButton, MissingSourceIsReportedAndLeavesThePreviousList) {
    ASSERT_TRUE(source.add({File("a", "1")}));
    openApp();
    form().buttonScan->click();
    ASSERT_EQ(lines(), 1);
    const QString missing = source.path("fehlt/");
    state().sets.sets[0].Src = missing;
    ModalAnswer answer([](QWidget* box) { PressButton(box, "OK"); });
    form().buttonScan->click();
    EXPECT_TRUE(answer.done());
    EXPECT_EQ(answer.text(), "Fehler - Das Verzeichnis existiert nicht: " + missing);
    EXPECT_EQ(lines(), 1);
    EXPECT_TRUE(state().rows.rows.empty());
    EXPECT_TRUE(form().buttonScan->isEnabled());
    EXPECT_EQ(state().scan.SourceRoot, missing);
}

TEST_F(ScanButton, MissingTargetIsReportedWithItsPath) {
    openApp();
    const QString missing = target.path("weg");
    state().sets.sets[0].Mid = missing;
    ModalAnswer answer([](QWidget* box) { PressButton(box, "OK"); });
    form().buttonScan->click();
    EXPECT_EQ(answer.text(), "Fehler - Das Verzeichnis existiert nicht: " + missing);
}

// Roots that overlap or cannot be read stop the scan with their names, and nothing is listed.
TEST_F(ScanButton, OverlappingOrUnreadableRootsAreRefused) {
    ASSERT_TRUE(source.add({File("sub/a", "1"), File("b", "1")}));
    ASSERT_TRUE(target.add({Link("zuQuelle", source.path("sub"))}));
    openApp();
    struct Case {
        QString src, mid, message;
    };
    const QString overlap = "Fehler - Quelle und Ziel sind derselbe Ordner oder liegen ineinander:\n";
    const std::vector<Case> cases = {
        {source.path(), source.path(), overlap + source.path() + "\n" + source.path()},
        {source.path(), source.path("sub/"), overlap + source.path() + "\n" + source.path("sub/")},
        {source.path("sub/"), source.path(), overlap + source.path("sub/") + "\n" + source.path()},
        {source.path("sub/../sub/"), source.path() + ".",
         overlap + source.path("sub/../sub/") + "\n" + source.path() + "."},
        {source.path(), target.path("zuQuelle/"), overlap + source.path() + "\n" + target.path("zuQuelle/")},
    };
    for (const Case& c : cases) {
        state().sets.sets[0].Src = c.src;
        state().sets.sets[0].Mid = c.mid;
        ModalAnswer answer([](QWidget* box) { PressButton(box, "OK"); });
        form().buttonScan->click();
        EXPECT_EQ(answer.text(), c.message);
        EXPECT_TRUE(state().rows.rows.empty());
    }

    state().sets.sets[0].Src = source.path();
    state().sets.sets[0].Mid = target.path();
    ASSERT_EQ(::chmod(QFile::encodeName(target.path()).constData(), 0), 0);
    PermissionBitsApply asUser;
    if (!asUser.active())
        GTEST_SKIP() << "cannot give up the capabilities that let root read any folder";
    ModalAnswer answer([](QWidget* box) { PressButton(box, "OK"); });
    form().buttonScan->click();
    EXPECT_EQ(answer.text(), "Fehler - Das Verzeichnis kann nicht gelesen werden: " + target.path());
    EXPECT_EQ(lines(), 0);
    EXPECT_TRUE(form().buttonScan->isEnabled());
}

namespace {

// A bind mount for the length of a test, detached at its end so no open handle keeps it.
class BindMount {
public:
    BindMount(const QString& folder, const QString& at) : point(QFile::encodeName(at)) {
        mounted =
            ::mount(QFile::encodeName(folder).constData(), point.constData(), nullptr, MS_BIND, nullptr) == 0;
        error = errno;
    }
    ~BindMount() {
        if (mounted)
            ::umount2(point.constData(), MNT_DETACH);
    }
    BindMount(const BindMount&) = delete;
    BindMount& operator=(const BindMount&) = delete;

    QByteArray point;
    bool mounted = false;
    int error = 0;
};

} // namespace

// A bind mount shows a folder under another path, which no comparison of paths sees: one side
// shown inside the other is refused like a nested path, while folders apart stay apart.
TEST_F(ScanButton, BindMountOfOneSideInsideTheOtherIsRefused) {
    ASSERT_TRUE(source.add({File("in/a", "1"), File("inner/deep/b", "1")}));
    ASSERT_TRUE(target.add({Dir("bind/"), Dir("bindUp/"), Dir("bindApart/"), File("apart/c", "1")}));
    openApp();
    const BindMount inner(source.path("inner/"), target.path("bind/"));
    const BindMount whole(source.path(), target.path("bindUp/"));
    const BindMount apart(target.path("apart/"), target.path("bindApart/"));
    for (const BindMount* m : {&inner, &whole, &apart})
        if (!m->mounted)
            GTEST_SKIP() << "cannot bind-mount (needs root): " << std::strerror(m->error);
    struct Case {
        QString src, mid;
        bool refused;
    };
    const QString overlap = "Fehler - Quelle und Ziel sind derselbe Ordner oder liegen ineinander:\n";
    const std::vector<Case> cases = {
        {source.path(), target.path("bind/"), true},
        {target.path("bind/"), source.path(), true},
        {target.path("bind/deep/"), source.path("inner/"), true},
        {target.path("bindUp/"), source.path("inner/deep/"), true},
        {source.path("inner/"), target.path("bindUp/"), true},
        {source.path("in/"), target.path("bind/"), false},
        {source.path(), target.path("bindApart/"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.src + " " + c.mid).toStdString());
        state().sets.sets[0].Src = c.src;
        state().sets.sets[0].Mid = c.mid;
        ModalAnswer answer([](QWidget* box) { PressButton(box, "OK"); });
        form().buttonScan->click();
        EXPECT_EQ(answer.done(), c.refused);
        EXPECT_EQ(answer.text(), c.refused ? overlap + c.src + "\n" + c.mid : QString());
        EXPECT_EQ(state().rows.rows.empty(), c.refused);
    }
}

TEST_F(ScanButton, NoSetOfTheComboBoxNameIsReported) {
    openApp();
    state().sets.sets[0].Name = "Anders";
    ModalAnswer answer([](QWidget* box) { PressButton(box, "OK"); });
    form().buttonScan->click();
    EXPECT_EQ(answer.text(), "Set nicht gefunden!");
}

TEST_F(ScanButton, NoSetAtAllIsReported) {
    openApp();
    state().sets.sets.clear();
    state().sets.current = -1;
    ModalAnswer answer([](QWidget* box) { PressButton(box, "OK"); });
    form().buttonScan->click();
    EXPECT_EQ(answer.text(), "Bitte erst ein Set erstellen!");
}

// What a cancelled scan could not read may hold the files its rows call missing: the rows found
// are listed, but no operation acts on them before a new scan.
TEST_F(ScanButton, AbbruchDuringTheScanMarksTheCountLineAndNoOperationActs) {
    TreeSpec big;
    TreeSpec newer;
    for (int d = 0; d < 60; ++d) {
        for (int f = 0; f < 500; ++f)
            big.push_back(File(QStringLiteral("d%1/f%2").arg(d).arg(f), "", T0));
        newer.push_back(File(QStringLiteral("d%1/f0").arg(d), "newer", T0 + 100));
    }
    ASSERT_TRUE(source.add(big));
    ASSERT_TRUE(target.add(newer));
    openApp();
    // Ticks "Abbruch" as soon as the walk has begun and lets the window's events run.
    QTimer ticker;
    ticker.setInterval(0);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (status(0).startsWith("Scanne: ") && !form().checkBoxCancel->isChecked())
            form().checkBoxCancel->click();
    });
    ticker.start();
    form().buttonScan->click();
    ticker.stop();
    EXPECT_TRUE(status(0).endsWith(")    ABGEBROCHEN!")) << status(0).toStdString();
    EXPECT_TRUE(status(0).startsWith("Listen-Anzahl: "));
    EXPECT_LT(lines(), 60 * 501);
    // The event loop clears the box once the scan has returned.
    EXPECT_FALSE(form().checkBoxCancel->isChecked());
    EXPECT_TRUE(form().buttonScan->isEnabled());
    EXPECT_FALSE(state().scan.Complete);

    const QStringList before = DescribeTree(target.path());
    form().buttonSelAll->click();
    for (QAbstractButton* button : {static_cast<QAbstractButton*>(form().buttonSelSync),
                                    static_cast<QAbstractButton*>(form().buttonSelDel)}) {
        form().checkBoxDelZ->setChecked(true);
        ModalAnswer answer([](QWidget* box) { PressButton(box, "OK"); });
        button->click();
        EXPECT_TRUE(answer.text().contains("unvollständigen Scan")) << answer.text().toStdString();
        EXPECT_TRUE(answer.text().contains("Bitte erneut scannen."));
    }
    EXPECT_EQ(DescribeTree(target.path()), before);
}
