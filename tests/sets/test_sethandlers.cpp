#include "ModalScript.h"
#include "tandrix/App.h"
#include "ui/Identifiers.h"
#include "ui/ResultListModel.h"

#include "support/FileBytes.h"
#include <QComboBox>

#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QByteArray ThreeSets = "\xEF\xBB\xBF\r\n[Generell]\r\nIniVersion = 81107\r\nSetCombo = bilder\r\n"
                             "[Sets]\r\nMusik = 1\r\nBilder = 1\r\narbeit = 1\r\n"
                             "[Set_Musik]\r\nSrc = /m/\r\nMid = /stick/m/\r\n"
                             "[Set_Bilder]\r\nSrc = /b/\r\nMid = /stick/b/\r\nOptions = IgnoreDate\r\n"
                             "Filter = temp\r\n"
                             "[Set_arbeit]\r\nSrc = /a/\r\nMid = /stick/a/\r\nFilter = bak\r\n";

class SetHandlersTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::unique_ptr<App> app;

    QString iniPath() const { return dir.filePath("Tandrix.ini"); }

    void start() {
        app = std::make_unique<App>(dir.path());
        ASSERT_TRUE(app->open());
        QCoreApplication::processEvents();
    }
    MainForm& form() { return app->form; }
    AppState& state() { return app->state; }

    QStringList comboItems() {
        QStringList items;
        for (int i = 0; i < form().comboBoxSets->count(); ++i)
            items << form().comboBoxSets->itemText(i);
        return items;
    }
    void menu(int item) { form().menuItems[item]->trigger(); }
    const SyncSet* setNamed(const QString& name) {
        for (const SyncSet& s : state().sets.sets) {
            if (s.Name == name)
                return &s;
        }
        return nullptr;
    }
    void chooseSet(const QString& name) {
        const int item = form().comboBoxSets->findText(name);
        ASSERT_GE(item, 0);
        form().comboBoxSets->setCurrentIndex(item);
        emit form().comboBoxSets->activated(item);
    }
};

const QString NoSet = QString::fromUtf8(
    "Es muss mindestens ein Set bestehen - dieses wird nun erstellt, wählen Sie einen Namen...");

TEST_F(SetHandlersTest, FirstStart_AsksForASetAndEscapeGivesNeuesSet) {
    ModalScript script({Ok(), Escape()});
    start();
    EXPECT_EQ(script.seen, QStringList({NoSet, QString::fromUtf8("Name für neues Set:|")}));
    EXPECT_EQ(comboItems(), QStringList({"Neues Set"}));
    EXPECT_EQ(form().comboBoxSets->currentText(), "Neues Set");
    EXPECT_EQ(form().stringQuelle->text(), "");
    EXPECT_EQ(form().stringMid->text(), "");
    app->shutdown();
    const QByteArray bytes = readBytes(iniPath());
    EXPECT_TRUE(
        bytes.startsWith("\xEF\xBB\xBF\r\n[Generell]\r\n; -------------------------------------------- "
                         "Generell\r\n"));
    EXPECT_TRUE(bytes.contains("\r\nSetCombo = Neues Set\r\n"));
    EXPECT_TRUE(bytes.contains("\r\nNeues Set = 1\r\n[Set_Neues Set]\r\nSrc = \r\nMid = \r\n"));
    EXPECT_EQ(script.answered(), 2);
}

TEST_F(SetHandlersTest, FirstStart_SaveWritesTheFreshFileByteForByte) {
    ModalScript script({Ok(), Type("Stick")});
    start();
    form().stringQuelle->setText("/ignoriert/");
    const QPoint pos = form().window->pos();
    const QSize inner = form().client->size();
    app->shutdown();
    const QByteArray expected =
        "\xEF\xBB\xBF\r\n"
        "[Generell]\r\n"
        "; -------------------------------------------- Generell\r\n"
        "; TimeTolerance: Dient dem Ausgleich bei verschiedenen Dateisystemen mit unterschiedlicher "
        "Datumsgenauigkeit.\r\n"
        "; \tStandard: 3 - d.h. Zeitabweichungen von +/- 3 Sekunden werden ignoriert.\r\n"
        "; TimeSummerDiff: Dient dem Ausgleich bei verschiedenen Dateisystemen, welche Sommerzeit "
        "unterschiedlich behandeln.\r\n"
        "; \tStandard: 3600 - d.h. Zeitabweichungen von +/- 3600 Sekunden werden ignoriert (TimeTolerance "
        "gilt "
        "hier auch).\r\n"
        "IniVersion = 81107\r\n"
        "SetCombo = Stick\r\n"
        "TimeTolerance = 3\r\n"
        "TimeSummerDiff = 3600\r\n"
        "TimeSummerDiff2 = 7200\r\n"
        "[Fenster]\r\n"
        "; -------------------------------------------- Fenster\r\n"
        "WinMax = 0\r\n"
        "WinX = " +
        QByteArray::number(pos.x()) +
        "\r\n"
        "WinY = " +
        QByteArray::number(pos.y()) +
        "\r\n"
        "WinH = " +
        QByteArray::number(inner.height()) +
        "\r\n"
        "WinW = " +
        QByteArray::number(inner.width()) +
        "\r\n"
        "LBreite1 = 150\r\n"
        "LBreite2 = 260\r\n"
        "LBreite3 = 70\r\n"
        "LBreite4 = 50\r\n"
        "LBreite6 = 50\r\n"
        "LBreite8 = 50\r\n"
        "LBreite9 = 70\r\n"
        "[Sets]\r\n"
        "; -------------------------------------------- Sets\r\n"
        "Stick = 1\r\n"
        "[Set_Stick]\r\n"
        "Src = \r\n"
        "Mid = \r\n"
        "Options = \r\n"
        "Filter = \r\n";
    EXPECT_EQ(readBytes(iniPath()), expected);
    EXPECT_EQ(script.answered(), 2);
}

TEST_F(SetHandlersTest, FirstStart_TypedNameIsTrimmed) {
    ModalScript script({Ok(), Type("  Arbeit  ")});
    start();
    EXPECT_EQ(comboItems(), QStringList({"Arbeit"}));
    EXPECT_EQ(form().comboBoxSets->currentText(), "Arbeit");
}

TEST_F(SetHandlersTest, EmptySetsGroup_AsksForASet) {
    writeBytes(iniPath(), "[Generell]\nIniVersion = 81107\n[Sets]\n");
    ModalScript script({Ok(), Type("   ")});
    start();
    EXPECT_EQ(script.seen.value(0), NoSet);
    EXPECT_EQ(comboItems(), QStringList({"Neues Set"}));
}

TEST_F(SetHandlersTest, Load_ListsSetsInNameOrderAndShowsTheSavedOne) {
    writeBytes(iniPath(), ThreeSets);
    ModalScript script({});
    start();
    EXPECT_EQ(script.answered(), 0);
    EXPECT_EQ(comboItems(), QStringList({"arbeit", "Bilder", "Musik"}));
    EXPECT_EQ(form().comboBoxSets->currentText(), "Bilder");
    EXPECT_EQ(form().stringQuelle->text(), "/b/");
    EXPECT_EQ(form().stringMid->text(), "/stick/b/");
    EXPECT_TRUE(form().checkBoxFilter->isChecked());
    EXPECT_EQ(form().checkBoxFilter->text(), "Filter+");
    EXPECT_EQ(state().sets.currentSet()->Name, "Bilder");

    chooseSet("arbeit");
    EXPECT_EQ(form().stringQuelle->text(), "/a/");
    EXPECT_EQ(form().stringMid->text(), "/stick/a/");
    EXPECT_TRUE(form().checkBoxFilter->isChecked());
    EXPECT_EQ(form().checkBoxFilter->text(), "Filter");
    chooseSet("Musik");
    EXPECT_FALSE(form().checkBoxFilter->isChecked());
    EXPECT_EQ(form().checkBoxFilter->text(), "Filter");
}

TEST_F(SetHandlersTest, Load_SetComboNamingNoSetSelectsNothing) {
    QByteArray bytes = ThreeSets;
    bytes.replace("SetCombo = bilder", "SetCombo = Weg");
    writeBytes(iniPath(), bytes);
    ModalScript script({});
    start();
    EXPECT_EQ(form().comboBoxSets->currentIndex(), -1);
    EXPECT_EQ(form().stringQuelle->text(), "");
    EXPECT_EQ(form().stringMid->text(), "");
}

TEST_F(SetHandlersTest, Load_WindowGeometryAndColumns) {
    writeBytes(iniPath(), "[Fenster]\nWinX = 100\nWinY = 50\nWinW = 900\nWinH = 700\nLBreite2 = 300\n"
                          "[Sets]\nA = 1\n");
    start();
    EXPECT_EQ(form().window->pos(), QPoint(100, 50));
    EXPECT_EQ(form().client->size(), QSize(900, 700));
    EXPECT_FALSE(form().window->isMaximized());
    EXPECT_EQ(form().listModel->columnTitles(),
              QStringList({"Datei", "Dateipfad", "Byte 1", "Datum 1", "?", "Datum 2", "Byte 2"}));
    const int expected[7] = {150, 300, 70, 50, 50, 50, 70};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(form().listIconFiles->columnWidth(i), expected[i]) << i;
}

TEST_F(SetHandlersTest, Load_WindowSavedOffEveryScreenOpensOnThePrimaryScreen) {
    writeBytes(iniPath(), "[Fenster]\nWinX = 5000\nWinY = -3000\nWinW = 800\nWinH = 600\n[Sets]\nA = 1\n");
    start();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.contains(form().window->frameGeometry().topLeft())) << form().window->x();
    EXPECT_GE(2 * (screen & form().window->frameGeometry()).width(), form().window->frameGeometry().width());
}

TEST_F(SetHandlersTest, Load_WinXZeroKeepsPositionAndWinMaxMaximises) {
    writeBytes(iniPath(),
               "[Generell]\nIniVersion = 81107\n"
               "[Fenster]\nWinX = 0\nWinY = 50\nWinW = 1000\nWinH = 900\nWinMax = 1\n[Sets]\nA = 1\n");
    start();
    EXPECT_NE(form().client->size(), QSize(1000, 900));
    EXPECT_TRUE(form().window->isMaximized());
    app->shutdown();
    const QByteArray bytes = readBytes(iniPath());
    EXPECT_TRUE(bytes.contains("WinMax = 1\r\n"));
    EXPECT_TRUE(bytes.contains("WinY = 50\r\n"));
}

TEST_F(SetHandlersTest, SaveAndLoad_ReproduceSetsAndSelection) {
    writeBytes(iniPath(), ThreeSets);
    start();
    chooseSet("Musik");
    form().listIconFiles->setColumnWidth(1, 333);
    app->shutdown();
    app.reset();
    start();
    EXPECT_EQ(comboItems(), QStringList({"arbeit", "Bilder", "Musik"}));
    EXPECT_EQ(form().comboBoxSets->currentText(), "Musik");
    EXPECT_EQ(form().stringQuelle->text(), "/m/");
    EXPECT_EQ(form().listIconFiles->columnWidth(1), 333);
    ASSERT_NE(setNamed("Bilder"), nullptr);
    EXPECT_EQ(setNamed("Bilder")->Options, "IgnoreDate");
    EXPECT_EQ(setNamed("Bilder")->Filter, "temp");
}

TEST_F(SetHandlersTest, NewSet_SortsIntoTheComboAndBecomesSelected) {
    writeBytes(iniPath(), ThreeSets);
    start();
    ModalScript script({Type("Bücher")});
    menu(Menu_NewSet);
    EXPECT_EQ(script.seen, QStringList({QString::fromUtf8("Name für neues Set:|")}));
    EXPECT_EQ(comboItems(), QStringList({"arbeit", "Bilder", QString::fromUtf8("Bücher"), "Musik"}));
    EXPECT_EQ(form().comboBoxSets->currentText(), QString::fromUtf8("Bücher"));
    EXPECT_EQ(form().stringQuelle->text(), "");
    EXPECT_FALSE(form().checkBoxFilter->isChecked());
}

TEST_F(SetHandlersTest, NewSet_UsedNameIsRefused) {
    writeBytes(iniPath(), ThreeSets);
    start();
    ModalScript script({Type("MUSIK"), Ok()});
    menu(Menu_NewSet);
    EXPECT_EQ(script.seen.value(1), "Dieser Name existiert schon!");
    EXPECT_EQ(comboItems(), QStringList({"arbeit", "Bilder", "Musik"}));
    EXPECT_EQ(script.answered(), 2);
}

TEST_F(SetHandlersTest, NewSet_CancelledWithSetsAddsNothing) {
    writeBytes(iniPath(), ThreeSets);
    start();
    ModalScript script({Escape()});
    menu(Menu_NewSet);
    EXPECT_EQ(comboItems(), QStringList({"arbeit", "Bilder", "Musik"}));
    EXPECT_EQ(form().comboBoxSets->currentText(), "Bilder");
}

TEST_F(SetHandlersTest, NewSet_NameThatCannotBeStoredIsAskedAgain) {
    writeBytes(iniPath(), ThreeSets);
    start();
    ModalScript script({Type("a=b"), Ok(), Type("[x"), Ok(), Type("Gut")});
    menu(Menu_NewSet);
    ASSERT_EQ(script.answered(), 5);
    EXPECT_TRUE(script.seen[1].startsWith("Dieser Name kann nicht gespeichert werden: "));
    EXPECT_TRUE(script.seen[3].startsWith("Dieser Name kann nicht gespeichert werden: "));
    EXPECT_EQ(script.seen[4], QString::fromUtf8("Name für neues Set:|"));
    EXPECT_EQ(comboItems(), QStringList({"arbeit", "Bilder", "Gut", "Musik"}));
}

TEST_F(SetHandlersTest, RenameSet_SameNameInOtherCaseIsRefusedUntilEscape) {
    writeBytes(iniPath(), ThreeSets);
    start();
    const QByteArray before = readBytes(iniPath());
    ModalScript script({Type("BILDER"), Ok(), Type("musik"), Ok(), Escape()});
    menu(Menu_RenameSet);
    EXPECT_EQ(script.seen,
              QStringList({"Set umbenennen:|Bilder", "Dieser Name existiert schon! Abbruch mit ESC.",
                           "Set umbenennen:|Bilder", "Dieser Name existiert schon! Abbruch mit ESC.",
                           "Set umbenennen:|Bilder"}));
    EXPECT_EQ(comboItems(), QStringList({"arbeit", "Bilder", "Musik"}));
    EXPECT_EQ(readBytes(iniPath()), before);
}

TEST_F(SetHandlersTest, RenameSet_RemovesTheOldNameFromTheFileAtOnce) {
    writeBytes(iniPath(), ThreeSets);
    start();
    ModalScript script({Type("Fotos")});
    menu(Menu_RenameSet);
    EXPECT_EQ(comboItems(), QStringList({"arbeit", "Fotos", "Musik"}));
    EXPECT_EQ(form().comboBoxSets->currentText(), "Fotos");
    EXPECT_EQ(form().stringQuelle->text(), "/b/");
    const QByteArray now = readBytes(iniPath());
    EXPECT_FALSE(now.contains("Bilder = 1"));
    EXPECT_FALSE(now.contains("[Set_Bilder]"));
    EXPECT_FALSE(now.contains("Fotos"));
    EXPECT_TRUE(now.contains("[Set_Musik]\r\nSrc = /m/\r\n"));
    app->shutdown();
    const QByteArray saved = readBytes(iniPath());
    EXPECT_TRUE(saved.contains("Fotos = 1\r\n"));
    EXPECT_TRUE(saved.contains("[Set_Fotos]\r\nSrc = /b/\r\nMid = /stick/b/\r\nOptions = IgnoreDate\r\n"
                               "Filter = temp\r\n"));
}

TEST_F(SetHandlersTest, CopySet_CarriesPathsFilterAndOptions) {
    writeBytes(iniPath(), ThreeSets);
    start();
    const QByteArray before = readBytes(iniPath());
    ModalScript script({Type("Bilder 2")});
    menu(Menu_CopySet);
    EXPECT_EQ(script.seen, QStringList({"Set kopieren - neuer Name:|Bilder"}));
    EXPECT_EQ(comboItems(), QStringList({"arbeit", "Bilder", "Bilder 2", "Musik"}));
    EXPECT_EQ(form().comboBoxSets->currentText(), "Bilder 2");
    const SyncSet* copy = setNamed("Bilder 2");
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Src, "/b/");
    EXPECT_EQ(copy->Mid, "/stick/b/");
    EXPECT_EQ(copy->Filter, "temp");
    EXPECT_EQ(copy->Options, "IgnoreDate");
    EXPECT_EQ(form().stringQuelle->text(), "/b/");
    EXPECT_EQ(form().checkBoxFilter->text(), "Filter+");
    EXPECT_EQ(readBytes(iniPath()), before);
}

TEST_F(SetHandlersTest, CopySet_UsedNameAsksAgain) {
    writeBytes(iniPath(), ThreeSets);
    start();
    ModalScript script({Type("arbeit"), Ok(), Escape()});
    menu(Menu_CopySet);
    EXPECT_EQ(script.seen.value(1), "Dieser Name existiert schon! Abbruch mit ESC.");
    EXPECT_EQ(comboItems(), QStringList({"arbeit", "Bilder", "Musik"}));
}

TEST_F(SetHandlersTest, DeleteSet_SelectsTheFirstSetAndRemovesItFromTheFile) {
    writeBytes(iniPath(), ThreeSets);
    start();
    ModalScript script({Yes()});
    menu(Menu_DeleteSet);
    EXPECT_EQ(script.seen, QStringList({QString::fromUtf8("Dieses Set löschen?\n\nBilder")}));
    EXPECT_EQ(comboItems(), QStringList({"arbeit", "Musik"}));
    EXPECT_EQ(form().comboBoxSets->currentText(), "arbeit");
    EXPECT_EQ(form().stringQuelle->text(), "/a/");
    const QByteArray now = readBytes(iniPath());
    EXPECT_FALSE(now.contains("Bilder"));
    EXPECT_TRUE(now.contains("[Set_arbeit]"));
}

TEST_F(SetHandlersTest, DeleteSet_NoKeepsEverything) {
    writeBytes(iniPath(), ThreeSets);
    start();
    ModalScript script({No()});
    menu(Menu_DeleteSet);
    EXPECT_EQ(comboItems(), QStringList({"arbeit", "Bilder", "Musik"}));
    EXPECT_EQ(readBytes(iniPath()), ThreeSets);
}

TEST_F(SetHandlersTest, DeleteSet_TheOnlySetAsksForANewOne) {
    writeBytes(iniPath(), "[Generell]\nIniVersion = 81107\n[Sets]\nEinzig = 1\n[Set_Einzig]\nSrc = /e/\n");
    start();
    ModalScript script({Yes(), Ok(), Escape()});
    menu(Menu_DeleteSet);
    ASSERT_EQ(script.answered(), 3);
    EXPECT_EQ(script.seen[1], NoSet);
    EXPECT_EQ(comboItems(), QStringList({"Neues Set"}));
    EXPECT_EQ(form().stringQuelle->text(), "");
    EXPECT_FALSE(readBytes(iniPath()).contains("Einzig"));
}

// Every damaged form of the settings file a user may have: before the save at the end replaces it,
// its exact bytes are kept beside it and the user is told where. Sets that can be read survive.
TEST(SetHandlersDamagedFile, IsKeptAsBackupAndTheUserIsTold) {
    const QString sets =
        QString::fromUtf8("[Sets]\r\nMärz = 1\r\n[Set_März]\r\nSrc = /quelle/\r\nMid = /ziel/\r\n");
    const QString current = "[Generell]\r\nIniVersion = 81107\r\n" + sets;
    const auto withBom = QStringConverter::Flag::WriteBom;
    struct Case {
        QByteArray bytes;
        QString why;
        bool setsReadable;
    };
    const Case cases[] = {
        {sets.toUtf8(), "Gruppe [Generell] fehlt", true},
        {QStringEncoder(QStringConverter::Utf16LE, withBom)(current), "als UTF-16 gespeichert", true},
        {QStringEncoder(QStringConverter::Utf16BE, withBom)(current), "als UTF-16 gespeichert", true},
        {("[Generell]\r\nIniVersion = 80603\r\n" + sets).toUtf8(), "IniVersion 80603 statt 81107", true},
        {QByteArray("\x7F"
                    "ELF\x02\x01\x01\0\0\0\0\x03\0>\0\x01\0\xFF\xFE",
                    19),
         "enthält Zeichen, die kein Text sind, Gruppe [Generell] fehlt", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why.toStdString());
        QTemporaryDir dir;
        const QString ini = dir.filePath("Tandrix.ini");
        writeBytes(ini, c.bytes);
        ModalScript script(c.setsReadable ? std::vector<ModalScript::Answer>{Ok()}
                                          : std::vector<ModalScript::Answer>{Ok(), Escape(), Ok()});
        App app(dir.path());
        ASSERT_TRUE(app.open());
        EXPECT_EQ(app.form.stringQuelle->text(), c.setsReadable ? "/quelle/" : "");
        app.shutdown();
        ASSERT_EQ(script.answered(), c.setsReadable ? 1 : 3);
        EXPECT_EQ(script.seen.last(), "Hinweis - INI war nicht im eigenen Format (" + c.why +
                                          "). Vor dem Überschreiben gesichert als: " + ini + ".bak");
        EXPECT_EQ(readBytes(ini + ".bak"), c.bytes);
        const QByteArray now = readBytes(ini);
        EXPECT_TRUE(now.startsWith("\xEF\xBB\xBF\r\n[Generell]\r\n"));
        EXPECT_EQ(now.contains("[Set_M\xC3\xA4rz]\r\nSrc = /quelle/\r\nMid = /ziel/\r\n"), c.setsReadable);
    }
}

} // namespace
