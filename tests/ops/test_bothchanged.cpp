#include "OpsWindowFixture.h"

#include "commonstate/CommonStateFile.h"
#include "platform/DirectoryListing.h"
#include "platform/FileName.h"
#include "scan/ResultCells.h"
#include "sets/ModalScript.h"
#include "support/Privileges.h"
#include "support/TrashTools.h"

#include <QColor>
#include <QDateTime>
#include <QHelpEvent>
#include <QTableView>
#include <QToolTip>
#include <sys/stat.h>

namespace {

constexpr int64_t T0 = 1500000000;

int32_t localNow() {
    return LocalSecondsOf(QDateTime::currentSecsSinceEpoch(), LocalUtcOffsetNow());
}

class BothChanged : public OpsWindow {
protected:
    // Both sides in step and scanned, so their common state is kept; then changed on disk.
    void inStepThenChanged(const TreeSpec& side1, const TreeSpec& side2) {
        const TreeSpec common = {File("same.txt", "s", T0), File("one.txt", "o", T0),
                                 File("both.txt", "b", T0)};
        ASSERT_TRUE(source.add(common) && target.add(common));
        openApp();
        scanned[0] = localNow();
        scan();
        scanned[1] = localNow();
        ASSERT_EQ(lines(), 0);
        ASSERT_TRUE(source.add(side1) && target.add(side2));
    }
    void editBothAndOne() {
        inStepThenChanged({File("both.txt", "mine", T0 + 100), File("one.txt", "one", T0 + 100)},
                          {File("both.txt", "theirs", T0 + 50)});
    }
    QVariant data(const QString& path, int role) {
        return form().listModel->data(form().listModel->index(lineOf(path), ColumnPath), role);
    }
    QStringList stateFiles() { return QDir(programDir.path()).entryList({"Tandrix-Stand-*"}, QDir::Files); }
    // Sync of every line, the questions answered in turn; returns what they asked.
    QStringList syncAll(std::vector<ModalScript::Answer> answers) {
        selectAll();
        for (ModalScript::Answer& answer : answers)
            answer = [&, answer](QWidget* box) {
                titles << box->windowTitle();
                answer(box);
            };
        ModalScript script(std::move(answers));
        form().buttonSelSync->click();
        return script.seen;
    }
    // The tool tip the list shows over the "?" cell of a path; that column never cuts its text.
    QString tipOver(const QString& path) {
        QTableView* list = form().listIconFiles;
        const QPoint at = list->visualRect(form().listModel->index(lineOf(path), ColumnAction)).center();
        QHelpEvent help(QEvent::ToolTip, at, list->viewport()->mapToGlobal(at));
        QApplication::sendEvent(list->viewport(), &help);
        const QString tip = QToolTip::isVisible() ? QToolTip::text() : QString();
        QToolTip::hideText();
        return tip;
    }
    void expectNormal(const QString& path, const QColor& colour) {
        EXPECT_EQ(data(path, Qt::ForegroundRole).value<QColor>(), colour) << path.toStdString();
        EXPECT_EQ(tipOver(path), "") << path.toStdString();
    }

    int32_t scanned[2] = {0, 0};
    QStringList titles;
};

const QString Warning =
    "1 Datei(en) wurden auf beiden Seiten geändert. Trotzdem überschreiben? (Nein: diese Dateien auslassen)";

} // namespace

TEST_F(BothChanged, OnlyAFileChangedOnBothSidesIsRedWithTheTimeOfTheCommonState) {
    editBothAndOne();
    ASSERT_EQ(stateFiles().size(), 1);
    struct stat kept {};
    ASSERT_EQ(::stat(QFile::encodeName(programDir.filePath(stateFiles()[0])), &kept), 0);
    scan();
    EXPECT_EQ(paths(), QStringList({"both.txt", "one.txt"}));
    EXPECT_EQ(status(0), "Listen-Anzahl: 2 (2>  0<  0!)");
    EXPECT_EQ(cell(lineOf("both.txt"), ColumnAction), ">");
    expectNormal("one.txt", QColor(0, 200, 0));
    EXPECT_EQ(data("both.txt", Qt::ForegroundRole).value<QColor>(), QColor(220, 0, 0));
    const QString tip = tipOver("both.txt");
    bool fromFirstScan = false;
    for (int32_t t = scanned[0]; t <= scanned[1]; ++t)
        fromFirstScan |= tip == "Auf beiden Seiten geändert seit dem letzten Abgleich " + DateText(t);
    EXPECT_TRUE(fromFirstScan) << tip.toStdString();
    // A scan that finds nothing new in step leaves the state file as it was.
    struct stat after {};
    ASSERT_EQ(::stat(QFile::encodeName(programDir.filePath(stateFiles()[0])), &after), 0);
    EXPECT_EQ(after.st_ino, kept.st_ino);
}

class BothChangedAnswer : public BothChanged, public ::testing::WithParamInterface<bool> {};

TEST_P(BothChangedAnswer, NeinLeavesTheRowOutSelectedAndJaOverwrites) {
    const bool overwrite = GetParam();
    editBothAndOne();
    scan();
    const QStringList asked = syncAll({Yes(), overwrite ? Yes() : No()});
    EXPECT_EQ(asked, QStringList({"2 Datei(en) synchronisieren  - sind Sie sicher?", Warning}));
    EXPECT_EQ(titles.value(1), "Tandrix: Auf beiden Seiten geändert");
    EXPECT_EQ(contentsOf(target.path("one.txt")), "one");
    EXPECT_EQ(contentsOf(source.path("both.txt")), "mine");
    EXPECT_EQ(contentsOf(target.path("both.txt")), overwrite ? "mine" : "theirs");
    EXPECT_EQ(paths(), overwrite ? QStringList() : QStringList({"both.txt"}));
    EXPECT_EQ(status(2), overwrite ? "0" : "1");
    // What was carried out is in step now; what was left out still differs from the old state.
    scan();
    EXPECT_EQ(paths(), overwrite ? QStringList() : QStringList({"both.txt"}));
    if (!overwrite) {
        EXPECT_EQ(data("both.txt", Qt::ForegroundRole).value<QColor>(), QColor(220, 0, 0));
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, BothChangedAnswer, ::testing::Values(false, true));

enum class Loss { Deleted, Truncated, Foreign };
class BothChangedLost : public BothChanged, public ::testing::WithParamInterface<Loss> {};

TEST_P(BothChangedLost, WithoutAReadableStateTheListIsAsDescribedAndTheStateIsMadeAnew) {
    editBothAndOne();
    const QString file = programDir.filePath(stateFiles().value(0));
    const QByteArray bytes = readBytes(file);
    if (GetParam() == Loss::Deleted)
        ASSERT_TRUE(QFile::remove(file));
    else
        writeBytes(file, GetParam() == Loss::Truncated ? bytes.left(bytes.size() - 5) : "[Generell]\r\n");
    scan();
    EXPECT_EQ(paths(), QStringList({"both.txt", "one.txt"}));
    expectNormal("both.txt", QColor(0, 200, 0));
    const StateKey key = StateKeyOf(state().hostName, source.path(), target.path(), state().machineId);
    const CommonState kept = LoadCommonState(programDir.path(), key);
    EXPECT_EQ(kept.fileCount(), 3u); // same.txt in step, the two that differ only seen
    for (const char* path : {"same.txt", "one.txt", "both.txt"})
        ASSERT_TRUE(FindRemembered(kept, path)) << path;
    EXPECT_TRUE(FindRemembered(kept, "same.txt")->inStep);
    EXPECT_FALSE(FindRemembered(kept, "both.txt")->inStep);
    EXPECT_EQ(syncAll({Yes()}).size(), 1);
    EXPECT_EQ(contentsOf(target.path("both.txt")), "mine");
}

INSTANTIATE_TEST_SUITE_P(Losses, BothChangedLost,
                         ::testing::Values(Loss::Deleted, Loss::Truncated, Loss::Foreign));

// Two computers share the stick, the settings file on it and the path of their work folder. A file
// that A makes and syncs and B makes too is new on both sides at B.
TEST_F(BothChanged, EachComputerKeepsItsOwnStateAndTheRoundTripIsFlaggedAtTheSecond) {
    QTemporaryDir place;
    const QString work = place.path() + "/Arbeit";
    TestTree computer[2];
    ASSERT_TRUE(target.add({File("f.txt", "v0", T0)}));
    const auto at = [&](int which, const std::function<void()>& steps) {
        const QString own = computer[which].path().chopped(1);
        ASSERT_TRUE(QDir().rename(own, work));
        openAppOn(work + "/", target.path());
        state().hostName = which == 0 ? "rechner-a" : "rechner-b";
        steps();
        app.reset();
        ASSERT_TRUE(QDir().rename(work, own));
    };
    for (int which : {0, 1}) {
        ASSERT_TRUE(computer[which].add({File("f.txt", "v0", T0)}));
        at(which, [&] {
            scan();
            EXPECT_EQ(lines(), 0);
        });
    }
    EXPECT_EQ(stateFiles().size(), 2);
    at(0, [&] {
        ASSERT_TRUE(
            BuildTree(work + "/", {File("f.txt", "v1 von A", T0 + 100), File("n.txt", "A", T0 + 100)}));
        scan();
        expectNormal("f.txt", QColor(0, 200, 0));
        syncAll({Yes()});
    });
    ASSERT_EQ(contentsOf(target.path("f.txt")), "v1 von A");
    at(1, [&] {
        ASSERT_TRUE(
            BuildTree(work + "/", {File("f.txt", "v2 von B", T0 + 200), File("n.txt", "B", T0 + 86500)}));
        for (int again = 0; again < 2; ++again) {
            scan();
            ASSERT_EQ(paths(), QStringList({"f.txt", "n.txt"}));
            EXPECT_EQ(cell(0, ColumnAction), ">");
            for (const char* path : {"f.txt", "n.txt"})
                EXPECT_EQ(data(path, Qt::ForegroundRole).value<QColor>(), QColor(220, 0, 0)) << again;
        }
        EXPECT_EQ(syncAll({Yes(), No()}).value(1), QString(Warning).replace(0, 1, "2"));
    });
    EXPECT_EQ(contentsOf(target.path("f.txt")), "v1 von A");
    EXPECT_EQ(contentsOf(target.path("n.txt")), "A");
    EXPECT_EQ(contentsOf(computer[1].path("f.txt")), "v2 von B");
}

// After a sync, what is deleted on one side is told so by each scan until the deletion is settled.
TEST_F(BothChanged, ADeletionAfterASyncIsToldByEveryScan) {
    ASSERT_TRUE(source.add({File("a.txt", "a", T0), File("ordner/b.txt", "b", T0), File("c.txt", "c", T0)}));
    openApp();
    scan();
    syncAll({Yes()});
    ASSERT_TRUE(QFile::remove(target.path("a.txt")) && QDir(target.path("ordner")).removeRecursively() &&
                QFile::remove(source.path("c.txt")) && target.add({File("c.txt", "c2", T0 + 100)}));
    for (int again = 0; again < 2; ++again) {
        scan();
        QStringList since;
        for (const ResultRow& row : std::as_const(state().rows.rows))
            since << row.path + ' ' + QString::number(row.sinceSync);
        EXPECT_EQ(since, QStringList({"a.txt " + QString::number(DeletedOn2),
                                      "c.txt " + QString::number(DeletedOn1ChangedOn2),
                                      "ordner/ " + QString::number(DeletedOn2),
                                      "ordner/b.txt " + QString::number(DeletedOn2)}));
    }
}

namespace {

const QString DeletedQuestion = "Tandrix: Seit dem letzten Abgleich gelöscht";

ModalScript::Answer Press(const QString& caption) {
    return [caption](QWidget* box) { PressButton(box, caption); };
}

// Both sides in step after a sync and a scan; then `deleted` (0 or 1) loses a file and a folder,
// and a file deleted there is changed on the other side, where a new file appears too.
class DeletedSince : public BothChanged, public ::testing::WithParamInterface<std::tuple<int, QString>> {
protected:
    void syncedThenDeletedOn(int deleted) {
        ASSERT_TRUE(
            source.add({File("a.txt", "a", T0), File("ordner/b.txt", "b", T0), File("c.txt", "c", T0)}));
        openApp();
        scan();
        syncAll({Yes()});
        scan();
        ASSERT_EQ(lines(), 0);
        TestTree& gone = deleted == 0 ? source : target;
        TestTree& kept = deleted == 0 ? target : source;
        ASSERT_TRUE(QFile::remove(gone.path("a.txt")) && QDir(gone.path("ordner")).removeRecursively() &&
                    QFile::remove(gone.path("c.txt")) &&
                    kept.add({File("c.txt", "c2", T0 + 100), File("new.txt", "n", T0)}));
    }
};

} // namespace

// A file and a folder deleted on one side since the last sync: Sync asks, and each answer does what
// it says; a file deleted there but changed here, and a new file, are copied without a question.
TEST_P(DeletedSince, SyncAsksAndEachAnswerDoesWhatItSays) {
    const auto [deleted, answer] = GetParam();
    syncedThenDeletedOn(deleted);
    scan();
    EXPECT_TRUE(tipOver("a.txt").contains(
        QString("Seit dem letzten Abgleich auf Seite %1 gelöscht").arg(deleted + 1)));
    EXPECT_TRUE(tipOver("c.txt").contains("gelöscht, auf Seite"));
    titles.clear();
    const QStringList asked = syncAll({Yes(), Press(answer)});
    ASSERT_EQ(titles.value(1), DeletedQuestion);
    EXPECT_TRUE(
        asked.value(1).startsWith("3 Datei(en) wurden seit dem letzten Abgleich auf einer Seite gelöscht."))
        << asked.value(1).toStdString();
    TestTree& gone = deleted == 0 ? source : target;
    TestTree& kept = deleted == 0 ? target : source;
    for (TestTree* tree : {&source, &target}) {
        EXPECT_EQ(contentsOf(tree->path("c.txt")), "c2");
        EXPECT_EQ(contentsOf(tree->path("new.txt")), "n");
    }
    const bool deleteThere = answer == "Auch dort löschen";
    const bool copyBack = answer == "Zurückkopieren";
    EXPECT_EQ(exists(kept.path("a.txt")), !deleteThere);
    EXPECT_EQ(exists(kept.path("ordner/b.txt")), !deleteThere);
    EXPECT_EQ(exists(kept.path("ordner")), !deleteThere);
    EXPECT_EQ(exists(gone.path("a.txt")), copyBack);
    EXPECT_EQ(exists(gone.path("ordner/b.txt")), copyBack);
    const QStringList leftOut = {"a.txt", "ordner/", "ordner/b.txt"};
    EXPECT_EQ(paths(), copyBack || deleteThere ? QStringList() : leftOut);
    if (!copyBack && !deleteThere) {
        EXPECT_EQ(status(2), "3"); // still selected
    }
    titles.clear();
    scan();
    EXPECT_EQ(paths(), copyBack || deleteThere ? QStringList() : leftOut);
}

INSTANTIATE_TEST_SUITE_P(Answers, DeletedSince,
                         ::testing::Combine(::testing::Values(0, 1),
                                            ::testing::Values("Auch dort löschen", "Zurückkopieren",
                                                              "Auslassen")));

class RenamedSince : public BothChanged, public ::testing::WithParamInterface<int> {};

// A folder of 100 files and a single file renamed on one side since the last sync are renamed on
// the other: the files keep their inodes there. Two renamed files of equal size and date are
// copied, as neither can be told from the other.
TEST_P(RenamedSince, AuchDortLoeschenRenamesOnTheOtherSide) {
    const int renamed = GetParam();
    TreeSpec files{File("brief.txt", "Lieber Hans", T0), File("x1.txt", "one", T0 + 5),
                   File("x2.txt", "two", T0 + 5)};
    for (int i = 0; i < 100; ++i)
        files.push_back(File(QString("Fotos/%1.jpg").arg(i), QByteArray::number(i), T0 + i));
    ASSERT_TRUE(source.add(files));
    openApp();
    scan();
    syncAll({Yes()});
    scan();
    ASSERT_EQ(lines(), 0);
    TestTree& here = renamed == 0 ? source : target;
    TestTree& there = renamed == 0 ? target : source;
    const auto inode = [](const QString& path) {
        struct stat st {};
        return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : ino_t(0);
    };
    const ino_t photo = inode(there.path("Fotos/7.jpg"));
    const ino_t letter = inode(there.path("brief.txt"));
    const ino_t one = inode(there.path("x1.txt"));
    QDir dir(here.path());
    ASSERT_TRUE(dir.rename("Fotos", "Fotos 2024") && dir.rename("brief.txt", "brief-alt.txt") &&
                dir.rename("x1.txt", "y1.txt") && dir.rename("x2.txt", "y2.txt"));
    scan();
    EXPECT_EQ(lines(), 2 * 101 + 2 + 4);
    titles.clear();
    syncAll({Yes(), Press("Auch dort löschen")});
    EXPECT_EQ(titles.value(1), DeletedQuestion);
    EXPECT_FALSE(exists(there.path("Fotos")));
    EXPECT_EQ(inode(there.path("Fotos 2024/7.jpg")), photo);
    EXPECT_EQ(contentsOf(there.path("Fotos 2024/99.jpg")), "99");
    EXPECT_FALSE(exists(there.path("brief.txt")));
    EXPECT_EQ(inode(there.path("brief-alt.txt")), letter);
    EXPECT_FALSE(exists(there.path("x1.txt")) || exists(there.path("x2.txt")));
    EXPECT_EQ(contentsOf(there.path("y1.txt")), "one");
    EXPECT_NE(inode(there.path("y1.txt")), one); // copied: it could not be told from x2.txt
    EXPECT_EQ(contentsOf(there.path("y2.txt")), "two");
    EXPECT_EQ(lines(), 0);
    titles.clear();
    scan();
    EXPECT_EQ(paths(), QStringList());
    EXPECT_EQ(syncAll({}).size(), 0); // nothing selected, nothing asked
}

INSTANTIATE_TEST_SUITE_P(Sides, RenamedSince, ::testing::Values(0, 1));

namespace {

const QString OlderQuestion = "Tandrix: Ältere Fassung übernehmen";

// The boldest answer of every box: deletes where it can, overwrites where it is asked, else Enter.
ModalScript::Answer Boldest() {
    return [](QWidget* box) {
        for (const char* caption : {"Auch dort löschen", "Ja"})
            for (QAbstractButton* button : box->findChildren<QAbstractButton*>())
                if (button->text() == caption)
                    return button->click();
        PressEnter(box);
    };
}

class ChangeWins : public BothChanged, public ::testing::WithParamInterface<std::tuple<int, QString>> {};

} // namespace

// A version restored with its older date on one side since the last sync: the row copies from
// that side and says why; the box asks once and each answer does what it says.
TEST_P(ChangeWins, ARestoredOlderVersionIsCopiedFromItsSide) {
    const auto [side, answer] = GetParam();
    TestTree* trees[2] = {&source, &target};
    inStepThenChanged({}, {});
    ASSERT_TRUE(source.add({File("Briefe/protokoll.odt", "heute", T0 + 5000)}) &&
                target.add({File("Briefe/protokoll.odt", "heute", T0 + 5000)}));
    scan();
    ASSERT_EQ(lines(), 0);
    ASSERT_TRUE(trees[side]->add({File("Briefe/protokoll.odt", "letzte Woche", T0)}));
    scan();
    ASSERT_EQ(paths(), QStringList({"Briefe/protokoll.odt"}));
    EXPECT_EQ(cell(0, ColumnAction), side == 0 ? ">" : "<");
    EXPECT_EQ(status(0), side == 0 ? "Listen-Anzahl: 1 (1>  0<  0!)" : "Listen-Anzahl: 1 (0>  1<  0!)");
    EXPECT_EQ(tipOver("Briefe/protokoll.odt"),
              QString("Seit dem letzten Abgleich auf Seite %1 geändert (älteres Datum)").arg(side + 1));
    titles.clear();
    const QStringList asked = syncAll({Yes(), Press(answer)});
    ASSERT_EQ(titles.value(1), OlderQuestion);
    EXPECT_TRUE(asked.value(1).startsWith("1 Datei(en) wurden seit dem letzten Abgleich geändert und tragen "
                                          "ein älteres Datum als auf der anderen Seite."));
    const QByteArray expected = answer == "Übernehmen"        ? "letzte Woche"
                                : answer == "Neuere behalten" ? "heute"
                                                              : QByteArray();
    for (TestTree* tree : trees)
        EXPECT_EQ(contentsOf(tree->path("Briefe/protokoll.odt")),
                  expected.isEmpty() ? QByteArray(tree == trees[side] ? "letzte Woche" : "heute") : expected);
    EXPECT_EQ(paths(), expected.isEmpty() ? QStringList({"Briefe/protokoll.odt"}) : QStringList());
    if (expected.isEmpty()) {
        EXPECT_EQ(status(2), "1"); // still selected
    }
    titles.clear();
    scan();
    EXPECT_EQ(lines(), expected.isEmpty() ? 1 : 0);
    EXPECT_TRUE(titles.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Answers, ChangeWins,
                         ::testing::Combine(::testing::Values(0, 1),
                                            ::testing::Values("Übernehmen", "Neuere behalten", "Auslassen")));

// Computer B's clock is 400 days behind: its edit travels over the stick to A all the same.
TEST_F(BothChanged, AnEditOnAComputerWhoseClockIsBehindReachesTheOther) {
    QTemporaryDir place;
    const QString work = place.path() + "/Arbeit";
    TestTree computer[2];
    ASSERT_TRUE(target.add({File("f.txt", "v0", T0)}));
    const auto at = [&](int which, const std::function<void()>& steps) {
        const QString own = computer[which].path().chopped(1);
        ASSERT_TRUE(QDir().rename(own, work));
        openAppOn(work + "/", target.path());
        state().hostName = which == 0 ? "rechner-a" : "rechner-b";
        steps();
        app.reset();
        ASSERT_TRUE(QDir().rename(work, own));
    };
    for (int which : {0, 1}) {
        ASSERT_TRUE(computer[which].add({File("f.txt", "v0", T0)}));
        at(which, [&] { scan(); });
    }
    at(1, [&] {
        ASSERT_TRUE(BuildTree(work + "/", {File("f.txt", "v1 von B", T0 - 400 * 86400)}));
        scan();
        EXPECT_EQ(cell(0, ColumnAction), ">");
        syncAll({Yes(), Press("Übernehmen")});
    });
    EXPECT_EQ(contentsOf(target.path("f.txt")), "v1 von B");
    at(0, [&] {
        scan();
        EXPECT_EQ(cell(0, ColumnAction), "<");
        EXPECT_EQ(tipOver("f.txt"), "Seit dem letzten Abgleich auf Seite 2 geändert (älteres Datum)");
        syncAll({Yes(), Press("Übernehmen")});
    });
    EXPECT_EQ(contentsOf(computer[0].path("f.txt")), "v1 von B");
}

// Files dated in the future: one note after the scan, once per run of the program.
TEST_F(BothChanged, FilesDatedInTheFutureAreNamedOnce) {
    ASSERT_TRUE(source.add({File("morgen.txt", "m", localNow() + 3 * 86400), File("heute.txt", "h", T0)}));
    openApp();
    for (int again = 0; again < 2; ++again) {
        stray = std::make_unique<ModalAnswer>([](QWidget* box) { PressButton(box, "OK"); }, 1500);
        scan();
        EXPECT_EQ(messageShown(), again == 0);
    }
    EXPECT_EQ(messageText(), "");
    EXPECT_EQ(state().scan.FutureDated, 1);
    EXPECT_TRUE(FutureDatedText(1).startsWith("1 Datei(en) tragen ein Datum"));
}

namespace {

struct KeptCase {
    const char* name;
    TreeSpec common;                                  // on both sides and in step
    std::function<bool(TestTree&, TestTree&)> change; // on the computer and on the stick
    QStringList computer;                             // "path=contents" expected on both sides afterwards
    bool deletes = false; // the user deleted or moved away a file: that row says so
};

class NothingKeptIsLost : public BothChanged, public ::testing::WithParamInterface<KeptCase> {};

QStringList contentsIn(const TestTree& tree, const QStringList& expected) {
    QStringList out;
    for (const QString& entry : expected)
        out << entry.section('=', 0, 0) + '=' + readBytes(tree.path(entry.section('=', 0, 0)));
    return out;
}

bool rename(TestTree& tree, const QString& from, const QString& to) {
    return QDir(tree.path()).rename(from, to);
}

} // namespace

// Whatever the memory of the last sync reads wrongly, a Sync with every question answered boldly
// keeps every contents the user did not delete, and both sides end alike.
TEST_P(NothingKeptIsLost, EveryContentsTheUserKeptStays) {
    const KeptCase& c = GetParam();
    ASSERT_TRUE(source.add(c.common) && target.add(c.common));
    openApp();
    scan();
    ASSERT_EQ(lines(), 0);
    ASSERT_TRUE(c.change(source, target));
    scan();
    for (int line = 0; line < lines() && !c.deletes; ++line)
        EXPECT_FALSE(tipOver(cell(line, ColumnPath)).endsWith("gelöscht"))
            << cell(line, ColumnPath).toStdString();
    syncAll(std::vector<ModalScript::Answer>(5, Boldest()));
    EXPECT_EQ(contentsIn(source, c.computer), c.computer);
    EXPECT_EQ(contentsIn(target, c.computer), c.computer);
    scan();
    EXPECT_EQ(paths(), QStringList());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NothingKeptIsLost,
    ::testing::Values(
        KeptCase{"RenamedByCaseAndANewOne",
                 {File("Notes.txt", "alt", T0)},
                 [](TestTree& pc, TestTree&) {
                     return rename(pc, "Notes.txt", "notes.txt") &&
                            pc.add({File("Notes.txt", "neu", T0 + 10)});
                 },
                 {"Notes.txt=neu", "notes.txt=alt"}},
        KeptCase{"EditedTwoSecondsLaterDeletedOnTheStick",
                 {File("a.txt", "aaaa", T0)},
                 [](TestTree& pc, TestTree& stick) {
                     return pc.add({File("a.txt", "bbbb", T0 + 2)}) && QFile::remove(stick.path("a.txt"));
                 },
                 {"a.txt=bbbb"}},
        KeptCase{"EditedAnHourAndTwoSecondsLater",
                 {File("a.txt", "aaaa", T0)},
                 [](TestTree& pc, TestTree& stick) {
                     return pc.add({File("a.txt", "bbbb", T0 + 3602)}) && QFile::remove(stick.path("a.txt"));
                 },
                 {"a.txt=bbbb"}},
        KeptCase{"FreedInodeGivenToACopy",
                 {File("a.dat", QByteArray(1000, 'A'), T0), File("b.dat", QByteArray(1000, 'B'), T0)},
                 [](TestTree& pc, TestTree&) {
                     return QFile::remove(pc.path("a.dat")) &&
                            pc.add({File("c.dat", QByteArray(1000, 'B'), T0)});
                 },
                 {"b.dat=" + QString(1000, 'B'), "c.dat=" + QString(1000, 'B')},
                 true},
        KeptCase{"SwappedAndMovedOntoAnotherName",
                 {File("a.txt", "A", T0), File("b.txt", "BB", T0 + 10),
                  File("config.ini", "schlecht", T0 + 50), File("config.ini.bak", "gut", T0)},
                 [](TestTree& pc, TestTree&) {
                     return rename(pc, "a.txt", "x") && rename(pc, "b.txt", "a.txt") &&
                            rename(pc, "x", "b.txt") && QFile::remove(pc.path("config.ini")) &&
                            rename(pc, "config.ini.bak", "config.ini");
                 },
                 {"a.txt=BB", "b.txt=A", "config.ini=gut"},
                 true}),
    [](const ::testing::TestParamInfo<KeptCase>& info) { return info.param.name; });

// Two installations both called "debian" share the program's folder, the stick and the path of
// their work folder. A memory kept before machine ids were goes on at the installation whose files
// it remembers (a.txt deleted there is still known as deleted) and is not used at the other one;
// from then on each keeps its own: B's new file is never proposed for deletion at A.
TEST_F(BothChanged, TwoMachinesOfOneHostNameKeepTheirOwnMemory) {
    QTemporaryDir place;
    const QString work = place.path() + "/Arbeit";
    TestTree computer[2];
    const auto at = [&](int which, const QString& machine, const std::function<void()>& steps) {
        const QString own = computer[which].path().chopped(1);
        ASSERT_TRUE(QDir().rename(own, work));
        openAppOn(work + "/", target.path());
        state().hostName = "debian";
        state().machineId = machine;
        steps();
        app.reset();
        ASSERT_TRUE(QDir().rename(work, own));
    };
    ASSERT_TRUE(computer[0].add({File("a.txt", "a", T0), File("a2.txt", "a2", T0)}));
    at(0, "", [&] { // before machine ids were kept
        scan();
        syncAll({Yes()});
        scan();
    });
    ASSERT_TRUE(computer[1].add({File("n.txt", "von B", T0)}));
    at(1, QString(32, 'b'), [&] {
        scan();
        for (const ResultRow& row : std::as_const(state().rows.rows))
            EXPECT_EQ(row.sinceSync, NothingKnown) << row.path.toStdString();
        syncAll({Yes()});
    });
    ASSERT_TRUE(QFile::remove(computer[0].path("a2.txt")));
    at(0, QString(32, 'a'), [&] {
        scan();
        QStringList since;
        for (const ResultRow& row : std::as_const(state().rows.rows))
            since << row.path + ' ' + row.action + QString::number(row.sinceSync);
        EXPECT_EQ(since, QStringList({"a2.txt <" + QString::number(DeletedOn1), "n.txt <0"}));
    });
    EXPECT_EQ(stateFiles().size(), 3);
    for (const char* path : {"a.txt", "a2.txt", "n.txt"})
        EXPECT_TRUE(exists(target.path(path))) << path;
}

class UnsavedMemory : public BothChanged, public ::testing::WithParamInterface<bool> {};

// vertrag.pdf in step, then deleted on side 1; the program's folder and its memory file become
// read-only before the scan or only before the sync. The failed save is told once, with its reason, and a
// memory that is not current proposes no deletion: vertrag.pdf is copied back, and after a restore it stays.
TEST_P(UnsavedMemory, AFailedSaveIsToldOnceAndProposesNoDeletion) {
    const bool beforeScan = GetParam();
    ASSERT_TRUE(source.add({File("vertrag.pdf", "v", T0), File("x.txt", "x", T0)}));
    openApp();
    scan();
    syncAll({Yes()});
    scan();
    ASSERT_TRUE(QFile::remove(source.path("vertrag.pdf")));
    PermissionBitsApply asUser;
    ASSERT_TRUE(asUser.active());
    const QByteArray folder = QFile::encodeName(programDir.path());
    ASSERT_EQ(stateFiles().size(), 1);
    const QByteArray file = QFile::encodeName(programDir.filePath(stateFiles()[0]));
    ASSERT_EQ(::chmod(file.constData(), 0444), 0);
    QStringList told;
    if (beforeScan) {
        ASSERT_EQ(::chmod(folder.constData(), 0555), 0);
    }
    {
        ModalScript script({Ok()});
        scan();
        told = script.seen;
    }
    if (!beforeScan) {
        ASSERT_EQ(told, QStringList());
        ASSERT_EQ(::chmod(folder.constData(), 0555), 0);
        ASSERT_EQ(state().rows.rows.value(0).sinceSync, DeletedOn1);
        told = syncAll({Yes(), Press("Auch dort löschen"), Ok()}).mid(2);
        ASSERT_FALSE(exists(target.path("vertrag.pdf")));
        ASSERT_TRUE(source.add({File("vertrag.pdf", "v", T0)})); // back from the trash
        scan();
    }
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].startsWith("Das Gedächtnis des letzten Abgleichs konnte nicht gespeichert werden:\n" +
                                   programDir.path() + "\nGrund: Keine Schreibrechte\n"))
        << told[0].toStdString();
    ASSERT_EQ(paths(), QStringList({"vertrag.pdf"}));
    EXPECT_EQ(state().rows.rows[0].sinceSync, NothingKnown);
    EXPECT_EQ(syncAll({Yes()}).size(), 1); // no question of deletions, no second box
    ASSERT_EQ(::chmod(folder.constData(), 0755), 0);
    for (TestTree* tree : {&source, &target}) {
        EXPECT_EQ(contentsOf(tree->path("vertrag.pdf")), "v");
        EXPECT_EQ(contentsOf(tree->path("x.txt")), "x");
    }
}

INSTANTIATE_TEST_SUITE_P(Moments, UnsavedMemory, ::testing::Values(true, false));

// A Sync that deletes ("Auch dort löschen") and replaces puts the file, the folder (as one entry)
// and the replaced version into the trash, from where they come back; with the set's box
// unticked they go for good, as described.
TEST_F(BothChanged, SyncPutsWhatItDeletesAndReplacesIntoTheTrash) {
    if (!HaveTrashCli())
        GTEST_SKIP() << "trash-cli is not installed";
    for (const bool toTrash : {true, false}) {
        SCOPED_TRACE(toTrash);
        TestTree one({File("a.txt", "a", T0), File("ordner/b.txt", "b", T0),
                      File("ordner/sub/c.txt", "c", T0), File("r.txt", "alt", T0)});
        TestTree two;
        openAppOn(one.path(), two.path());
        state().sets.sets[0].Options = toTrash ? "" : "OhnePapierkorb";
        scan();
        syncAll({Yes()});
        ASSERT_TRUE(QFile::remove(two.path("a.txt")) && QDir(two.path("ordner")).removeRecursively());
        ASSERT_TRUE(one.add({File("r.txt", "neu", T0 + 100)}));
        scan();
        const QStringList asked = syncAll({Yes(), Press("Auch dort löschen")});
        EXPECT_TRUE(asked.value(1).endsWith(toTrash ? "\nDie Einträge kommen in den Papierkorb."
                                                    : "\nDie Einträge werden endgültig gelöscht."));
        EXPECT_EQ(contentsOf(two.path("r.txt")), "neu");
        const QByteArrayList listed = TrashListed();
        for (const QString& path : {one.path("a.txt"), one.path("ordner"), two.path("r.txt")}) {
            SCOPED_TRACE(path.toStdString());
            EXPECT_EQ(listed.count(EncodeFileName(path)), toTrash ? 1 : 0);
        }
        EXPECT_FALSE(exists(one.path("a.txt")) || exists(one.path("ordner")));
        EXPECT_FALSE(listed.contains(EncodeFileName(one.path("ordner/b.txt"))));
        if (toTrash) {
            ASSERT_TRUE(QFile::remove(two.path("r.txt")));
            for (const QString& path : {one.path("a.txt"), one.path("ordner"), two.path("r.txt")})
                EXPECT_TRUE(TrashRestore(path)) << path.toStdString();
            EXPECT_EQ(contentsOf(two.path("r.txt")), "alt");
            EXPECT_EQ(contentsOf(one.path("ordner/sub/c.txt")), "c");
            EXPECT_EQ(contentsOf(one.path("a.txt")), "a");
        }
        app.reset();
    }
}
