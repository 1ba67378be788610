#include "sets/ModalScript.h"
#include "support/ModalAnswer.h"
#include "support/TreeBuilder.h"
#include "tandrix/App.h"
#include "tandrix/BuildStamp.h"
#include "tandrix/DisableControls.h"
#include "tandrix/InfoText.h"
#include "ui/DateAlignWindow.h"
#include "ui/Identifiers.h"
#include "ui/InfoWindow.h"

#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

QByteArray iniWithSet(const QString& src, const QString& mid) {
    return "\xEF\xBB\xBF\r\n[Generell]\r\nIniVersion = 81107\r\nSetCombo = Daten\r\n[Sets]\r\nDaten = 1\r\n"
           "[Set_Daten]\r\nSrc = " +
           src.toUtf8() + "\r\nMid = " + mid.toUtf8() + "\r\n";
}

bool writeFile(const QString& path, const QByteArray& data) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A program folder with one set over two small trees, so start-up asks nothing.
class InfoInTheProgram : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tree.ok());
        ASSERT_TRUE(tree.add({Dir("prog/"), File("a/x.txt", "neu", 1700000000), Dir("b/")}));
        ASSERT_TRUE(writeFile(tree.path("prog/Tandrix.ini"), iniWithSet(tree.path("a/"), tree.path("b/"))));
        app = std::make_unique<App>(tree.path("prog"));
        ModalScript unexpected({});
        ASSERT_TRUE(app->open());
        ASSERT_EQ(unexpected.answered(), 0) << unexpected.seen.join("; ").toStdString();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(app->form.window));
    }

    // Chooses "Info" from the menu; `whileOpen` runs with the window shown, then "OK" closes it.
    bool chooseInfo(const std::function<void(InfoWindow*)>& whileOpen) {
        bool met = false;
        ModalAnswer answer([&](QWidget* modal) {
            auto* info = qobject_cast<InfoWindow*>(modal);
            if (!info) {
                PressEscape(modal);
                return;
            }
            met = true;
            whileOpen(info);
            info->okButton->click();
        });
        app->form.menuItems[Menu_Info]->trigger();
        return met;
    }

    void expectPackDisabled(const char* after) {
        EXPECT_FALSE(app->form.checkBoxPack->isEnabled()) << "after " << after;
        EXPECT_FALSE(app->form.checkBoxPack->isChecked()) << "after " << after;
    }

    TestTree tree;
    std::unique_ptr<App> app;
};

} // namespace

TEST_F(InfoInTheProgram, MenuInfoShowsTheTextAndReturnsToAnUnchangedMainWindow) {
    QString title;
    QString text;
    bool busyWhileOpen = false;
    const QString statusBefore = app->form.statusField[0]->text();
    ASSERT_TRUE(chooseInfo([&](InfoWindow* w) {
        title = w->windowTitle();
        text = w->editor->toPlainText();
        busyWhileOpen = app->state.busy;
    }));
    EXPECT_EQ(title, InfoTitle(BuildTimeStamp(), ProgramVersion()));
    EXPECT_TRUE(text.contains(QStringLiteral("Kontakt: Tandrix-Projekt")));
    EXPECT_TRUE(busyWhileOpen);

    EXPECT_FALSE(app->state.busy);
    EXPECT_TRUE(app->form.window->isVisible());
    EXPECT_EQ(app->form.window->windowTitle(), QStringLiteral(" Tandrix "));
    EXPECT_EQ(app->form.comboBoxSets->currentText(), QStringLiteral("Daten"));
    EXPECT_EQ(app->form.statusField[0]->text(), statusBefore);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(InfoInTheProgram, ScanClickedWhileInfoIsOpenDoesNothing) {
    int rowsWhileOpen = -1;
    ASSERT_TRUE(chooseInfo([&](InfoWindow*) {
        QTest::mouseClick(app->form.buttonScan, Qt::LeftButton);
        QApplication::processEvents();
        rowsWhileOpen = int(app->state.rows.rows.size());
    }));
    EXPECT_EQ(rowsWhileOpen, 0);
    QApplication::processEvents();
    EXPECT_TRUE(app->state.rows.rows.empty()) << "a click made while the window was open ran later";

    // The same click with the window closed scans.
    QTest::mouseClick(app->form.buttonScan, Qt::LeftButton);
    EXPECT_EQ(app->state.rows.rows.size(), 1u);
}

TEST_F(InfoInTheProgram, RememberedSizeLastsForTheRun) {
    ASSERT_TRUE(chooseInfo([](InfoWindow* w) { w->resize(700, 520); }));
    QSize reopened;
    ASSERT_TRUE(chooseInfo([&](InfoWindow* w) { reopened = w->size(); }));
    EXPECT_EQ(reopened, QSize(700, 520));

    // A new run starts from the design size again.
    app.reset();
    app = std::make_unique<App>(tree.path("prog"));
    ASSERT_TRUE(app->open());
    QSize fresh;
    ASSERT_TRUE(chooseInfo([&](InfoWindow* w) { fresh = w->size(); }));
    EXPECT_EQ(fresh, QSize(Scaled(app->state.scale, 500), Scaled(app->state.scale, 400)));
}

TEST_F(InfoInTheProgram, PackStaysDisabledThroughScanDateAlignmentAndSync) {
    expectPackDisabled("start-up");
    DisableControls(app->form, true);
    expectPackDisabled("DisableControls(true)");
    DisableControls(app->form, false);
    expectPackDisabled("DisableControls(false)");
    EXPECT_TRUE(app->form.buttonScan->isEnabled());

    QTest::mouseClick(app->form.checkBoxPack, Qt::LeftButton);
    expectPackDisabled("a click on it");

    QTest::mouseClick(app->form.buttonScan, Qt::LeftButton);
    ASSERT_EQ(app->state.rows.rows.size(), 1u);
    expectPackDisabled("the scan");

    app->form.buttonSelAll->click();
    bool aligned = false;
    {
        // The row is on one side only: its date cannot be carried, and a box says so.
        ModalScript script({[&](QWidget* modal) {
                                auto* w = qobject_cast<DateAlignWindow*>(modal);
                                if (!w) {
                                    PressEscape(modal);
                                    return;
                                }
                                aligned = true;
                                w->optionQZ->setChecked(true);
                                w->runButton->click();
                            },
                            Ok()});
        app->form.menuItems[Menu_DateAlign]->trigger();
        EXPECT_EQ(script.answered(), 2);
    }
    EXPECT_TRUE(aligned);
    expectPackDisabled("the date alignment");

    app->form.buttonSelAll->click();
    {
        ModalScript confirm({Yes()});
        app->form.buttonSelSync->click();
        EXPECT_EQ(confirm.answered(), 1);
    }
    expectPackDisabled("the synchronisation");
    // The copy is a plain file, nothing packed.
    EXPECT_EQ(DescribeTree(tree.path("b")), DescribeTree(tree.path("a")));
    EXPECT_EQ(readFile(tree.path("b/x.txt")), QByteArray("neu"));
}

class InstalledProgram : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QStandardPaths::isTestModeEnabled());
        savedName = QCoreApplication::applicationName();
        QCoreApplication::setApplicationName(QStringLiteral("Tandrix"));
        configDir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
        ASSERT_TRUE(configDir.contains(QStringLiteral(".qttest"))) << configDir.toStdString();
        QDir(configDir).removeRecursively();
        ASSERT_TRUE(tree.ok());
        ASSERT_TRUE(tree.add({Dir("prefix/bin/"),
                              File("prefix/share/applications/tandrix.desktop", "[Desktop Entry]\n"),
                              Dir("a/"), Dir("b/")}));
    }
    void TearDown() override {
        QDir(configDir).removeRecursively();
        QCoreApplication::setApplicationName(savedName);
    }

    TestTree tree;
    QString configDir;
    QString savedName;
};

TEST_F(InstalledProgram, SettingsGoIntoAConfigurationFolderMadeAtTheFirstSave) {
    App app(tree.path("prefix/bin"));
    EXPECT_EQ(app.state.settingsPath(), configDir + QStringLiteral("/Tandrix.ini"));
    ModalScript firstSet({Ok(), Escape()});
    ASSERT_TRUE(app.open());
    ASSERT_EQ(firstSet.answered(), 2);
    ASSERT_FALSE(QFileInfo::exists(configDir));

    app.menuEvent(Menu_Quit);
    app.shutdown();
    const QByteArray ini = readFile(configDir + QStringLiteral("/Tandrix.ini"));
    EXPECT_TRUE(ini.contains("Neues Set = 1"));
    EXPECT_FALSE(QFileInfo::exists(tree.path("prefix/bin/Tandrix.ini")));
}

TEST_F(InstalledProgram, ReadsItsSettingsFromTheConfigurationFolder) {
    ASSERT_TRUE(
        writeFile(configDir + QStringLiteral("/Tandrix.ini"), iniWithSet(tree.path("a/"), tree.path("b/"))));
    App app(tree.path("prefix/bin"));
    ModalScript unexpected({});
    ASSERT_TRUE(app.open());
    EXPECT_EQ(unexpected.answered(), 0) << unexpected.seen.join("; ").toStdString();
    EXPECT_EQ(app.form.comboBoxSets->currentText(), QStringLiteral("Daten"));
    EXPECT_EQ(app.form.stringQuelle->text(), tree.path("a/"));
}

TEST_F(InstalledProgram, SettingsBesideTheInstalledProgramWin) {
    ASSERT_TRUE(writeFile(tree.path("prefix/bin/Tandrix.ini"), iniWithSet(tree.path("a/"), tree.path("b/"))));
    App app(tree.path("prefix/bin"));
    ModalScript unexpected({});
    ASSERT_TRUE(app.open());
    EXPECT_EQ(unexpected.answered(), 0);
    EXPECT_EQ(app.form.comboBoxSets->currentText(), QStringLiteral("Daten"));
    app.menuEvent(Menu_Quit);
    app.shutdown();
    EXPECT_FALSE(QFileInfo::exists(configDir));
}
