#include "scan/Scanner.h"

#include "platform/DirectoryListing.h"
#include "support/Privileges.h"
#include "support/QtPrint.h"
#include "support/TreeBuilder.h"

#include <QDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

constexpr int64_t T0 = 1500000000;

struct Scan {
    ScanState state;
    ResultRows rows;
    ScanHooks hooks;
    QStringList activity;
    std::vector<int32_t> counts;

    explicit Scan(const QString& source, const QString& target = QString()) {
        state.SourceRoot = source;
        state.TargetRoot = target;
        hooks.showActivity = [this](const QString& t) { activity << t; };
        hooks.showCount = [this](int32_t n) { counts.push_back(n); };
    }
    void run(const QString& dir, uint8_t side) {
        ScanWalk walk{state, rows, hooks, 0};
        ScanTree(walk, dir, side);
    }
    // One line per row in recording order: path, own size, own date, action.
    QStringList lines() const {
        QStringList out;
        for (const ResultRow& r : rows.rows) {
            const int64_t size = r.side == 0 ? r.size1 : r.size2;
            const int32_t date = r.side == 0 ? r.date1 : r.date2;
            out << QStringLiteral("%1 %2 %3 %4").arg(r.path).arg(size).arg(date).arg(QString(r.action));
        }
        return out;
    }
    QStringList sortedPaths() const {
        QStringList out;
        for (const ResultRow& r : rows.rows)
            out << r.path;
        out.sort();
        return out;
    }
};

} // namespace

TEST(ScanTree, RecordsFilesAndDirectoriesWithSizesAndTimes) {
    TestTree tree({File("a.txt", "hello", T0), Dir("d/", T0 + 10), File("d/b.bin", "123", T0 + 20)});
    ASSERT_TRUE(tree.ok());
    Scan scan(tree.path());
    scan.run(tree.path(), 0);
    QStringList lines = scan.lines();
    // A directory is recorded after its contents.
    EXPECT_LT(lines.indexOf("d/b.bin 3 1500000020 >"), lines.indexOf("d/ -2 1500000010 >"));
    lines.sort();
    EXPECT_EQ(lines, QStringList({"a.txt 5 1500000000 >", "d/ -2 1500000010 >", "d/b.bin 3 1500000020 >"}));
    for (const ResultRow& r : scan.rows.rows) {
        EXPECT_EQ(r.size2, 0);
        EXPECT_EQ(r.date2, 0);
        EXPECT_EQ(r.side, 0);
    }
    EXPECT_EQ(scan.rows.current, 2);
}

TEST(ScanTree, Side2FillsTheSecondFields) {
    TestTree tree({File("x", "12", T0)});
    ASSERT_TRUE(tree.ok());
    Scan scan(QString(), tree.path());
    scan.run(tree.path(), 1);
    ASSERT_EQ(scan.rows.rows.size(), 1u);
    const ResultRow& r = scan.rows.rows[0];
    EXPECT_EQ(r.path, "x");
    EXPECT_EQ(r.size1, 0);
    EXPECT_EQ(r.date1, 0);
    EXPECT_EQ(r.action, u'<');
    EXPECT_EQ(r.size2, 2);
    EXPECT_EQ(r.date2, T0);
    EXPECT_EQ(r.side, 1);
}

TEST(ScanTree, TimesUseTheOffsetOfTheScanAndMinusOneOutsideTheRange) {
    TestTree tree({File("old", "1", 100), File("new", "1", (int64_t(1) << 31) + 5000)});
    ASSERT_TRUE(tree.ok());
    Scan scan(tree.path());
    ScanWalk walk{scan.state, scan.rows, scan.hooks, -3600};
    ScanTree(walk, tree.path(), 0);
    EXPECT_EQ(scan.sortedPaths(), QStringList({"new", "old"}));
    for (const ResultRow& r : scan.rows.rows)
        EXPECT_EQ(r.date1, -1) << r.path.toStdString();

    Scan shifted(tree.path());
    ScanWalk east{shifted.state, shifted.rows, shifted.hooks, 7200};
    ScanTree(east, tree.path(), 0);
    for (const ResultRow& r : shifted.rows.rows) {
        if (r.path == "old") {
            EXPECT_EQ(r.date1, 7300);
        }
    }
}

TEST(ScanTree, ExclusionWordWithSeparatorSkipsDirectoriesOnly) {
    TestTree tree({File("tempfile.txt", "1"), File("temp", "1"), File("Temp/a", "1"), File("MyTemp/b", "1"),
                   File("Temperatur.txt", "1"), File("Contemporary/c", "1")});
    ASSERT_TRUE(tree.ok());
    Scan scan(tree.path());
    scan.state.FilterWords = {"temp/"};
    scan.run(tree.path(), 0);
    EXPECT_EQ(scan.sortedPaths(),
              QStringList({"Contemporary/", "Contemporary/c", "Temperatur.txt", "temp", "tempfile.txt"}));
}

TEST(ScanTree, ExclusionWordWithoutSeparatorMatchesInsideNames) {
    TestTree tree({File("tempfile.txt", "1"), File("Temperatur.txt", "1"), File("Contemporary/c", "1"),
                   File("keep.txt", "1")});
    ASSERT_TRUE(tree.ok());
    Scan scan(tree.path());
    scan.state.FilterWords = {"", "temp"};
    scan.run(tree.path(), 0);
    EXPECT_EQ(scan.sortedPaths(), QStringList({"keep.txt"}));
}

TEST(ScanTree, ExclusionWordInTheRootExcludesTheWholeTree) {
    TestTree outer;
    ASSERT_TRUE(outer.add({File("Daten/a.txt", "1"), File("Daten/sub/b", "1")}));
    Scan scan(outer.path("Daten/"));
    scan.state.FilterWords = {"daten"};
    scan.run(outer.path("Daten/"), 0);
    EXPECT_TRUE(scan.rows.rows.empty());
}

TEST(ScanTree, WordsAreMatchedInTheirStoredLowerCaseForm) {
    TestTree tree({File("Skip.txt", "1")});
    ASSERT_TRUE(tree.ok());
    Scan scan(tree.path());
    scan.state.FilterWords = {"Skip"};
    scan.run(tree.path(), 0);
    EXPECT_EQ(scan.sortedPaths(), QStringList({"Skip.txt"}));
    ScanState words;
    words.FilterWords = {"skip"};
    EXPECT_TRUE(IsExcluded(words, tree.path("Skip.txt")));
    words.FilterWords = {"", "Skip"};
    EXPECT_FALSE(IsExcluded(words, tree.path("Skip.txt")));
}

TEST(ScanTree, QuickFilterMatchingADirectoryNameRecordsEverythingBelowIt) {
    TestTree tree({File("Briefe/a.txt", "1"), File("Briefe/alt/b.txt", "1"), File("other/briefe.doc", "1"),
                   File("other/x.txt", "1"), File("y.txt", "1")});
    ASSERT_TRUE(tree.ok());
    Scan scan(tree.path());
    scan.state.QuickFilter = "briefe";
    scan.run(tree.path(), 0);
    EXPECT_EQ(scan.sortedPaths(), QStringList({"Briefe/", "Briefe/a.txt", "Briefe/alt/", "Briefe/alt/b.txt",
                                               "other/briefe.doc"}));
}

TEST(ScanTree, QuickFilterInTheRootMatchesEveryEntry) {
    TestTree outer;
    ASSERT_TRUE(outer.add({File("Projekt/a", "1"), File("Projekt/s/b", "1")}));
    Scan scan(outer.path("Projekt/"));
    scan.state.QuickFilter = "projekt";
    scan.run(outer.path("Projekt/"), 0);
    EXPECT_EQ(scan.sortedPaths(), QStringList({"a", "s/", "s/b"}));
}

TEST(ScanTree, UnreadableSubdirectoryIsRecordedWithoutContents) {
    TestTree tree({File("open/a", "1"), File("closed/secret", "1"), File("b", "1")});
    ASSERT_TRUE(tree.ok());
    ASSERT_EQ(::chmod(QFile::encodeName(tree.path("closed")).constData(), 0), 0);
    PermissionBitsApply asUser;
    if (!asUser.active())
        GTEST_SKIP() << "cannot give up the capabilities that let root read any folder";
    Scan scan(tree.path());
    scan.run(tree.path(), 0);
    EXPECT_EQ(scan.sortedPaths(), QStringList({"b", "closed/", "open/", "open/a"}));
}

TEST(ScanTree, UnlistableRootGivesNoRowsAndNoActivity) {
    TestTree tree;
    Scan scan(tree.path("missing/"));
    scan.run(tree.path("missing/"), 0);
    EXPECT_TRUE(scan.rows.rows.empty());
    EXPECT_TRUE(scan.activity.isEmpty());
    EXPECT_EQ(scan.state.EntryCounter, 0);
}

TEST(ScanTree, SymbolicLinksAreListedAsFilesAndNeverFollowed) {
    TestTree tree({File("d/f", "1"), Link("d/up", ".."), Link("d/self", "."), Link("loop", "loop")});
    ASSERT_TRUE(tree.ok());
    Scan scan(tree.path());
    scan.run(tree.path(), 0);
    EXPECT_EQ(scan.sortedPaths(), QStringList({"d/", "d/f", "d/self", "d/up", "loop"}));
    for (const ResultRow& r : scan.rows.rows) {
        if (r.path == "d/up") {
            EXPECT_EQ(r.size1, 2); // the link's own size: the length of its target text
        }
    }
}

TEST(ScanTree, EmptyTreeCountsTheDotEntries) {
    TestTree tree;
    ASSERT_TRUE(tree.ok());
    Scan scan(tree.path());
    scan.run(tree.path(), 0);
    scan.run(tree.path(), 1);
    EXPECT_TRUE(scan.rows.rows.empty());
    EXPECT_EQ(scan.state.EntryCounter, 4);
    EXPECT_EQ(scan.activity, QStringList({"Scanne: " + tree.path(), "Scanne: " + tree.path()}));
}

TEST(ScanTree, CountIsShownOncePerElevenEntriesOfADirectory) {
    TreeSpec entries;
    for (int i = 0; i < 25; ++i)
        entries.push_back(File(QStringLiteral("f%1").arg(i), "1"));
    TestTree tree(entries);
    ASSERT_TRUE(tree.ok());
    Scan scan(tree.path());
    scan.run(tree.path(), 0);
    EXPECT_EQ(scan.state.EntryCounter, 27);
    EXPECT_EQ(scan.counts, (std::vector<int32_t>{11, 22}));
}

TEST(ScanTree, RootRecurringInsideTheTreeIsRemovedOnlyAtTheStart) {
    TestTree tree;
    ASSERT_TRUE(tree.ok());
    const QString root = tree.path("data/");
    // Inside the root, a folder path that repeats the root's whole text.
    const QString inner = "x" + root;
    ASSERT_TRUE(BuildTree(root, {File(inner + "f.txt", "1")}));
    Scan scan(root);
    scan.run(root, 0);
    EXPECT_TRUE(scan.sortedPaths().contains(inner + "f.txt"));
    EXPECT_TRUE(scan.sortedPaths().contains(inner));
}

TEST(ScanTree, RootWithoutSeparatorGivesPathsBeginningWithOne) {
    TestTree tree({File("a", "1")});
    ASSERT_TRUE(tree.ok());
    const QString root = tree.path().chopped(1);
    Scan scan(root);
    scan.run(root, 0);
    EXPECT_EQ(scan.sortedPaths(), QStringList({"/a"}));
}

TEST(ScanTree, CancelStopsTheDirectoryAndThenEachParentAtItsNextEntry) {
    TreeSpec entries;
    for (int i = 0; i < 5; ++i)
        entries.push_back(File(QStringLiteral("d/e/f%1").arg(i), "1"));
    TestTree tree(entries);
    ASSERT_TRUE(tree.ok());
    Scan scan(tree.path());
    bool cancelled = false;
    scan.hooks.showActivity = [&](const QString& t) {
        if (t.endsWith("/e/"))
            cancelled = true;
    };
    scan.hooks.pump = [&] { return cancelled; };
    scan.run(tree.path(), 0);
    // e/ stops at its first entry; d/ records e/ and stops at its next one; so does the root.
    EXPECT_EQ(scan.sortedPaths(), QStringList({"d/", "d/e/"}));
    const int32_t afterSide1 = scan.state.EntryCounter;
    scan.run(tree.path(), 1);
    EXPECT_EQ(scan.state.EntryCounter, afterSide1 + 1);
    EXPECT_EQ(scan.rows.rows.size(), 2u);
}

TEST(MakeRelative, RemovesTheRootOfTheRowsSide) {
    ScanState s;
    s.SourceRoot = "/data/";
    s.TargetRoot = "/data/backup/";
    EXPECT_EQ(MakeRelative(s, "/data/x/data/y", 0), "x/data/y");
    EXPECT_EQ(MakeRelative(s, "/data/backup/f", 1), "f");
    EXPECT_EQ(MakeRelative(s, "/data/backup/f", 0), "backup/f");
}

TEST(AppendRow, InsertsAfterTheCurrentRow) {
    ScanState s;
    s.SourceRoot = "/r/";
    ResultRows rows;
    AppendRow(s, rows, "/r/a", 1, 2, u'>', 0, 0, 0);
    AppendRow(s, rows, "/r/c", 1, 2, u'>', 0, 0, 0);
    rows.current = 0;
    AppendRow(s, rows, "/r/b", 1, 2, u'>', 0, 0, 0);
    rows.current = -1;
    AppendRow(s, rows, "/r/0", 1, 2, u'>', 0, 0, 0);
    QStringList paths;
    for (const ResultRow& r : rows.rows)
        paths << r.path;
    EXPECT_EQ(paths, QStringList({"0", "a", "b", "c"}));
    EXPECT_EQ(rows.current, 0);
}

TEST(FilterWordsOf, SplitsAtBarsTrimsSpacesAndKeepsEmptyWords) {
    EXPECT_EQ(FilterWordsOf(" a | b c ||d"), QStringList({"a", "b c", "", "d"}));
    EXPECT_EQ(FilterWordsOf(""), QStringList());
    EXPECT_EQ(FilterWordsOf("|"), QStringList({"", ""}));
}

TEST(IsExistingDirectory, AcceptsDirectoriesWithOrWithoutSeparator) {
    TestTree tree({File("f", "1"), Dir("d/")});
    ASSERT_TRUE(tree.ok());
    EXPECT_TRUE(IsExistingDirectory(tree.path("d")));
    EXPECT_TRUE(IsExistingDirectory(tree.path("d//")));
    EXPECT_TRUE(IsExistingDirectory("/"));
    EXPECT_FALSE(IsExistingDirectory(tree.path("f")));
    EXPECT_FALSE(IsExistingDirectory(tree.path("missing")));
    EXPECT_FALSE(IsExistingDirectory(""));
}
