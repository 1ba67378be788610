#include "OpsWindowFixture.h"

#include "platform/FileName.h"
#include "platform/FileSystemIdentity.h"
#include "scan/PathOrder.h"
#include "sets/ModalScript.h"
#include "support/FaultyDevice.h"
#include "support/StickImage.h"
#include "support/TrashTools.h"

#include <QTest>
#include <sys/stat.h>
#include <sys/statvfs.h>

namespace {

constexpr int64_t T0 = 1500000000;
const QString Failed1 =
    "1 Zeile(n) konnten nicht ausgeführt werden. Der Tooltip jeder dieser Zeilen nennt den Grund.";

// The real program between a folder on the computer (side 1) and a real stick file system
// (side 2): exFAT through exfat-fuse, or an ext4 folder that folds letter case.
class Stick : public OpsWindow, public ::testing::WithParamInterface<StickImage::Kind> {
protected:
    void SetUp() override {
        if (!stick.ok())
            GTEST_SKIP() << stick.why().toStdString();
    }
    QString onStick(const QString& path) const { return stick.path() + path; }
    void open() { openAppOn(source.path(), stick.path()); }
    void syncSelection() { clickAndAnswer(form().buttonSelSync, "Ja"); }
    QStringList stickEntries() {
        return QDir(stick.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    }

    void nearlyFullStickAnswering(const QString& answer);

    StickImage stick{GetParam(), 32};
};

// The computer holds Notes.txt and notes.txt, the stick its newest Notes.txt: notes.txt can never
// be put on the stick, whatever is selected, and the stick's newest work stays.
TEST_P(Stick, CaseTwinsNeverReplaceTheStickFile) {
    for (const bool onlyToStick : {false, true}) {
        SCOPED_TRACE(onlyToStick ? "> rows" : "all rows");
        TestTree pc({File("Notes.txt", "pc upper", T0), File("notes.txt", "pc lower", T0)});
        ASSERT_TRUE(BuildTree(stick.path(), {File("Notes.txt", "stick newest", T0 + 86400)}));
        openAppOn(pc.path(), stick.path());
        scan();
        ASSERT_EQ(paths(), QStringList({"Notes.txt", "notes.txt"}));
        EXPECT_EQ(cell(0, 4), "<");
        EXPECT_EQ(toolTip("notes.txt"), "Nicht kopiert: Das Ziel unterscheidet nicht zwischen Groß- und "
                                        "Kleinschreibung und hat schon 'Notes.txt'");
        if (onlyToStick)
            form().buttonSelCR->click();
        else
            selectAll();
        syncSelection();
        EXPECT_EQ(messageText(), Failed1);
        EXPECT_EQ(contentsOf(onStick("Notes.txt")), "stick newest");
        EXPECT_EQ(stickEntries(), QStringList({"Notes.txt"}));
        EXPECT_EQ(contentsOf(pc.path("Notes.txt")), onlyToStick ? "pc upper" : "stick newest");
        EXPECT_EQ(contentsOf(pc.path("notes.txt")), "pc lower");
        EXPECT_TRUE(paths().contains("notes.txt"));
        app.reset();
        QFile::remove(onStick("Notes.txt"));
    }
}

// Names the stick refuses, a link, a file against a folder of its name: the rows stay and say
// why. Odd seconds and permissions the stick cannot keep make nothing fail and nothing come back.
TEST_P(Stick, RowsThatCannotBeCarriedOutSayWhy) {
    if (GetParam() != StickImage::Kind::Exfat)
        GTEST_SKIP() << "names and links are refused by FAT and exFAT only";
    TreeEntry odd = File("ok.txt", "fine", T0 + 1);
    ASSERT_TRUE(source.add({odd, File("Termin 10:30.txt", "t", T0), File("frage?.txt", "f", T0),
                            Link("lnk", "ok.txt"), File("x", "file", T0)}));
    ASSERT_EQ(::chmod(QFile::encodeName(source.path("ok.txt")).constData(), 0640), 0);
    ASSERT_TRUE(BuildTree(stick.path(), {Dir("x/", T0), File("x/in.txt", "in", T0)}));
    open();
    scan();
    EXPECT_EQ(toolTip("x"), "Nicht kopiert: Datei und Ordner gleichen Namens");
    EXPECT_EQ(toolTip("x/"), "Nicht kopiert: Datei und Ordner gleichen Namens");
    selectAll();
    syncSelection();
    EXPECT_EQ(messageText(), "6 Zeile(n) konnten nicht ausgeführt werden. Der Tooltip jeder dieser Zeilen "
                             "nennt den Grund.");
    const QStringList rows{"Termin 10:30.txt", "frage?.txt", "lnk", "x", "x/", "x/in.txt"};
    for (const QString& path : rows)
        EXPECT_TRUE(paths().contains(path)) << path.toStdString();
    EXPECT_EQ(toolTip("Termin 10:30.txt"), "Nicht kopiert: Name auf dem Ziel-Dateisystem nicht erlaubt");
    EXPECT_EQ(toolTip("frage?.txt"), "Nicht kopiert: Name auf dem Ziel-Dateisystem nicht erlaubt");
    EXPECT_EQ(toolTip("lnk"), "Nicht kopiert: Verknüpfungen sind auf dem Ziel-Dateisystem nicht möglich");
    EXPECT_EQ(contentsOf(onStick("ok.txt")), "fine");
    scan();
    QStringList expected = rows;
    std::sort(expected.begin(), expected.end(),
              [](const QString& a, const QString& b) { return PathLess(a, b); });
    EXPECT_EQ(paths(), expected);
}

// Six newer files replace their old versions on a stick with room for three more. The stick's
// trash would keep every old version, so the run asks once: "Endgültig ersetzen" lets each copy
// put in place free the room of the file it replaces; "Auslassen" keeps the rows it has no room
// for, and the old versions of those replaced are in the trash.
TEST_P(Stick, NearlyFullStickTakesEveryReplacement) {
    for (const QString answer : {"Endgültig ersetzen", "Auslassen"}) {
        SCOPED_TRACE(answer.toStdString());
        nearlyFullStickAnswering(answer);
        app.reset();
        QDir(stick.path()).removeRecursively();
        // Each round starts without a memory of the last: the stick's old files put back would
        // otherwise be changes on the stick, copied from there.
        for (const QString& name : QDir(programDir.path()).entryList({"Tandrix-Stand-*"}, QDir::Files))
            QFile::remove(programDir.filePath(name));
    }
}

void Stick::nearlyFullStickAnswering(const QString& answer) {
    TreeSpec old;
    TreeSpec newer;
    for (int i = 0; i < 6; ++i) {
        old.push_back(File(QStringLiteral("f%1.bin").arg(i), QByteArray(1 << 20, char('a' + i)), T0));
        newer.push_back(File(QStringLiteral("f%1.bin").arg(i), QByteArray(1 << 20, char('A' + i)), T0 + 100));
    }
    // The stick's trash, from deletions before, keeps what is replaced.
    const QString trash = stick.path() + ".Trash-" + QString::number(getuid());
    ASSERT_TRUE(QDir().mkpath(trash + "/files") && QDir().mkpath(trash + "/info"));
    ASSERT_TRUE(BuildTree(stick.path(), old));
    ASSERT_TRUE(source.add(newer));
    struct statvfs fs {};
    ASSERT_EQ(::statvfs(QFile::encodeName(stick.path()).constData(), &fs), 0);
    const qint64 filler = qint64(fs.f_bavail) * qint64(fs.f_frsize) - (qint64(3) << 20);
    ASSERT_GT(filler, 0);
    QFile fill(onStick("filler"));
    ASSERT_TRUE(fill.open(QIODevice::WriteOnly));
    ASSERT_EQ(fill.write(QByteArray(filler, 'z')), filler);
    fill.close();
    open();
    scan();
    ASSERT_EQ(lines(), 7); // the filler too
    form().buttonSelCR->click();
    stray.reset();
    const ModalScript script({Yes(), [answer](QWidget* box) { PressButton(box, answer); },
                              [](QWidget* box) { PressButton(box, "OK"); }});
    form().buttonSelSync->click();
    ASSERT_GE(script.seen.size(), 2);
    EXPECT_TRUE(script.seen[1].contains("Papierkorb des Ziels: ")) << script.seen[1].toStdString();
    const bool forGood = answer == "Endgültig ersetzen";
    // Asked once for the run.
    EXPECT_EQ(script.seen.filter("Papierkorb des Ziels").size(), 1);
    int replaced = 0;
    for (int i = 0; i < 6; ++i) {
        const QByteArray now = contentsOf(onStick(QStringLiteral("f%1.bin").arg(i)));
        replaced += now == QByteArray(1 << 20, char('A' + i));
        const QString kept = stick.path() + ".Trash-" + QString::number(getuid()) + "/files/" +
                             QStringLiteral("f%1.bin").arg(i);
        // Each old version is where it was or in the trash, unless the user chose to replace for good.
        if (!forGood) {
            EXPECT_TRUE(now == QByteArray(1 << 20, char('a' + i)) ||
                        contentsOf(kept) == QByteArray(1 << 20, char('a' + i)));
        }
    }
    // Left out, the copies that found room are in place and the rest stay listed.
    EXPECT_TRUE(forGood ? replaced == 6 : replaced > 0 && replaced < 6) << replaced;
    EXPECT_EQ(lines(), 1 + 6 - replaced);
    if (!forGood) {
        EXPECT_EQ(toolTip("f5.bin"),
                  "Nicht kopiert: Kein Platz mehr, solange der Papierkorb die alten Versionen behält");
    }
}

// An entry changed after the scan is neither replaced, nor deleted, nor re-dated: the name no
// longer leads to what the scan saw.
TEST_P(Stick, EntryChangedSinceTheScanIsLeftAlone) {
    for (int operation = 0; operation < 3; ++operation) {
        SCOPED_TRACE(operation);
        TestTree pc({File("a.txt", "pc", T0 + 100)});
        ASSERT_TRUE(BuildTree(stick.path(), {File("a.txt", "old", T0)}));
        openAppOn(pc.path(), stick.path());
        scan();
        ASSERT_EQ(lines(), 1);
        ASSERT_TRUE(BuildTree(stick.path(), {File("a.txt", "changed since", T0 + 50)}));
        selectAll();
        if (operation == 0) {
            syncSelection();
        } else if (operation == 1) {
            form().checkBoxDelZ->setChecked(true);
            clickAndAnswer(form().buttonSelDel, "Ja");
        } else {
            runWith("Ziel >>> Quelle", "Ausführen!");
        }
        EXPECT_EQ(contentsOf(onStick("a.txt")), "changed since");
        EXPECT_EQ(ReadModTime(onStick("a.txt"))->seconds, T0 + 50);
        EXPECT_TRUE(toolTip("a.txt").contains("seit dem Scan verändert")) << toolTip("a.txt").toStdString();
        app.reset();
        question.reset();
        stray.reset();
        QFile::remove(onStick("a.txt"));
    }
}

// The date set on the stick is the date asked for (exfat-fuse sets the current time when a
// change leaves the access time out).
TEST_P(Stick, DateAlignmentSetsThatDateOnTheStick) {
    ASSERT_TRUE(source.add({File("a.txt", "same", T0 + 100)}));
    ASSERT_TRUE(BuildTree(stick.path(), {File("a.txt", "same", T0)}));
    open();
    scan();
    selectAll();
    runWith("Ziel >>> Quelle", "Ausführen!");
    EXPECT_EQ(ReadModTime(onStick("a.txt"))->seconds, T0 + 100);
    EXPECT_EQ(lines(), 0);
}

// After a sync, a folder renamed and a file deleted on the computer: "Auch dort löschen" renames
// the folder on the stick and deletes the file there, and a second scan lists nothing.
TEST_P(Stick, RenameAndDeletionSinceTheLastSyncReachTheStick) {
    ASSERT_TRUE(source.add(
        {File("Fotos/1.jpg", "eins", T0), File("Fotos/2.jpg", "zwei", T0 + 2), File("weg.txt", "weg", T0)}));
    open();
    scan();
    selectAll();
    syncSelection();
    scan();
    ASSERT_EQ(lines(), 0);
    ASSERT_TRUE(QDir(source.path()).rename("Fotos", "Fotos 2024") && QFile::remove(source.path("weg.txt")));
    scan();
    selectAll();
    stray.reset();
    QList<QByteArray> copies; // a rename copies nothing
    SetDurabilityTrace([&copies](const QByteArray& event) {
        if (event.startsWith("commit"))
            copies << event;
    });
    const ModalScript script({Yes(), [](QWidget* box) { PressButton(box, "Auch dort löschen"); }});
    form().buttonSelSync->click();
    SetDurabilityTrace({});
    EXPECT_EQ(script.answered(), 2);
    EXPECT_TRUE(copies.isEmpty()) << copies.join(' ').toStdString();
    EXPECT_EQ(stickEntries(), QStringList({"Fotos 2024"}));
    EXPECT_EQ(contentsOf(onStick("Fotos 2024/2.jpg")), "zwei");
    scan();
    EXPECT_EQ(lines(), 0);
}

// Names that differ from the stick's only in letter case are never taken for deletions: a folder
// renamed by case with a new folder of the old spelling, and a new file of the stick's spelling
// beside the computer's one. A bold Sync keeps every contents.
TEST_P(Stick, CaseVariantsAreNeverTakenForDeletions) {
    for (const bool folder : {true, false}) {
        SCOPED_TRACE(folder ? "Fotos renamed to fotos" : "FOTO.JPG beside foto.jpg");
        TestTree pc({File(folder ? "Fotos/1.jpg" : "foto.jpg", "Foto", T0)});
        ASSERT_TRUE(BuildTree(stick.path(), {File(folder ? "Fotos/1.jpg" : "FOTO.JPG", "Foto", T0)}));
        openAppOn(pc.path(), stick.path());
        scan();
        ASSERT_EQ(lines(), 0);
        ASSERT_TRUE(folder ? QDir(pc.path()).rename("Fotos", "fotos") &&
                                 pc.add({File("Fotos/import.jpg", "neu", T0 + 10)})
                           : pc.add({File("FOTO.JPG", "anderes", T0 + 10)}));
        scan();
        for (const ResultRow& row : std::as_const(state().rows.rows))
            EXPECT_EQ(row.sinceSync, NothingKnown) << row.path.toStdString();
        selectAll();
        stray.reset();
        const auto bold = [](QWidget* box) {
            for (QAbstractButton* button : box->findChildren<QAbstractButton*>())
                if (button->text() == "Auch dort löschen" || button->text() == "Ja")
                    return button->click();
            PressEnter(box);
        };
        const ModalScript script({bold, bold, bold, bold});
        form().buttonSelSync->click();
        EXPECT_EQ(contentsOf(pc.path(folder ? "fotos/1.jpg" : "foto.jpg")), "Foto");
        // Read under the stick's own spelling: a FUSE driver's cache may answer another one stale.
        EXPECT_EQ(contentsOf(onStick(folder ? "Fotos/1.jpg" : "FOTO.JPG")),
                  folder ? QByteArray("Foto") : QByteArray("anderes"));
        if (!folder) {
            EXPECT_EQ(contentsOf(pc.path("FOTO.JPG")), "anderes");
        }
        app.reset();
        QDir(onStick(folder ? "Fotos" : "")).removeRecursively();
        QFile::remove(onStick("FOTO.JPG"));
    }
}

// The real program between the computer and ext4 on a device that fails on request.
class FailingStick : public OpsWindow {
protected:
    void SetUp() override {
        if (!device.ok())
            GTEST_SKIP() << device.why().toStdString();
    }
    // Sync of every line; returns the titles of the boxes shown, the answers given in turn.
    QStringList sync(std::vector<ModalScript::Answer> answers) {
        selectAll();
        stray.reset();
        QStringList titles;
        for (ModalScript::Answer& answer : answers)
            answer = [&titles, answer](QWidget* box) {
                titles << box->windowTitle();
                answer(box);
            };
        ModalScript script(std::move(answers));
        form().buttonSelSync->click();
        boxTexts = script.seen;
        return titles;
    }
    static ModalScript::Answer ok() {
        return [](QWidget* box) { PressButton(box, "OK"); };
    }
    QString onDevice(const QString& path) const { return device.path() + path; }
    QString root() const { return device.path() + "stick/"; } // beside ext4's lost+found

    FaultyDevice device;
    QStringList boxTexts;
};

// A sector that the counterfeit device keeps wrong, recognisable in a file's contents.
QByteArray badCells(int sectors, char fill) {
    QByteArray bytes;
    for (int i = 0; i < sectors; ++i)
        bytes += "BADCELL!" + QByteArray(504, fill);
    return bytes;
}

// The device fails at the flush after the renames, or after 1 MiB: no row counts as done, the box
// counts them all with the reason, and once the stick works again the next Sync asks no deletion
// and copies everything.
TEST_F(FailingStick, FailedFlushLeavesEveryRowListedAndTheNextSyncCopiesAgain) {
    for (int folder = 0; folder < 6; ++folder)
        ASSERT_TRUE(source.add({File(QString("f%1/a.txt").arg(folder), "klein", T0),
                                File(QString("f%1/b.bin").arg(folder), QByteArray(300000, 'b'), T0)}));
    ASSERT_TRUE(QDir().mkpath(root()));
    for (const QString mode : {"fail after renames", "fail-after 1048576"}) {
        SCOPED_TRACE(mode.toStdString());
        ASSERT_TRUE(QDir().mkpath(root()));
        openAppOn(source.path(), root());
        scan();
        ASSERT_EQ(lines(), 18);
        if (mode.startsWith("fail-after"))
            device.setMode(mode);
        SetDurabilityTrace([this](const QByteArray& event) {
            if (event.startsWith("commit"))
                device.setMode("fail");
        });
        EXPECT_EQ(sync({Yes(), ok()}).size(), 2);
        SetDurabilityTrace({});
        EXPECT_EQ(boxTexts.value(1), "18 Zeile(n) konnten nicht ausgeführt werden. Der Tooltip jeder dieser "
                                     "Zeilen nennt den Grund.");
        EXPECT_EQ(lines(), 18);
        // Each row says why; a device failing before the renames may leave ext4 read-only.
        for (const QString& path : paths())
            EXPECT_TRUE(toolTip(path).startsWith("Nicht kopiert: ")) << path.toStdString();
        if (mode.startsWith("fail after")) {
            EXPECT_EQ(toolTip("f5/b.bin"),
                      "Nicht kopiert: Schreibfehler auf dem Datenträger (Ein-/Ausgabefehler)");
        }
        app.reset();
        ASSERT_TRUE(device.replug());
        openAppOn(source.path(), root());
        scan();
        EXPECT_EQ(sync({Yes()}), QStringList({"Tandrix: Dateien synchronisieren"}));
        scan();
        EXPECT_EQ(lines(), 0);
        EXPECT_EQ(contentsOf(root() + "f5/b.bin"), QByteArray(300000, 'b'));
        app.reset();
        ASSERT_TRUE(device.replug());
        ASSERT_TRUE(QDir(root()).removeRecursively());
        QDir(programDir.path()).removeRecursively();
        QDir().mkpath(programDir.path());
    }
}

// "Kopien prüfen" on a device that keeps wrong bytes: the damaged copy fails, the old version
// stays, the box says the medium may be faulty; on a good device the next Sync finishes. With the
// box cleared nothing is read back, and the run reports what the cache says.
TEST_F(FailingStick, VerifyCatchesWhatTheDeviceKeptWrong) {
    ASSERT_TRUE(source.add({File("gut.txt", "gut", T0), File("foto.raw", badCells(300, 'n'), T0 + 100)}));
    ASSERT_TRUE(BuildTree(device.path(), {File("foto.raw", "alte Fassung", T0)}));
    ASSERT_TRUE(device.setMode("bad-cells"));
    openAppOn(source.path(), device.path(), "KopienPruefen");
    scan();
    EXPECT_EQ(sync({Yes(), ok()}).size(), 2);
    EXPECT_EQ(
        boxTexts.value(1),
        "1 Zeile(n) konnten nicht ausgeführt werden. Der Tooltip jeder dieser Zeilen nennt den Grund.\n\n"
        "1 Kopie(n) waren beim Zurücklesen vom Datenträger fehlerhaft; die alten Fassungen sind "
        "geblieben. Der Datenträger ist möglicherweise defekt.");
    EXPECT_EQ(paths(), QStringList({"foto.raw"}));
    EXPECT_EQ(toolTip("foto.raw"), "Nicht kopiert: Kopie auf dem Datenträger fehlerhaft");
    EXPECT_EQ(contentsOf(onDevice("foto.raw")), "alte Fassung");
    EXPECT_EQ(contentsOf(onDevice("gut.txt")), "gut");
    EXPECT_TRUE(temporaries(device.path()).isEmpty());

    app.reset();
    ASSERT_TRUE(device.replug());
    openAppOn(source.path(), device.path(), "KopienPruefen");
    scan();
    EXPECT_EQ(sync({Yes()}).size(), 1);
    app.reset();
    ASSERT_TRUE(device.replug()); // what the device holds, not the cache
    EXPECT_EQ(contentsOf(onDevice("foto.raw")), badCells(300, 'n'));

    ASSERT_TRUE(source.add({File("neu.raw", badCells(300, 'x'), T0)}));
    ASSERT_TRUE(device.setMode("bad-cells"));
    openAppOn(source.path(), device.path(), "KopienUngeprueft");
    scan();
    EXPECT_EQ(sync({Yes()}).size(), 1); // no read-back: reported done
    app.reset();
    ASSERT_TRUE(device.replug());
    EXPECT_NE(contentsOf(onDevice("neu.raw")), badCells(300, 'x'));
}

// What is replaced and deleted on the stick goes into the stick's own trash at its top folder
// (".Trash-<uid>"), never into the computer's: the desktop's tools list it and put it back.
TEST_P(Stick, StickKeepsItsOwnTrash) {
    if (!HaveTrashCli())
        GTEST_SKIP() << "trash-cli is not installed";
    ASSERT_TRUE(BuildTree(stick.path(), {File("r.txt", "alt", T0), File("weg 1%.txt", "w", T0),
                                         Dir("Ordner/", T0), File("Ordner/x.txt", "x", T0)}));
    ASSERT_TRUE(source.add({File("r.txt", "neu", T0 + 100)}));
    open();
    scan();
    selectPaths({"r.txt"});
    syncSelection();
    EXPECT_EQ(contentsOf(onStick("r.txt")), "neu");
    selectPaths({"weg 1%.txt", "Ordner/"});
    form().checkBoxDelZ->setChecked(true);
    clickAndAnswer(form().buttonSelDel, "Ja");
    EXPECT_EQ(lines(), 1);
    EXPECT_TRUE(QFileInfo(stick.path() + ".Trash-" + QString::number(getuid()) + "/files").isDir());
    EXPECT_FALSE(QFileInfo(qEnvironmentVariable("XDG_DATA_HOME") + "/Trash/files/r.txt").exists());
    scan(); // the stick's trash is no part of its tree
    EXPECT_EQ(lines(), 0);
    const QByteArrayList listed = TrashListed();
    for (const QString& path : {onStick("r.txt"), onStick("weg 1%.txt"), onStick("Ordner")})
        EXPECT_EQ(listed.count(EncodeFileName(path)), 1) << path.toStdString();
    EXPECT_TRUE(TrashRestore(onStick("weg 1%.txt")) && TrashRestore(onStick("Ordner")));
    EXPECT_EQ(contentsOf(onStick("weg 1%.txt")), "w");
    EXPECT_EQ(contentsOf(onStick("Ordner/x.txt")), "x");
}

INSTANTIATE_TEST_SUITE_P(Media, Stick,
                         ::testing::Values(StickImage::Kind::Exfat, StickImage::Kind::Ext4Casefold),
                         [](const ::testing::TestParamInfo<StickImage::Kind>& info) {
                             return info.param == StickImage::Kind::Exfat ? "exFAT" : "Ext4Casefold";
                         });

} // namespace

// Eight files synced to the stick. With no stick, its empty mount folder is not taken for it: the
// scan asks first and lists nothing. A freshly formatted stick at the same mount point is told
// as another or emptied medium: nothing is proposed for deletion, and Sync copies the eight back.
TEST_P(Stick, NoStickOrAnEmptyOneAtTheMountPointDeletesNothing) {
    if (GetParam() != StickImage::Kind::Exfat)
        GTEST_SKIP() << "a stick of its own at one mount point";
    TreeSpec files;
    for (int i = 0; i < 8; ++i)
        files.push_back(
            File(QStringLiteral("f%1.txt").arg(i), QByteArray("inhalt ") + char('0' + i), T0 + i));
    ASSERT_TRUE(source.add(files));
    open();
    scan();
    selectAll();
    syncSelection();
    ASSERT_EQ(stickEntries().size(), 8);
    ASSERT_TRUE(stick.unplug());
    for (const QString& answer : {QStringLiteral("Abbrechen"), QStringLiteral("Trotzdem scannen")}) {
        ModalScript script({[answer](QWidget* box) { PressButton(box, answer); }});
        scan();
        ASSERT_TRUE(script.seen.value(0).startsWith("Ziel liegt nicht mehr auf dem Datenträger des letzten "
                                                    "Abgleichs:\n" +
                                                    stick.path()))
            << script.seen.value(0).toStdString();
        EXPECT_EQ(lines(), answer == "Abbrechen" ? 0 : 8);
        EXPECT_EQ(script.seen.size(), 1); // told once, before the scan
        for (const ResultRow& row : std::as_const(state().rows.rows))
            EXPECT_EQ(row.sinceSync, NothingKnown);
        EXPECT_TRUE(stickEntries().isEmpty());
    }
    ASSERT_TRUE(stick.plugInFresh());
    ModalScript script({Ok(), Yes()});
    scan();
    EXPECT_EQ(script.seen.value(0),
              "Das sieht nach einem anderen oder geleerten Datenträger aus:\nZiel: " + stick.path() + " (" +
                  (FileSystemIdentityOf(stick.path()).fileSystem.startsWith("serial:exfat:")
                       ? "ein anderer Datenträger als beim letzten Abgleich)"
                       : "die meisten abgeglichenen Dateien fehlen dort)") +
                  "\n\nDas Gedächtnis des letzten Abgleichs schlägt darum nichts zum "
                  "Löschen oder Umbenennen vor: Die Zeilen werden wie ohne Gedächtnis "
                  "aufgelistet und kopiert. Ist es der falsche Datenträger, bitte den "
                  "richtigen einstecken und erneut scannen.");
    ASSERT_EQ(lines(), 8);
    selectAll();
    form().buttonSelSync->click();
    EXPECT_EQ(script.seen.size(), 2) << script.seen.join('|').toStdString(); // no question of deletions
    for (int i = 0; i < 8; ++i)
        for (const QString& path :
             {source.path(QStringLiteral("f%1.txt").arg(i)), onStick(QStringLiteral("f%1.txt").arg(i))})
            EXPECT_EQ(contentsOf(path), QByteArray("inhalt ") + char('0' + i)) << path.toStdString();
    scan();
    EXPECT_EQ(lines(), 0);
    EXPECT_EQ(script.seen.size(), 2); // the stick synced onto is the one remembered now
}
