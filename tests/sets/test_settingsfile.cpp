#include "platform/FileName.h"
#include "sets/SettingsFile.h"
#include "support/Privileges.h"

#include "support/FileBytes.h"
#include <QDir>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

SyncSet makeSet(const QString& name, const QString& src, const QString& mid, const QString& filter = {},
                const QString& options = {}) {
    return SyncSet{name, src, mid, filter, options};
}

SettingsToSave sample() {
    SettingsToSave data;
    data.setCombo = "Arbeit";
    data.window = {120, 80, 900, 650, WindowPlacement::State::Normal};
    data.columnWidths = {151, 261, 71, 51, 52, 53, 72};
    data.sets = {makeSet("Arbeit", "/home/a/", "/media/stick/a/", "temp|~", "IgnoreDate"),
                 makeSet("Bilder", "/home/b/", "/media/stick/b/")};
    return data;
}

const QByteArray FreshSample =
    "\xEF\xBB\xBF\r\n"
    "[Generell]\r\n"
    "; -------------------------------------------- Generell\r\n"
    "; TimeTolerance: Dient dem Ausgleich bei verschiedenen Dateisystemen mit "
    "unterschiedlicher Datumsgenauigkeit.\r\n"
    "; \tStandard: 3 - d.h. Zeitabweichungen von +/- 3 Sekunden werden ignoriert.\r\n"
    "; TimeSummerDiff: Dient dem Ausgleich bei verschiedenen Dateisystemen, welche "
    "Sommerzeit unterschiedlich behandeln.\r\n"
    "; \tStandard: 3600 - d.h. Zeitabweichungen von +/- 3600 Sekunden werden "
    "ignoriert (TimeTolerance gilt hier auch).\r\n"
    "IniVersion = 81107\r\n"
    "SetCombo = Arbeit\r\n"
    "TimeTolerance = 3\r\n"
    "TimeSummerDiff = 3600\r\n"
    "TimeSummerDiff2 = 7200\r\n"
    "[Fenster]\r\n"
    "; -------------------------------------------- Fenster\r\n"
    "WinMax = 0\r\n"
    "WinX = 120\r\n"
    "WinY = 80\r\n"
    "WinH = 650\r\n"
    "WinW = 900\r\n"
    "LBreite1 = 151\r\n"
    "LBreite2 = 261\r\n"
    "LBreite3 = 71\r\n"
    "LBreite4 = 51\r\n"
    "LBreite6 = 52\r\n"
    "LBreite8 = 53\r\n"
    "LBreite9 = 72\r\n"
    "[Sets]\r\n"
    "; -------------------------------------------- Sets\r\n"
    "Arbeit = 1\r\n"
    "Bilder = 1\r\n"
    "[Set_Arbeit]\r\n"
    "Src = /home/a/\r\n"
    "Mid = /media/stick/a/\r\n"
    "Options = IgnoreDate\r\n"
    "Filter = temp|~\r\n"
    "[Set_Bilder]\r\n"
    "Src = /home/b/\r\n"
    "Mid = /media/stick/b/\r\n"
    "Options = \r\n"
    "Filter = \r\n";

QString backupNote(const QString& why, const QString& backup) {
    return "Hinweis - INI war nicht im eigenen Format (" + why +
           "). Vor dem Überschreiben gesichert als: " + backup;
}

class SettingsFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath("Tandrix.ini"); }
    WindowPlacement current{10, 20, 800, 600, WindowPlacement::State::Normal};
};

TEST_F(SettingsFileTest, FreshFile_ByteForByte) {
    const QStringList messages = WriteSettingsFile(path(), sample());
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
    EXPECT_EQ(readBytes(path()), FreshSample);
}

TEST_F(SettingsFileTest, Saved_SetsLoadBackWithTheirValues) {
    SettingsToSave data = sample();
    data.settings.TimeTolerance = 2;
    data.settings.TimeSummerDiff = -5;
    data.settings.TimeSummerDiff2 = 100;
    data.sets.push_back(makeSet(QString::fromUtf8("Übung mit Leerzeichen"), "/a b/", "/c/"));
    // A folder whose name is not valid UTF-8 is found again, and the file stays the program's own.
    data.sets.push_back(makeSet("Alt", DecodeFileName(QByteArray("/alt\xE4/")), "/c/",
                                DecodeFileName(QByteArray("b\xF6se"))));
    ASSERT_TRUE(WriteSettingsFile(path(), data).isEmpty());
    EXPECT_TRUE(readBytes(path()).contains("Src = /alt\xE4/\r\n"));
    ASSERT_TRUE(WriteSettingsFile(path(), data).isEmpty());
    const LoadedSettings loaded = ReadSettingsFile(path(), current);
    EXPECT_EQ(loaded.settings.IniVersion, 81107);
    EXPECT_EQ(loaded.settings.TimeTolerance, 2);
    EXPECT_EQ(loaded.settings.TimeSummerDiff, -5);
    EXPECT_EQ(loaded.settings.TimeSummerDiff2, 100);
    EXPECT_EQ(loaded.setCombo, "Arbeit");
    EXPECT_TRUE(loaded.moveWindow);
    EXPECT_EQ(loaded.window.x, 120);
    EXPECT_EQ(loaded.window.y, 80);
    EXPECT_EQ(loaded.window.width, 900);
    EXPECT_EQ(loaded.window.height, 650);
    EXPECT_FALSE(loaded.maximize);
    EXPECT_EQ(loaded.columnWidths, data.columnWidths);
    ASSERT_TRUE(loaded.hasSetsGroup);
    ASSERT_EQ(loaded.sets.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(loaded.sets[i].Name, data.sets[i].Name);
        EXPECT_EQ(loaded.sets[i].Src, data.sets[i].Src);
        EXPECT_EQ(loaded.sets[i].Mid, data.sets[i].Mid);
        EXPECT_EQ(loaded.sets[i].Filter, data.sets[i].Filter);
        EXPECT_EQ(loaded.sets[i].Options, data.sets[i].Options);
    }
}

TEST_F(SettingsFileTest, NoFile_GivesDefaults) {
    const LoadedSettings loaded = ReadSettingsFile(path(), current);
    EXPECT_EQ(loaded.settings.IniVersion, 0);
    EXPECT_EQ(loaded.settings.TimeTolerance, 3);
    EXPECT_EQ(loaded.settings.TimeSummerDiff, 3600);
    EXPECT_EQ(loaded.settings.TimeSummerDiff2, 7200);
    EXPECT_EQ(loaded.setCombo, "");
    EXPECT_TRUE(loaded.moveWindow); // the current position, 10, is not 0
    EXPECT_EQ(loaded.window.x, 10);
    EXPECT_EQ(loaded.window.y, 20);
    EXPECT_EQ(loaded.window.width, 800);
    EXPECT_EQ(loaded.window.height, 600);
    EXPECT_EQ(loaded.columnWidths, (std::array<int, 7>{150, 260, 70, 50, 50, 50, 70}));
    EXPECT_FALSE(loaded.hasSetsGroup);
    EXPECT_FALSE(QFile::exists(path()));
}

TEST_F(SettingsFileTest, WinXZero_LeavesTheWindowWhereItIs) {
    writeBytes(path(), "[Fenster]\nWinX = 0\nWinY = 300\nWinW = 1000\nWinH = 700\nWinMax = 1\n");
    const LoadedSettings loaded = ReadSettingsFile(path(), current);
    EXPECT_FALSE(loaded.moveWindow);
    EXPECT_TRUE(loaded.maximize);
}

TEST_F(SettingsFileTest, TimeTolerance_EmptyReadsZeroMissingReadsThree) {
    writeBytes(path(), "[Generell]\nTimeTolerance =\nTimeSummerDiff = x\n");
    EXPECT_EQ(ReadSettingsFile(path(), current).settings.TimeTolerance, 0);
    EXPECT_EQ(ReadSettingsFile(path(), current).settings.TimeSummerDiff, 0);
    writeBytes(path(), "[Generell]\nIniVersion = 81107\n");
    EXPECT_EQ(ReadSettingsFile(path(), current).settings.TimeTolerance, 3);
}

TEST_F(SettingsFileTest, Filter_IsLowerCaseAfterLoading) {
    writeBytes(path(),
               "\xEF\xBB\xBF[Generell]\nIniVersion = 81107\n[Sets]\nA = 1\n[Set_A]\nFilter = TEMP|Übung\n"
               "Options = IgnoreDate\n");
    const LoadedSettings loaded = ReadSettingsFile(path(), current);
    ASSERT_EQ(loaded.sets.size(), 1u);
    EXPECT_EQ(loaded.sets[0].Filter, QString::fromUtf8("temp|übung"));
    EXPECT_EQ(loaded.sets[0].Options, "IgnoreDate");
}

TEST_F(SettingsFileTest, Latin1File_ReadsUmlautAndIsWrittenBackAsUtf8WithBom) {
    writeBytes(path(), "[Generell]\r\nIniVersion = 81107\r\n[Sets]\r\nM\xE4rz = 1\r\n[Set_M\xE4rz]\r\n"
                       "Src = /d\xE4t/\r\n");
    const LoadedSettings loaded = ReadSettingsFile(path(), current);
    ASSERT_EQ(loaded.sets.size(), 1u);
    EXPECT_EQ(loaded.sets[0].Name, QString::fromUtf8("März"));
    EXPECT_EQ(loaded.sets[0].Src, QString::fromUtf8("/dät/"));
    SettingsToSave data = sample();
    data.settings = loaded.settings;
    data.sets = loaded.sets;
    ASSERT_TRUE(WriteSettingsFile(path(), data).isEmpty());
    const QByteArray bytes = readBytes(path());
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF\r\n[Generell]\r\n"));
    EXPECT_TRUE(bytes.contains("\r\nM\xC3\xA4rz = 1\r\n"));
    EXPECT_TRUE(bytes.contains("\r\n[Set_M\xC3\xA4rz]\r\nSrc = /d\xC3\xA4t/\r\n"));
    EXPECT_FALSE(bytes.contains("\xE4"));
}

TEST_F(SettingsFileTest, OldSetForm_SplitsSourceAndTargetAndIsRewrittenInTheNewForm) {
    writeBytes(path(), "[Generell]\nIniVersion = 80000\n[Sets]\nStick = /home/q/|/media/z/|rest\n"
                       "Nur = /nur/quelle/\n[Set_Stick]\nFilter = nicht lesen\n");
    const LoadedSettings loaded = ReadSettingsFile(path(), current);
    ASSERT_EQ(loaded.sets.size(), 2u);
    EXPECT_EQ(loaded.sets[0].Name, "Stick");
    EXPECT_EQ(loaded.sets[0].Src, "/home/q/");
    EXPECT_EQ(loaded.sets[0].Mid, "/media/z/");
    EXPECT_EQ(loaded.sets[0].Filter, "");
    EXPECT_EQ(loaded.sets[1].Src, "/nur/quelle/");
    EXPECT_EQ(loaded.sets[1].Mid, "");

    SettingsToSave data = sample();
    data.settings = loaded.settings;
    data.setCombo = "Stick";
    data.sets = loaded.sets;
    EXPECT_EQ(WriteSettingsFile(path(), data),
              QStringList(backupNote("IniVersion 80000 statt 81107", path() + ".bak")));
    const QByteArray bytes = readBytes(path());
    EXPECT_TRUE(bytes.contains("; -------------------------------------------- Generell\r\n"));
    EXPECT_TRUE(bytes.contains("[Sets]\r\n; -------------------------------------------- Sets\r\n"
                               "Stick = 1\r\nNur = 1\r\n"));
    EXPECT_TRUE(bytes.contains("[Set_Stick]\r\nSrc = /home/q/\r\nMid = /media/z/\r\n"));
    EXPECT_FALSE(bytes.contains("nicht lesen"));
    EXPECT_FALSE(bytes.contains("rest"));
}

TEST_F(SettingsFileTest, VersionBelowCurrent_IsRecreatedAfterABackup) {
    const QByteArray old = "[Generell]\nIniVersion = 80603\nFremd = 1\n; fremder Kommentar\n[Sets]\nA = 1\n"
                           "[Set_A]\nSrc = /a/\n";
    writeBytes(path(), old);
    const LoadedSettings loaded = ReadSettingsFile(path(), current);
    ASSERT_EQ(loaded.sets.size(), 1u);
    EXPECT_EQ(loaded.sets[0].Src, "/a/");
    SettingsToSave data = sample();
    data.settings = loaded.settings;
    data.setCombo = "Arbeit";
    EXPECT_EQ(WriteSettingsFile(path(), data),
              QStringList(backupNote("IniVersion 80603 statt 81107", path() + ".bak")));
    EXPECT_EQ(readBytes(path()), FreshSample);
    EXPECT_EQ(readBytes(path() + ".bak"), old);
}

// A backup of other bytes is never overwritten: the next number is taken. One that holds these
// very bytes already is named again instead of a second copy.
TEST_F(SettingsFileTest, Backup_KeepsAnEarlierBackupOfOtherBytes) {
    const QByteArray foreign = "[Sets]\nA = 1\n";
    writeBytes(path() + ".bak", "frühere Sicherung");
    for (int round = 0; round < 2; ++round) {
        writeBytes(path(), foreign);
        SettingsToSave data = sample();
        data.settings = ReadSettingsFile(path(), current).settings;
        EXPECT_EQ(WriteSettingsFile(path(), data),
                  QStringList(backupNote("Gruppe [Generell] fehlt", path() + ".1.bak")));
    }
    EXPECT_EQ(readBytes(path() + ".bak"), "frühere Sicherung");
    EXPECT_EQ(readBytes(path() + ".1.bak"), foreign);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList({"Tandrix.ini", "Tandrix.ini.1.bak", "Tandrix.ini.bak"}));
}

// Many backups kept before never stop a save: the next free number is taken.
TEST_F(SettingsFileTest, Backup_HundredEarlierBackupsDoNotStopTheSave) {
    writeBytes(path() + ".bak", "Sicherung");
    for (int number = 1; number < 100; ++number)
        writeBytes(path() + QString(".%1.bak").arg(number), "Sicherung " + QByteArray::number(number));
    const QByteArray foreign = "[Sets]\nA = 1\n";
    writeBytes(path(), foreign);
    SettingsToSave data = sample();
    data.settings = ReadSettingsFile(path(), current).settings;
    EXPECT_EQ(WriteSettingsFile(path(), data),
              QStringList(backupNote("Gruppe [Generell] fehlt", path() + ".100.bak")));
    EXPECT_EQ(readBytes(path() + ".100.bak"), foreign);
    EXPECT_EQ(readBytes(path() + ".99.bak"), "Sicherung 99");
    EXPECT_EQ(readBytes(path()), FreshSample);
}

// A folder's name comes back byte for byte whatever it holds, and the file stays the program's
// own: saving it again shows nothing and keeps no backup.
TEST_F(SettingsFileTest, Paths_WithAnyBytesLoadBackAndTheFileStaysItsOwn) {
    const QByteArray paths[] = {"/a\x01"
                                "b/",
                                "/Zeile\r\nUmbruch/",
                                "/mit\tTab/",
                                " /vorne",
                                "/hinten ",
                                "/hinten\t",
                                "/\xC0/",
                                "/\xFF/",
                                "/@/",
                                "/\xC0@/",
                                "@\xC0\x80\xC0",
                                "/home/a/"};
    const size_t count = std::size(paths);
    SettingsToSave data = sample();
    data.sets.clear();
    for (size_t i = 0; i < count; ++i)
        data.sets.push_back(
            makeSet(QString("S%1").arg(i), DecodeFileName(paths[i]), DecodeFileName(paths[(i + 1) % count])));
    ASSERT_TRUE(WriteSettingsFile(path(), data).isEmpty());
    const LoadedSettings loaded = ReadSettingsFile(path(), current);
    ASSERT_EQ(loaded.sets.size(), count);
    for (size_t i = 0; i < count; ++i) {
        EXPECT_EQ(EncodeFileName(loaded.sets[i].Src), paths[i]) << i;
        EXPECT_EQ(EncodeFileName(loaded.sets[i].Mid), paths[(i + 1) % count]) << i;
    }
    data.settings = loaded.settings;
    EXPECT_EQ(WriteSettingsFile(path(), data), QStringList());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList("Tandrix.ini"));
}

// Without any version the sets are read from their own groups, not in the old form, so their
// paths survive the rewrite. A Linux editor's UTF-8 without byte-order mark reads as UTF-8.
TEST_F(SettingsFileTest, VersionMissing_SetsKeepTheirGroupsAndUtf8WithoutBomReads) {
    writeBytes(path(), "[Sets]\nM\xC3\xA4rz = 1\nAlt = /q/|/z/\n[Set_M\xC3\xA4rz]\nSrc = /quelle/\n"
                       "Mid = /ziel/\n");
    const LoadedSettings loaded = ReadSettingsFile(path(), current);
    ASSERT_EQ(loaded.sets.size(), 2u);
    EXPECT_EQ(loaded.sets[0].Name, QString::fromUtf8("März"));
    EXPECT_EQ(loaded.sets[0].Src, "/quelle/");
    EXPECT_EQ(loaded.sets[0].Mid, "/ziel/");
    EXPECT_EQ(loaded.sets[1].Src, "/q/");
    EXPECT_EQ(loaded.sets[1].Mid, "/z/");
}

TEST_F(SettingsFileTest, CurrentVersion_IsUpdatedInPlaceKeepingForeignLines) {
    writeBytes(path(), "\xEF\xBB\xBF\r\n[Generell]\r\n; eigener Kommentar\r\nIniVersion = 81107\r\n"
                       "Fremd = bleibt\r\nsetcombo = Alt\r\n[Sets]\r\nArbeit = 1\r\n[Set_Arbeit]\r\n"
                       "Src = /alt/\r\nExtra = 5\r\n");
    const LoadedSettings loaded = ReadSettingsFile(path(), current);
    SettingsToSave data = sample();
    data.settings = loaded.settings;
    ASSERT_TRUE(WriteSettingsFile(path(), data).isEmpty());
    EXPECT_EQ(readBytes(path()), QByteArray("\xEF\xBB\xBF\r\n"
                                            "[Generell]\r\n"
                                            "; eigener Kommentar\r\n"
                                            "IniVersion = 81107\r\n"
                                            "Fremd = bleibt\r\n"
                                            "SetCombo = Arbeit\r\n"
                                            "TimeTolerance = 3\r\n"
                                            "TimeSummerDiff = 3600\r\n"
                                            "TimeSummerDiff2 = 7200\r\n"
                                            "[Sets]\r\n"
                                            "Arbeit = 1\r\n"
                                            "Bilder = 1\r\n"
                                            "[Set_Arbeit]\r\n"
                                            "Src = /home/a/\r\n"
                                            "Extra = 5\r\n"
                                            "Mid = /media/stick/a/\r\n"
                                            "Options = IgnoreDate\r\n"
                                            "Filter = temp|~\r\n"
                                            "[Fenster]\r\n"
                                            "WinMax = 0\r\n"
                                            "WinX = 120\r\n"
                                            "WinY = 80\r\n"
                                            "WinH = 650\r\n"
                                            "WinW = 900\r\n"
                                            "LBreite1 = 151\r\n"
                                            "LBreite2 = 261\r\n"
                                            "LBreite3 = 71\r\n"
                                            "LBreite4 = 51\r\n"
                                            "LBreite6 = 52\r\n"
                                            "LBreite8 = 53\r\n"
                                            "LBreite9 = 72\r\n"
                                            "[Set_Bilder]\r\n"
                                            "Src = /home/b/\r\n"
                                            "Mid = /media/stick/b/\r\n"
                                            "Options = \r\n"
                                            "Filter = \r\n"));
}

TEST_F(SettingsFileTest, Maximised_WritesOnlyWinMaxAndKeepsTheNormalGeometry) {
    ASSERT_TRUE(WriteSettingsFile(path(), sample()).isEmpty());
    SettingsToSave data = sample();
    data.settings.IniVersion = 81107;
    data.window = {5, 6, 1900, 1000, WindowPlacement::State::Maximized};
    ASSERT_TRUE(WriteSettingsFile(path(), data).isEmpty());
    const QByteArray bytes = readBytes(path());
    EXPECT_TRUE(bytes.contains("WinMax = 1\r\nWinX = 120\r\nWinY = 80\r\nWinH = 650\r\nWinW = 900\r\n"));
    const LoadedSettings loaded = ReadSettingsFile(path(), current);
    EXPECT_TRUE(loaded.moveWindow);
    EXPECT_EQ(loaded.window.x, 120);
    EXPECT_TRUE(loaded.maximize);
}

TEST_F(SettingsFileTest, Minimised_WritesNoneOfTheWindowKeys) {
    SettingsToSave data = sample();
    data.window.state = WindowPlacement::State::Minimized;
    ASSERT_TRUE(WriteSettingsFile(path(), data).isEmpty());
    const QByteArray bytes = readBytes(path());
    EXPECT_TRUE(
        bytes.contains("; -------------------------------------------- Fenster\r\nLBreite1 = 151\r\n"));
    EXPECT_FALSE(bytes.contains("WinMax"));
    EXPECT_FALSE(bytes.contains("WinX"));
}

TEST_F(SettingsFileTest, SetsGroup_EmptyOrMissing) {
    writeBytes(path(), "[Generell]\nIniVersion = 81107\n[Sets]\n[Set_A]\nSrc = /a/\n");
    LoadedSettings loaded = ReadSettingsFile(path(), current);
    EXPECT_TRUE(loaded.hasSetsGroup);
    EXPECT_TRUE(loaded.sets.empty());
    writeBytes(path(), "[Generell]\nIniVersion = 81107\n[Set_A]\nSrc = /a/\n");
    loaded = ReadSettingsFile(path(), current);
    EXPECT_FALSE(loaded.hasSetsGroup);
}

TEST_F(SettingsFileTest, SetKeys_EmptyOrRepeatedNamesAreSkipped) {
    writeBytes(path(), "[Generell]\nIniVersion = 81107\n[Sets]\nA = 1\n= 1\na = 1\nB = 1\n");
    const LoadedSettings loaded = ReadSettingsFile(path(), current);
    ASSERT_EQ(loaded.sets.size(), 2u);
    EXPECT_EQ(loaded.sets[0].Name, "A");
    EXPECT_EQ(loaded.sets[1].Name, "B");
}

TEST_F(SettingsFileTest, ReadOnlyFile_IsNeverWritten) {
    PermissionBitsApply permissions;
    if (!permissions.active())
        GTEST_SKIP() << "permission bits cannot be made to apply here";
    for (const QByteArray version : {"81107", "80000"}) {
        const QByteArray original = "[Generell]\nIniVersion = " + version + "\n[Sets]\nA = 1\n";
        QFile::remove(path());
        writeBytes(path(), original);
        ASSERT_EQ(chmod(QFile::encodeName(path()).constData(), 0444), 0);
        SettingsToSave data = sample();
        data.settings = ReadSettingsFile(path(), current).settings;
        const QStringList messages = WriteSettingsFile(path(), data);
        if (version == "80000")
            EXPECT_EQ(messages,
                      QStringList("Problem - Konnte alte INI nicht löschen (evtl. fehlerhaft): " + path()));
        else
            EXPECT_TRUE(messages.isEmpty());
        EXPECT_EQ(readBytes(path()), original);
    }
}

// A folder that takes no new file: the writable file of this version is saved in place; a
// foreign one is left alone, as no backup of it can be made; a missing one cannot be created.
TEST_F(SettingsFileTest, FolderNotWritable_SavesInPlaceButNeverWithoutBackup) {
    PermissionBitsApply permissions;
    if (!permissions.active())
        GTEST_SKIP() << "permission bits cannot be made to apply here";
    const QString foreignPath = dir.filePath("Alt.ini");
    const QByteArray foreign("[Generell]\nIniVersion = 80603\n[Sets]\nA = 1\n");
    writeBytes(foreignPath, foreign);
    writeBytes(path(), "[Generell]\nIniVersion = 81107\n[Sets]\nA = 1\n");
    const QByteArray folder = QFile::encodeName(dir.path());
    ASSERT_EQ(chmod(folder.constData(), 0555), 0);
    SettingsToSave data = sample();
    data.settings.IniVersion = 81107;
    const QStringList own = WriteSettingsFile(path(), data);
    const QStringList old = WriteSettingsFile(foreignPath, sample());
    const QString other = dir.filePath("Neu.ini");
    const QStringList missing = WriteSettingsFile(other, data);
    chmod(folder.constData(), 0755);
    EXPECT_TRUE(own.isEmpty()) << own.join("\n").toStdString();
    EXPECT_TRUE(readBytes(path()).contains("IniVersion = 81107\r\nSetCombo = Arbeit\r\n"));
    EXPECT_TRUE(readBytes(path()).endsWith("[Set_Bilder]\r\nSrc = /home/b/\r\nMid = /media/stick/b/\r\n"
                                           "Options = \r\nFilter = \r\n"));
    EXPECT_EQ(old, QStringList("Fehler - INI nicht im eigenen Format (IniVersion 80603 statt 81107) und "
                               "keine Sicherung möglich, nichts gespeichert: " +
                               foreignPath));
    EXPECT_EQ(readBytes(foreignPath), foreign);
    EXPECT_EQ(missing, QStringList("Fehler - kann INI nicht anlegen: " + other));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList({"Alt.ini", "Tandrix.ini"}));
}

// A link is saved at its target, which gets the new bytes atomically; the link stays a link, a
// missing target is created, and no temporary file is left on either side.
TEST_F(SettingsFileTest, SymbolicLink_IsUpdatedAtItsTarget) {
    ASSERT_TRUE(QDir(dir.path()).mkpath("echt/tief"));
    const QString target = dir.filePath("echt/tief/einstellungen.ini");
    ASSERT_TRUE(QFile::link("echt/tief/einstellungen.ini", dir.filePath("zwischen.ini")));
    ASSERT_TRUE(QDir(dir.path()).mkpath("prog"));
    const QString link = dir.filePath("prog/Tandrix.ini");
    ASSERT_TRUE(QFile::link("../zwischen.ini", link));
    for (const bool targetExists : {false, true}) {
        SettingsToSave data = sample();
        data.settings.IniVersion = 81107;
        data.setCombo = targetExists ? "Bilder" : "Arbeit";
        EXPECT_TRUE(WriteSettingsFile(link, data).isEmpty());
        EXPECT_TRUE(QFileInfo(link).isSymLink());
        EXPECT_TRUE(QFileInfo(dir.filePath("zwischen.ini")).isSymLink());
        EXPECT_TRUE(readBytes(target).contains("\r\nSetCombo = " + data.setCombo.toUtf8() + "\r\n"));
        EXPECT_EQ(ReadSettingsFile(link, current).setCombo, data.setCombo);
    }
    EXPECT_EQ(QDir(dir.filePath("prog")).entryList(QDir::Files | QDir::Hidden | QDir::System),
              QStringList("Tandrix.ini"));
    EXPECT_EQ(QDir(dir.filePath("echt/tief")).entryList(QDir::Files | QDir::Hidden),
              QStringList("einstellungen.ini"));
}

TEST_F(SettingsFileTest, DirectoryAtThePath_CannotBeCreated) {
    ASSERT_TRUE(QDir().mkpath(path()));
    EXPECT_EQ(WriteSettingsFile(path(), sample()), QStringList("Fehler - kann INI nicht anlegen: " + path()));
    EXPECT_FALSE(ReadSettingsFile(path(), current).hasSetsGroup);
}

TEST_F(SettingsFileTest, RemoveSetFromFile_RemovesKeyAndGroupOnly) {
    ASSERT_TRUE(WriteSettingsFile(path(), sample()).isEmpty());
    EXPECT_TRUE(RemoveSetFromFile(path(), "arbeit").isEmpty());
    const QByteArray bytes = readBytes(path());
    EXPECT_FALSE(bytes.contains("Arbeit = 1"));
    EXPECT_FALSE(bytes.contains("[Set_Arbeit]"));
    EXPECT_FALSE(bytes.contains("/home/a/"));
    EXPECT_TRUE(bytes.contains("SetCombo = Arbeit\r\n"));
    EXPECT_TRUE(bytes.contains("Bilder = 1\r\n"));
    EXPECT_TRUE(bytes.contains("[Set_Bilder]\r\nSrc = /home/b/\r\n"));
    EXPECT_TRUE(RemoveSetFromFile(dir.filePath("fehlt.ini"), "Bilder").isEmpty());
    EXPECT_FALSE(QFile::exists(dir.filePath("fehlt.ini")));
}

} // namespace
