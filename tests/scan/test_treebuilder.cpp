#include "support/QtPrint.h"
#include "support/TreeBuilder.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

TEST(TreeBuilder, BuildsFilesDirectoriesAndTimes) {
    TestTree tree({File("a.txt", "hello", 1500000000), Dir("sub/", 1400000000),
                   SizedFile("sub/deep/b.bin", 100, 1300000000)});
    ASSERT_TRUE(tree.ok());
    EXPECT_EQ(DescribeTree(tree.path()),
              QStringList({"a.txt 5 @1500000000", "sub/", "sub/deep/", "sub/deep/b.bin 100 @1300000000"}));
    EXPECT_EQ(DescribeTree(tree.path(), true).at(1), "sub/ @1400000000");
}

TEST(TreeBuilder, DirectoryTimeSurvivesItsChildren) {
    TestTree tree({Dir("d/", 1000000000), File("d/x", "1", 1100000000), File("d/e/y", "2", 1200000000),
                   Dir("d/e/", 900000000)});
    ASSERT_TRUE(tree.ok());
    const TreeSpec back = tree.read();
    ASSERT_EQ(back.size(), 4u);
    EXPECT_EQ(back[0].path, "d/");
    EXPECT_EQ(back[0].mtime, 1000000000);
    EXPECT_EQ(back[1].path, "d/e/");
    EXPECT_EQ(back[1].mtime, 900000000);
}

TEST(TreeBuilder, ReadsBackContentsNanosecondsReadOnlyAndLinks) {
    TreeEntry precise = File("p.txt", "abc", 1600000000);
    precise.mtimeNsec = 123456789;
    precise.readOnly = true;
    TestTree tree({precise, Link("l", "p.txt"), Link("loop", ".")});
    ASSERT_TRUE(tree.ok());
    const TreeSpec back = tree.read();
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[0].path, "l");
    EXPECT_EQ(back[0].linkTarget, "p.txt");
    EXPECT_EQ(back[1].linkTarget, ".");
    EXPECT_EQ(back[2], precise);
    EXPECT_EQ(back[2].contents, QByteArray("abc"));
    EXPECT_TRUE(back[2].readOnly);
}

TEST(TreeBuilder, LargeFilesAreSparseWithFullSize) {
    TestTree tree({SizedFile("big", (int64_t(1) << 31) + 5, 1500000000)});
    ASSERT_TRUE(tree.ok());
    EXPECT_EQ(QFileInfo(tree.path("big")).size(), (int64_t(1) << 31) + 5);
    EXPECT_EQ(DescribeTree(tree.path()), QStringList{"big 2147483653 @1500000000"});
}

TEST(TreeBuilder, PatternFilesCompareEqualAfterRead) {
    TestTree tree({SizedFile("s", 30, 1500000000)});
    ASSERT_TRUE(tree.ok());
    const TreeSpec back = tree.read();
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].contents, QByteArray("abcdefghijklmnopqrstuvwxyzabcd"));
}
