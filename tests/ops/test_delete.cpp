#include "OpsWindowFixture.h"

#include "platform/FileName.h"
#include "sets/ModalScript.h"
#include "support/Privileges.h"
#include "support/TrashTools.h"

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
    EXPECT_EQ(questionText(), "1 Datei(en) je in den gewählten Orten löschen - sind Sie sicher?\n"
                              "Die Einträge kommen in den Papierkorb.");
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
    // Deleted for good, one file after the other, the run lasts long enough to be pressed.
    state().sets.sets[0].Options = "OhnePapierkorb";
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

// "Löschen:" of a file and of a folder on either side: each goes to the trash of its own file
// system as one entry, listed by the desktop's tools under its place and restored byte for byte.
TEST_F(Delete, FilesAndFoldersGoToTheTrashAndComeBack) {
    if (!HaveTrashCli())
        GTEST_SKIP() << "trash-cli is not installed";
    ASSERT_TRUE(
        source.add({File("Brief 100%.txt", "eins", T0), Dir("Fotos/", T0), File("Fotos/a.jpg", "jpg", T0)}));
    ASSERT_TRUE(target.add({File("notiz.txt", "zwei", T0), Dir("alt/", T0), Dir("alt/sub/", T0),
                            File("alt/sub/b.txt", "b", T0)}));
    openApp();
    scan();
    selectPaths({"Brief 100%.txt", "Fotos/", "notiz.txt", "alt/"});
    deleteAnswering(true, true, "Ja");
    QStringList left = paths();
    left.sort();
    EXPECT_EQ(left, QStringList({"Fotos/a.jpg", "alt/sub/", "alt/sub/b.txt"}));
    const QStringList removed = {source.path("Brief 100%.txt"), source.path("Fotos"),
                                 target.path("notiz.txt"), target.path("alt")};
    const QByteArrayList listed = TrashListed();
    for (const QString& path : removed) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_FALSE(exists(path));
        EXPECT_EQ(listed.count(EncodeFileName(path)), 1);
        EXPECT_TRUE(TrashRestore(path));
    }
    EXPECT_FALSE(listed.contains(EncodeFileName(source.path("Fotos/a.jpg")))); // in its folder's entry
    EXPECT_EQ(contentsOf(source.path("Brief 100%.txt")), "eins");
    EXPECT_EQ(contentsOf(source.path("Fotos/a.jpg")), "jpg");
    EXPECT_EQ(contentsOf(target.path("alt/sub/b.txt")), "b");
    EXPECT_EQ(contentsOf(target.path("notiz.txt")), "zwei");
}

// What came into a folder after the scan, or changed since, stays with its folders; what the
// scan saw goes, and the row says why it stays.
TEST_F(Delete, FolderKeepsWhatIsNewOrChangedSinceTheScan) {
    struct Case {
        const char* options;
        const char* change;
    };
    for (const Case& c : {Case{"", "new"}, Case{"", "changed"}, Case{"OhnePapierkorb", "new"}}) {
        SCOPED_TRACE(std::string(c.options) + c.change);
        TestTree one({Dir("Projekt/", T0), File("Projekt/alt.txt", "alt", T0), Dir("Projekt/sub/", T0),
                      File("Projekt/sub/x.txt", "x", T0), Dir("Projekt/leer/", T0)});
        TestTree two;
        openAppOn(one.path(), two.path());
        state().sets.sets[0].Options = c.options;
        scan();
        if (QByteArray(c.change) == "new")
            ASSERT_TRUE(one.add({File("Projekt/sub/neu-heute.txt", "neu", T0 + 99)}));
        else
            writeBytes(one.path("Projekt/sub/x.txt"), "x geändert");
        selectPaths({"Projekt/"});
        deleteAnswering(true, false, "Ja");
        const QString kept = QByteArray(c.change) == "new" ? "sub/neu-heute.txt" : "sub/x.txt";
        EXPECT_EQ(one.read().size(), 3u);
        EXPECT_TRUE(exists(one.path("Projekt/") + kept));
        EXPECT_FALSE(exists(one.path("Projekt/alt.txt")));
        EXPECT_FALSE(exists(one.path("Projekt/leer")));
        EXPECT_EQ(toolTip("Projekt/"),
                  "Nicht gelöscht: Seit dem Scan neu oder verändert, darum behalten: " + kept);
        app.reset();
    }
}

// With the set's box unticked, "Löschen:" deletes for good, as described, and says so.
TEST_F(Delete, SetWithoutTrashDeletesForGood) {
    ASSERT_TRUE(source.add({File("weg.txt", "w", T0), Dir("d/", T0), File("d/f.txt", "f", T0)}));
    openApp();
    state().sets.sets[0].Options = "OhnePapierkorb";
    scan();
    selectAll();
    deleteAnswering(true, false, "Ja");
    EXPECT_TRUE(questionText().endsWith("\nDie Einträge werden endgültig gelöscht."));
    EXPECT_EQ(source.read(), TreeSpec());
    EXPECT_FALSE(TrashListed().contains(EncodeFileName(source.path("weg.txt"))));
    EXPECT_FALSE(
        QDir(qEnvironmentVariable("XDG_DATA_HOME") + "/Trash/files").entryList().contains("weg.txt"));
}

// A file system whose trash cannot be had (its trash folder is a link, or the top folder takes
// no new folder) is asked about once: "Endgültig löschen" deletes, "Auslassen" keeps the rows.
TEST_F(Delete, NoTrashAsksOnceAndDoesWhatTheUserSays) {
    struct Case {
        bool link;
        QString answer;
    };
    for (const Case& c : {Case{true, "Endgültig löschen"}, Case{true, "Auslassen"}, Case{false, "Auslassen"},
                          Case{false, "Endgültig löschen"}}) {
        SCOPED_TRACE((c.answer + (c.link ? " link" : " no rights")).toStdString());
        OtherFileSystem other;
        if (!other.ok())
            GTEST_SKIP() << "cannot mount a tmpfs here";
        ASSERT_TRUE(
            BuildTree(other.path(), {Dir("q/", T0), File("q/a.txt", "a", T0), File("q/b.txt", "b", T0)}));
        const QByteArray top = QFile::encodeName(other.path()).chopped(1);
        std::unique_ptr<PermissionBitsApply> asUser;
        if (c.link) {
            ASSERT_EQ(::symlink("/tmp", (top + "/.Trash-" + QByteArray::number(getuid())).constData()), 0);
        } else {
            ASSERT_EQ(::chmod(top.constData(), 0555), 0);
            asUser = std::make_unique<PermissionBitsApply>();
            if (!asUser->active())
                GTEST_SKIP() << "cannot give up the capabilities that ignore permission bits";
        }
        TestTree two;
        openAppOn(other.path() + "q/", two.path());
        scan();
        selectAll();
        form().checkBoxDelQ->setChecked(true);
        ModalScript script({[](QWidget* box) { PressButton(box, "Ja"); },
                            [&c](QWidget* box) { PressButton(box, c.answer); }});
        form().buttonSelDel->click();
        asUser.reset();
        // The rows kept are told about as any that could not be carried out.
        ASSERT_EQ(script.seen.size(), c.answer == "Auslassen" ? 3 : 2);
        EXPECT_TRUE(script.seen[1].startsWith("2 Eintrag/Einträge können nicht in den Papierkorb: auf " +
                                              other.path().chopped(1)))
            << script.seen[1].toStdString();
        const bool forGood = c.answer == "Endgültig löschen";
        EXPECT_EQ(exists(other.path() + "q/a.txt"), !forGood);
        EXPECT_EQ(exists(other.path() + "q/b.txt"), !forGood);
        EXPECT_EQ(lines(), forGood ? 0 : 2);
        if (!forGood) {
            EXPECT_EQ(toolTip("a.txt"), "Nicht gelöscht: Auf diesem Datenträger gibt es keinen Papierkorb");
        }
        ::chmod(top.constData(), 0755);
        app.reset();
    }
}
