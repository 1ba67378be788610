#include "scan/Compare.h"
#include "scan/SideWalk.h"
#include "scan/WalkBothSides.h"

#include "platform/DirectoryListing.h"
#include "support/Privileges.h"
#include "support/QtPrint.h"
#include "support/TreeBuilder.h"

#include <QDir>
#include <QFile>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int64_t T0 = 1500000000;

SideTree emptySide() {
    SideTree tree;
    SideEntry root;
    root.size = DirectorySize;
    root.flags = EntryIsFolder | EntryListed;
    tree.entries.push_back(root);
    tree.names.push_back('\0');
    tree.rootOpened = true;
    return tree;
}

// One side walked and compared with an empty other side, so every recorded entry is one row.
struct Scan {
    WalkRequest request;
    std::atomic<bool> cancel{false};
    SideTree tree;
    ResultRows rows;
    QString lastFolder;

    explicit Scan(const QString& root) { request.root = root; }
    void run(int side = 0) {
        WalkProgress progress(cancel);
        tree = WalkSide(request, progress);
        progress.takeFolder(lastFolder);
        MatchOptions options;
        options.pathPrefix[side] = request.root.endsWith(u'/') ? QString() : QStringLiteral("/");
        const SideTree other = emptySide();
        rows = side == 0 ? MatchRows(tree, other, Settings(), options)
                         : MatchRows(other, tree, Settings(), options);
    }
    // One line per row: path, own size, own date, action.
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

TEST(WalkSide, RecordsFilesAndDirectoriesWithSizesAndTimes) {
    TestTree tree({File("a.txt", "hello", T0), Dir("d/", T0 + 10), File("d/b.bin", "123", T0 + 20)});
    ASSERT_TRUE(tree.ok());
    Scan scan(tree.path());
    scan.run();
    EXPECT_EQ(scan.lines(),
              QStringList({"a.txt 5 1500000000 >", "d/ -2 1500000010 >", "d/b.bin 3 1500000020 >"}));
    for (const ResultRow& r : scan.rows.rows) {
        EXPECT_EQ(r.size2, 0);
        EXPECT_EQ(r.date2, 0);
        EXPECT_EQ(r.side, 0);
    }
    EXPECT_EQ(scan.rows.current, 2);
}

TEST(WalkSide, Side2FillsTheSecondFields) {
    TestTree tree({File("x", "12", T0)});
    ASSERT_TRUE(tree.ok());
    Scan scan(tree.path());
    scan.run(1);
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

TEST(WalkSide, TimesUseTheOffsetOfTheScanAndMinusOneOutsideTheRange) {
    TestTree tree({File("old", "1", 100), File("new", "1", (int64_t(1) << 31) + 5000)});
    ASSERT_TRUE(tree.ok());
    Scan scan(tree.path());
    scan.request.utcOffset = -3600;
    scan.run();
    EXPECT_EQ(scan.sortedPaths(), QStringList({"new", "old"}));
    for (const ResultRow& r : scan.rows.rows)
        EXPECT_EQ(r.date1, -1) << r.path.toStdString();

    Scan shifted(tree.path());
    shifted.request.utcOffset = 7200;
    shifted.run();
    for (const ResultRow& r : shifted.rows.rows) {
        if (r.path == "old") {
            EXPECT_EQ(r.date1, 7300);
        }
    }
}

TEST(WalkSide, ExclusionWordWithSeparatorSkipsDirectoriesOnly) {
    TestTree tree({File("tempfile.txt", "1"), File("temp", "1"), File("Temp/a", "1"), File("MyTemp/b", "1"),
                   File("Temperatur.txt", "1"), File("Contemporary/c", "1")});
    ASSERT_TRUE(tree.ok());
    Scan scan(tree.path());
    scan.request.FilterWords = {"temp/"};
    scan.run();
    EXPECT_EQ(scan.sortedPaths(),
              QStringList({"Contemporary/", "Contemporary/c", "Temperatur.txt", "temp", "tempfile.txt"}));
}

TEST(WalkSide, ExclusionWordWithoutSeparatorMatchesInsideNames) {
    TestTree tree({File("tempfile.txt", "1"), File("Temperatur.txt", "1"), File("Contemporary/c", "1"),
                   File("keep.txt", "1")});
    ASSERT_TRUE(tree.ok());
    Scan scan(tree.path());
    scan.request.FilterWords = {"", "temp"};
    scan.run();
    EXPECT_EQ(scan.sortedPaths(), QStringList({"keep.txt"}));
}

TEST(WalkSide, ExclusionWordInTheRootExcludesTheWholeTree) {
    TestTree outer;
    ASSERT_TRUE(outer.add({File("Daten/a.txt", "1"), File("Daten/sub/b", "1")}));
    Scan scan(outer.path("Daten/"));
    scan.request.FilterWords = {"daten"};
    scan.run();
    EXPECT_TRUE(scan.rows.rows.empty());
}

TEST(WalkSide, WordsAreMatchedInTheirStoredLowerCaseForm) {
    TestTree tree({File("Skip.txt", "1")});
    ASSERT_TRUE(tree.ok());
    Scan scan(tree.path());
    scan.request.FilterWords = {"Skip"};
    scan.run();
    EXPECT_EQ(scan.sortedPaths(), QStringList({"Skip.txt"}));
    EXPECT_TRUE(ContainsFilterWord({"skip"}, tree.path("Skip.txt").toLower()));
    EXPECT_FALSE(ContainsFilterWord({"", "Skip"}, tree.path("Skip.txt").toLower()));
}

TEST(WalkSide, QuickFilterMatchingADirectoryNameRecordsEverythingBelowIt) {
    TestTree tree({File("Briefe/a.txt", "1"), File("Briefe/alt/b.txt", "1"), File("other/briefe.doc", "1"),
                   File("other/x.txt", "1"), File("y.txt", "1")});
    ASSERT_TRUE(tree.ok());
    Scan scan(tree.path());
    scan.request.QuickFilter = "briefe";
    scan.run();
    EXPECT_EQ(scan.sortedPaths(), QStringList({"Briefe/", "Briefe/a.txt", "Briefe/alt/", "Briefe/alt/b.txt",
                                               "other/briefe.doc"}));
}

TEST(WalkSide, QuickFilterInTheRootMatchesEveryEntry) {
    TestTree outer;
    ASSERT_TRUE(outer.add({File("Projekt/a", "1"), File("Projekt/s/b", "1")}));
    Scan scan(outer.path("Projekt/"));
    scan.request.QuickFilter = "projekt";
    scan.run();
    EXPECT_EQ(scan.sortedPaths(), QStringList({"a", "s/", "s/b"}));
}

TEST(WalkSide, UnreadableSubdirectoryIsRecordedWithoutContents) {
    TestTree tree({File("open/a", "1"), File("closed/secret", "1"), File("b", "1")});
    ASSERT_TRUE(tree.ok());
    ASSERT_EQ(::chmod(QFile::encodeName(tree.path("closed")).constData(), 0), 0);
    PermissionBitsApply asUser;
    if (!asUser.active())
        GTEST_SKIP() << "cannot give up the capabilities that let root read any folder";
    Scan scan(tree.path());
    scan.run();
    EXPECT_EQ(scan.sortedPaths(), QStringList({"b", "closed/", "open/", "open/a"}));
}

TEST(WalkSide, UnlistableRootGivesNoRowsAndNoActivity) {
    TestTree tree;
    Scan scan(tree.path("missing/"));
    scan.run();
    EXPECT_FALSE(scan.tree.rootOpened);
    EXPECT_TRUE(scan.rows.rows.empty());
    EXPECT_TRUE(scan.lastFolder.isEmpty());
    EXPECT_EQ(scan.tree.entriesRead, 0);
}

TEST(WalkSide, SymbolicLinksAreListedAsFilesAndNeverFollowed) {
    TestTree tree({File("d/f", "1"), Link("d/up", ".."), Link("d/self", "."), Link("loop", "loop")});
    ASSERT_TRUE(tree.ok());
    Scan scan(tree.path());
    scan.run();
    EXPECT_EQ(scan.sortedPaths(), QStringList({"d/", "d/f", "d/self", "d/up", "loop"}));
    for (const ResultRow& r : scan.rows.rows) {
        if (r.path == "d/up") {
            EXPECT_EQ(r.size1, 2); // the link's own size: the length of its target text
        }
    }
}

TEST(WalkSide, EmptyTreeCountsTheDotEntries) {
    TestTree tree;
    ASSERT_TRUE(tree.ok());
    Scan scan(tree.path());
    scan.run();
    EXPECT_TRUE(scan.rows.rows.empty());
    EXPECT_EQ(scan.tree.entriesRead, 2);
    EXPECT_EQ(scan.lastFolder, tree.path());
}

TEST(WalkSide, RootRecurringInsideTheTreeIsRemovedOnlyAtTheStart) {
    TestTree tree;
    ASSERT_TRUE(tree.ok());
    const QString root = tree.path("data/");
    // Inside the root, a folder path that repeats the root's whole text.
    const QString inner = "x" + root;
    ASSERT_TRUE(BuildTree(root, {File(inner + "f.txt", "1")}));
    Scan scan(root);
    scan.run();
    EXPECT_TRUE(scan.sortedPaths().contains(inner + "f.txt"));
    EXPECT_TRUE(scan.sortedPaths().contains(inner));
}

TEST(WalkSide, RootWithoutSeparatorGivesPathsBeginningWithOne) {
    TestTree tree({File("a", "1")});
    ASSERT_TRUE(tree.ok());
    const QString root = tree.path().chopped(1);
    Scan scan(root);
    scan.run();
    EXPECT_EQ(scan.sortedPaths(), QStringList({"/a"}));
}

TEST(WalkSide, CancelStopsTheWalkAndLeavesItIncomplete) {
    TestTree tree({File("d/e/f", "1"), File("g", "1")});
    ASSERT_TRUE(tree.ok());
    Scan scan(tree.path());
    scan.cancel = true;
    scan.run();
    EXPECT_TRUE(scan.tree.cancelled);
    EXPECT_TRUE(scan.rows.rows.empty());
    EXPECT_EQ(scan.tree.entriesRead, 1);
    EXPECT_TRUE(scan.tree.entries[0].flags & EntryIncomplete);
}

// Deeper than the process may hold folders open, and longer than the system's path limit: the
// walk still reads every level.
TEST(WalkSide, ChainDeeperThanTheOpenFileLimitIsWalkedWhole) {
    TestTree tree;
    ASSERT_TRUE(tree.ok());
    constexpr int Depth = 2000;
    int fd = ::open(QFile::encodeName(tree.path()).constData(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    for (int i = 0; i < Depth; ++i) {
        ASSERT_EQ(::mkdirat(fd, "d", 0755), 0);
        const int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
        ASSERT_GE(fd, 0);
    }
    ::close(::openat(fd, "leaf", O_WRONLY | O_CREAT, 0644));
    ::close(fd);

    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &old), 0);
    rlimit low = old;
    low.rlim_cur = std::min<rlim_t>(old.rlim_cur, 1024);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    Scan scan(tree.path());
    scan.run();
    ::setrlimit(RLIMIT_NOFILE, &old);

    EXPECT_EQ(scan.rows.rows.size(), size_t(Depth) + 1);
    EXPECT_FALSE(scan.tree.cancelled);
    for (const SideEntry& e : scan.tree.entries)
        EXPECT_FALSE(e.flags & EntryIncomplete);
    ASSERT_FALSE(scan.rows.rows.empty());
    EXPECT_TRUE(scan.rows.rows.back().path.endsWith("d/leaf"));
    EXPECT_EQ(scan.rows.rows.back().path.count(u'/'), Depth);
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

namespace {

QStringList describeRows(const ResultRows& rows) {
    QStringList out;
    for (const ResultRow& r : rows.rows)
        out << QStringLiteral("%1|%2|%3 %4 %5 %6 %7%8")
                   .arg(r.path, r.otherPath, QString(r.action))
                   .arg(r.size1)
                   .arg(r.date1)
                   .arg(r.size2)
                   .arg(r.date2)
                   .arg(r.uncertain ? " uncertain" : "");
    return out;
}

} // namespace

// Both sides walked at once give the list of one side walked after the other, every time: with
// case variants and twins, a file against a folder of the same name, and an unreadable folder.
TEST(WalkBothSides, GivesTheListOfOneSideAfterTheOtherEveryTime) {
    TestTree one({File("A.txt", "1", T0), File("a.txt", "22", T0 + 100), Dir("x/"), File("y", "3", T0),
                  File("Cased/k", "4", T0), File("u/closed/f", "5", T0), File("u/g", "6", T0)});
    TestTree two({File("a.txt", "7", T0), File("x", "8", T0), File("y/z", "9", T0),
                  File("cased/K", "10", T0 + 50), File("u/closed/h", "11", T0), File("u/g", "12", T0 + 100)});
    ASSERT_TRUE(one.ok() && two.ok());
    ASSERT_EQ(::chmod(QFile::encodeName(one.path("u/closed")).constData(), 0), 0);
    PermissionBitsApply asUser;
    const std::array<WalkRequest, 2> requests{WalkRequest{one.path(), {}, {}, 0},
                                              WalkRequest{two.path(), {}, {}, 0}};
    std::atomic<bool> cancel{false};
    SideTree sequential[2];
    for (int side = 0; side < 2; ++side) {
        WalkProgress progress(cancel);
        sequential[side] = WalkSide(requests[size_t(side)], progress);
    }
    const QStringList expected =
        describeRows(MatchRows(sequential[0], sequential[1], Settings(), MatchOptions()));
    EXPECT_TRUE(expected.contains("cased/K|Cased/k|< 1 1500000000 2 1500000050"))
        << expected.join("\n").toStdString();
    if (asUser.active()) {
        EXPECT_TRUE(expected.contains("u/closed/h||< 0 0 2 1500000000 uncertain"))
            << expected.join("\n").toStdString();
    }
    for (int round = 0; round < 20; ++round) {
        const std::array<SideTree, 2> trees = WalkBothSides(requests, cancel, {});
        EXPECT_EQ(describeRows(MatchRows(trees[0], trees[1], Settings(), MatchOptions())), expected) << round;
    }
}
