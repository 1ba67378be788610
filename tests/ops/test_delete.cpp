#include "OpsWindowFixture.h"

#include "support/Privileges.h"

#include <QTest>
#include <QTimer>
#include <sys/stat.h>

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

// A row leaves once its entries are gone from every ticked side; a side where the scan found
// nothing is not touched, and a row with nothing to delete on the ticked sides stays.
TEST_F(Delete, RowLeavesOnceGoneFromEveryTickedSide) {
    struct Case {
        bool q, z;
        QStringList rows;
        bool only1Left, only2Left;
    };
    for (const Case& c : {Case{true, true, {}, false, false}, Case{true, false, {"only2.txt"}, false, true},
                          Case{false, true, {"only1.txt"}, true, false}}) {
        SCOPED_TRACE(::testing::Message() << c.q << c.z);
        TestTree one({File("only1.txt", "1", T0)});
        TestTree two({File("only2.txt", "2", T0)});
        openAppOn(one.path(), two.path());
        scan();
        selectAll();
        deleteAnswering(c.q, c.z, "Ja");
        EXPECT_EQ(exists(one.path("only1.txt")), c.only1Left);
        EXPECT_EQ(exists(two.path("only2.txt")), c.only2Left);
        EXPECT_EQ(paths(), c.rows);
        app.reset();
    }
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
    // The rows below found their entries gone with the folder.
    EXPECT_EQ(paths(), QStringList());
}

// Keys and clicks in the list while the deletion runs change nothing: it deletes exactly the rows
// that were confirmed.
TEST_F(Delete, SelectionCannotChangeWhileItRuns) {
    TreeSpec big{Dir("a/", T0)};
    for (int i = 0; i < 4000; ++i)
        big.push_back(File(QStringLiteral("a/%1").arg(i), "x", T0));
    big.push_back(File("z.txt", "keep", T0));
    ASSERT_TRUE(target.add(big));
    openApp();
    scan();
    selectPaths({"a/"});
    bool pressedWhileRunning = false;
    bool listTookInput = true;
    question = std::make_unique<ModalAnswer>([&](QWidget* box) {
        QTimer::singleShot(0, [&] {
            pressedWhileRunning = status(0).startsWith("Lösche: ");
            listTookInput = form().listIconFiles->isEnabled();
            QTest::keyClick(form().listIconFiles, Qt::Key_A, Qt::ControlModifier);
        });
        PressButton(box, "Ja");
    });
    form().checkBoxDelZ->setChecked(true);
    form().buttonSelDel->click();
    ASSERT_TRUE(pressedWhileRunning);
    EXPECT_FALSE(listTookInput);
    EXPECT_FALSE(exists(target.path("a")));
    EXPECT_EQ(contentsOf(target.path("z.txt")), "keep");
    EXPECT_EQ(lineOf("a/"), -1);
    EXPECT_EQ(lines(), 4001); // the unselected rows stay
}

// A folder that cannot be read is unknown, not empty: the scan says so once, its row carries the
// reason, and no operation acts on it.
TEST_F(Delete, UnreadableFolderIsMarkedAndRefusedByEveryOperation) {
    ASSERT_TRUE(target.add({Dir("X/", T0), File("X/thesis.doc", "only copy", T0), Dir("Y/", T0)}));
    ASSERT_TRUE(source.add({Dir("Y/", T0)}));
    PermissionBitsApply asUser;
    if (!asUser.active())
        GTEST_SKIP() << "cannot give up the capabilities that let root read any folder";
    ASSERT_EQ(::chmod(QFile::encodeName(target.path("X")).constData(), 0), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(target.path("Y")).constData(), 0), 0);
    openApp();
    clickAndAnswer(form().buttonScan, "OK");
    EXPECT_TRUE(question->done());
    EXPECT_TRUE(
        questionText().startsWith("Der Scan ist unvollständig: 2 Ordner konnte(n) nicht gelesen werden."))
        << questionText().toStdString();
    ASSERT_EQ(paths(), QStringList({"X/"}));
    EXPECT_EQ(form().listModel->data(form().listModel->index(0, 1), Qt::ToolTipRole).toString(),
              "Ordner konnte nicht gelesen werden");
    selectAll();
    deleteAnswering(false, true, "OK");
    EXPECT_TRUE(questionText().contains("unvollständigen Scan")) << questionText().toStdString();
    selectAll();
    clickAndAnswer(form().buttonSelSync, "OK");
    EXPECT_TRUE(questionText().contains("unvollständigen Scan")) << questionText().toStdString();
    ::chmod(QFile::encodeName(target.path("X")).constData(), 0755);
    EXPECT_EQ(contentsOf(target.path("X/thesis.doc")), "only copy");
    EXPECT_FALSE(exists(source.path("X")));
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

// A deletion the flush did not take to the device is not done: the row stays with the reason.
TEST_F(Delete, FailedFlushKeepsTheRowWithItsReason) {
    ASSERT_TRUE(source.add({File("a.txt", "1", T0)}));
    openApp();
    scan();
    selectPaths({"a.txt"});
    SetFlushFault(0);
    deleteAnswering(true, false, "Ja");
    SetFlushFault(-1);
    EXPECT_EQ(paths(), QStringList({"a.txt"}));
    EXPECT_EQ(toolTip("a.txt"), "Nicht gelöscht: Schreibfehler auf dem Datenträger (Ein-/Ausgabefehler)");
    EXPECT_TRUE(messageText().startsWith("1 Zeile(n) konnten nicht ausgeführt werden."));
}
