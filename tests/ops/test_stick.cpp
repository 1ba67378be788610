#include "OpsWindowFixture.h"

#include "platform/FileSystemIdentity.h"
#include "scan/PathOrder.h"
#include "sets/ModalScript.h"
#include "support/StickImage.h"

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

// Six newer files replace their old versions on a stick with room for three more: each copy put
// in place frees the room of the file it replaces.
TEST_P(Stick, NearlyFullStickTakesEveryReplacement) {
    TreeSpec old;
    TreeSpec newer;
    for (int i = 0; i < 6; ++i) {
        old.push_back(File(QStringLiteral("f%1.bin").arg(i), QByteArray(1 << 20, char('a' + i)), T0));
        newer.push_back(File(QStringLiteral("f%1.bin").arg(i), QByteArray(1 << 20, char('A' + i)), T0 + 100));
    }
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
    syncSelection();
    EXPECT_FALSE(messageShown()) << messageText().toStdString();
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(contentsOf(onStick(QStringLiteral("f%1.bin").arg(i))), QByteArray(1 << 20, char('A' + i)));
    EXPECT_EQ(paths(), QStringList({"filler"}));
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
