#include "OpsWindowFixture.h"

namespace {

constexpr int64_t T0 = 1500000000;

class Delete : public OpsWindow {
protected:
    void deleteAnswering(bool q, bool z, const QString& answer) {
        form().checkBoxDelQ->setChecked(q);
        form().checkBoxDelZ->setChecked(z);
        clickAndAnswer(form().buttonSelDel, answer);
    }
};

} // namespace

TEST_F(Delete, SourceOnlyDeletesOnSideOneAndDropsTheRow) {
    ASSERT_TRUE(source.add({File("a.txt", "1", T0 + 100), File("b.txt", "b", T0)}));
    ASSERT_TRUE(target.add({File("a.txt", "2", T0)}));
    openApp();
    scan();
    selectPaths({"a.txt"});
    deleteAnswering(true, false, "Ja");
    EXPECT_EQ(questionText(), "1 Datei(en) je in den gewählten Orten löschen - sind Sie sicher?");
    EXPECT_FALSE(exists(source.path("a.txt")));
    EXPECT_EQ(contentsOf(target.path("a.txt")), "2");
    EXPECT_EQ(paths(), QStringList({"b.txt"}));
    EXPECT_EQ(status(0), "Listen-Anzahl: 1 (1>  0<  0!)");
}

TEST_F(Delete, BothTickedRowLeavesByTheSideTwoResult) {
    ASSERT_TRUE(source.add({File("only1.txt", "1", T0)}));
    ASSERT_TRUE(target.add({File("only2.txt", "2", T0)}));
    openApp();
    scan();
    selectAll();
    deleteAnswering(true, true, "Ja");
    EXPECT_FALSE(exists(source.path("only1.txt")));
    EXPECT_FALSE(exists(target.path("only2.txt")));
    // The side-2 deletion of only1.txt failed, so its row stays until the next scan.
    EXPECT_EQ(paths(), QStringList({"only1.txt"}));
}

TEST_F(Delete, WriteProtectedFileStaysByItsOwnRowButGoesWithItsDirectory) {
    TreeEntry ro = File("ro.txt", "keep", T0);
    ro.readOnly = true;
    TreeEntry inner = File("d/ro.txt", "x", T0);
    inner.readOnly = true;
    ASSERT_TRUE(source.add({ro, Dir("d/", T0), inner}));
    openApp();
    scan();
    selectPaths({"ro.txt", "d/"});
    deleteAnswering(true, false, "Ja");
    EXPECT_EQ(contentsOf(source.path("ro.txt")), "keep");
    EXPECT_FALSE(exists(source.path("d")));
    EXPECT_EQ(paths(), QStringList({"d/ro.txt", "ro.txt"}));
}

TEST_F(Delete, DirectoryRowThenItsOwnFileRows) {
    ASSERT_TRUE(target.add({Dir("d/", T0), File("d/a.txt", "a", T0), File("d/sub/b.txt", "b", T0)}));
    openApp();
    scan();
    ASSERT_EQ(paths(), QStringList({"d/", "d/a.txt", "d/sub/", "d/sub/b.txt"}));
    selectAll();
    deleteAnswering(false, true, "Ja");
    EXPECT_FALSE(exists(target.path("d")));
    EXPECT_EQ(paths(), QStringList({"d/a.txt", "d/sub/", "d/sub/b.txt"}));
}

TEST_F(Delete, NeitherBoxTickedStillAsksAndDeletesNothing) {
    ASSERT_TRUE(source.add({File("a.txt", "a", T0)}));
    openApp();
    scan();
    selectAll();
    deleteAnswering(false, false, "Ja");
    EXPECT_TRUE(asked());
    EXPECT_TRUE(exists(source.path("a.txt")));
    EXPECT_EQ(paths(), QStringList({"a.txt"}));
}

TEST_F(Delete, NoSelectionAsksNothing) {
    ASSERT_TRUE(source.add({File("a.txt", "a", T0)}));
    openApp();
    scan();
    form().buttonSelNix->click();
    deleteAnswering(true, true, "Ja");
    EXPECT_FALSE(asked());
    EXPECT_TRUE(exists(source.path("a.txt")));
}

TEST_F(Delete, AnsweringNoDeletesNothing) {
    ASSERT_TRUE(source.add({File("a.txt", "a", T0)}));
    openApp();
    scan();
    selectAll();
    deleteAnswering(true, true, "Nein");
    EXPECT_TRUE(asked());
    EXPECT_TRUE(exists(source.path("a.txt")));
    EXPECT_EQ(lines(), 1);
}

TEST_F(Delete, LinkToAnOutsideDirectoryLeavesThatDirectoryWhole) {
    TestTree outside({File("x/keep.txt", "k")});
    ASSERT_TRUE(outside.ok());
    ASSERT_TRUE(
        source.add({Link("l", outside.path("x")), Dir("d/", T0), Link("d/inner", outside.path("x"))}));
    ASSERT_TRUE(target.add({Dir("l/", T0), File("l/b.txt", "b", T0)}));
    openApp();
    scan();
    selectAll();
    deleteAnswering(true, false, "Ja");
    EXPECT_EQ(contentsOf(outside.path("x/keep.txt")), "k");
    EXPECT_FALSE(exists(source.path("l")));
    EXPECT_FALSE(exists(source.path("d")));
    EXPECT_EQ(contentsOf(target.path("l/b.txt")), "b");
}
