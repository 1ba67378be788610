#include "sets/ModalScript.h"
#include "tandrix/App.h"
#include "tandrix/DisableControls.h"
#include "ui/Identifiers.h"
#include "ui/ResultListModel.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {
QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A program folder with one set, so start-up asks nothing.
class AppWithOneSet : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        QFile ini(dir.path() + "/Tandrix.ini");
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(
            "\xEF\xBB\xBF\r\n[Generell]\r\nIniVersion = 81107\r\nSetCombo = Daten\r\n[Sets]\r\nDaten = 1\r\n"
            "[Set_Daten]\r\nSrc = " +
            dir.path().toUtf8() + "/a/\r\nMid = " + dir.path().toUtf8() + "/b/\r\n");
        ini.close();
        app = std::make_unique<App>(dir.path());
        ModalScript unexpected({});
        ASSERT_TRUE(app->open());
        ASSERT_EQ(unexpected.answered(), 0) << unexpected.seen.join("; ").toStdString();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(app->form.window));
    }
    QTemporaryDir dir;
    std::unique_ptr<App> app;
};
} // namespace

TEST(AppStartUp, WithoutSettingsAsksForAFirstSetAndSavesItAtTheEnd) {
    QTemporaryDir dir;
    ModalScript script({Ok(), Escape()});
    App app(dir.path());
    ASSERT_TRUE(app.open());
    ASSERT_EQ(script.answered(), 2);
    EXPECT_EQ(script.seen[0],
              "Es muss mindestens ein Set bestehen - dieses wird nun erstellt, wählen Sie einen Namen...");
    EXPECT_EQ(script.seen[1], "Name für neues Set:|");
    EXPECT_EQ(app.form.comboBoxSets->currentText(), "Neues Set");
    EXPECT_EQ(app.form.window->windowTitle(), " Tandrix ");
    EXPECT_FALSE(app.form.checkBoxPack->isEnabled());
    EXPECT_EQ(app.state.ProgramDir, dir.path() + "/");
    EXPECT_EQ(app.form.listModel->columnTitles(),
              (QStringList{"Datei", "Dateipfad", "Byte 1", "Datum 1", "?", "Datum 2", "Byte 2"}));
    EXPECT_FALSE(QFile::exists(dir.path() + "/Tandrix.ini"));

    app.menuEvent(Menu_Quit);
    EXPECT_TRUE(app.quitRequested());
    app.shutdown();
    EXPECT_FALSE(app.form.window->isVisible());
    const QByteArray ini = readFile(dir.path() + "/Tandrix.ini");
    EXPECT_TRUE(ini.startsWith("\xEF\xBB\xBF\r\n[Generell]\r\n"));
    EXPECT_TRUE(ini.contains(
        "\r\n[Sets]\r\n; -------------------------------------------- Sets\r\nNeues Set = 1\r\n"));
}

TEST_F(AppWithOneSet, AbbruchTickedWhileIdleIsUntickedAfterItsOwnEvent) {
    QTest::mouseClick(app->form.checkBoxCancel, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(app->form.checkBoxCancel->isChecked());
}

TEST_F(AppWithOneSet, EventsDuringAnOperationRunNoHandlerAndTheCheckMarkStays) {
    QAction* removable = app->form.menuItems[Menu_RemovableFreeSpace];
    app->state.busy = true;
    removable->trigger();
    EXPECT_FALSE(removable->isChecked());
    app->form.checkBoxCancel->click();
    EXPECT_TRUE(app->form.checkBoxCancel->isChecked()); // the operation will see it
    app->form.buttonSelAll->click();
    EXPECT_EQ(app->form.statusField[2]->text(), "");
    QSignalSpy quit(app.get(), &App::quitNow);
    app->form.window->close();
    app->menuEvent(Menu_Quit);
    EXPECT_EQ(quit.count(), 0);
    EXPECT_TRUE(app->form.window->isVisible());
    app->state.busy = false;
    // The next event clears "Abbruch" once its handler has returned.
    app->form.buttonSelNix->click();
    EXPECT_FALSE(app->form.checkBoxCancel->isChecked());
    EXPECT_EQ(app->form.statusField[2]->text(), "0");
}

TEST_F(AppWithOneSet, RemovableItemChosenTwiceReturnsToItsFirstState) {
    QAction* removable = app->form.menuItems[Menu_RemovableFreeSpace];
    removable->trigger();
    EXPECT_TRUE(removable->isChecked());
    removable->trigger();
    EXPECT_FALSE(removable->isChecked());
}

TEST_F(AppWithOneSet, CloseRequestEndsTheLoopAndTheSaveKeepsTheSet) {
    QSignalSpy quit(app.get(), &App::quitNow);
    app->form.window->close();
    EXPECT_EQ(quit.count(), 1);
    EXPECT_TRUE(app->form.window->isVisible()); // closed only after the settings are written
    app->shutdown();
    EXPECT_FALSE(app->form.window->isVisible());
    const QByteArray ini = readFile(dir.path() + "/Tandrix.ini");
    EXPECT_TRUE(ini.contains("SetCombo = Daten\r\n"));
    EXPECT_TRUE(ini.contains("[Set_Daten]\r\nSrc = " + dir.path().toUtf8() + "/a/\r\n"));
}

TEST_F(AppWithOneSet, ResizingTheWindowStretchesOnlyTheList) {
    const QRect list = app->form.listIconFiles->geometry();
    const QRect scan = app->form.buttonScan->geometry();
    app->form.window->showNormal();
    app->form.window->resize(app->form.window->size() + QSize(100, 50));
    QApplication::processEvents();
    EXPECT_EQ(app->form.listIconFiles->geometry(), list.adjusted(0, 0, 100, 50));
    EXPECT_EQ(app->form.buttonScan->geometry(), scan);
}

TEST_F(AppWithOneSet, DisableControlsLeavesPackenAndAbbruchAlone) {
    DisableControls(app->form, true);
    for (int id = Gadget_Form_HyperLinkQuelle; id <= Gadget_Form_ListIconFiles; ++id) {
        SCOPED_TRACE(id);
        if (id == Gadget_Form_CheckBoxCancel)
            EXPECT_TRUE(app->form.gadget(id)->isEnabled());
        else
            EXPECT_FALSE(app->form.gadget(id)->isEnabled());
    }
    DisableControls(app->form, false);
    EXPECT_FALSE(app->form.checkBoxPack->isEnabled());
    EXPECT_TRUE(app->form.checkBoxCancel->isEnabled());
    EXPECT_TRUE(app->form.buttonScan->isEnabled());
    EXPECT_TRUE(app->form.listIconFiles->isEnabled());
}
