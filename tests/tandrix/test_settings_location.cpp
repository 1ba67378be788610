#include "platform/SettingsLocation.h"
#include "tandrix/AppState.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

bool touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write("x\r\n") == 3;
}

class SettingsLocation : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QStandardPaths::isTestModeEnabled());
        savedName = QCoreApplication::applicationName();
        QCoreApplication::setApplicationName(QStringLiteral("Tandrix"));
        ASSERT_TRUE(tmp.isValid());
    }
    void TearDown() override { QCoreApplication::setApplicationName(savedName); }

    QString dir(const QString& relative) const { return tmp.path() + u'/' + relative + u'/'; }
    QString configIni() const {
        return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
               QStringLiteral("/Tandrix.ini");
    }

    QTemporaryDir tmp;
    QString savedName;
};

} // namespace

TEST_F(SettingsLocation, CopyInABuildFolderKeepsItsSettingsBesideIt) {
    const QString program = dir(QStringLiteral("build/src"));
    ASSERT_TRUE(QDir().mkpath(program));
    EXPECT_FALSE(IsInstalledLayout(program));
    EXPECT_EQ(SettingsFilePath(program), program + QStringLiteral("Tandrix.ini"));
}

TEST_F(SettingsLocation, FolderNamedBinWithoutDesktopEntryIsNotAnInstallation) {
    const QString program = dir(QStringLiteral("stick/bin"));
    ASSERT_TRUE(QDir().mkpath(program));
    ASSERT_TRUE(touch(dir(QStringLiteral("stick/share/applications")) + QStringLiteral("other.desktop")));
    EXPECT_FALSE(IsInstalledLayout(program));
    EXPECT_EQ(SettingsFilePath(program), program + QStringLiteral("Tandrix.ini"));
}

TEST_F(SettingsLocation, DesktopEntryBesideAFolderNotNamedBinIsNotAnInstallation) {
    const QString program = dir(QStringLiteral("prefix/programs"));
    ASSERT_TRUE(QDir().mkpath(program));
    ASSERT_TRUE(touch(dir(QStringLiteral("prefix/share/applications")) + QStringLiteral("tandrix.desktop")));
    EXPECT_FALSE(IsInstalledLayout(program));
    EXPECT_EQ(SettingsFilePath(program), program + QStringLiteral("Tandrix.ini"));
}

TEST_F(SettingsLocation, InstalledCopyUsesTheUserConfigurationFolder) {
    const QString program = dir(QStringLiteral("prefix/bin"));
    ASSERT_TRUE(QDir().mkpath(program));
    ASSERT_TRUE(touch(dir(QStringLiteral("prefix/share/applications")) + QStringLiteral("tandrix.desktop")));
    EXPECT_TRUE(IsInstalledLayout(program));
    const QString path = SettingsFilePath(program);
    EXPECT_EQ(path, configIni());
    EXPECT_TRUE(path.endsWith(QStringLiteral("/Tandrix/Tandrix.ini"))) << path.toStdString();
    EXPECT_FALSE(path.startsWith(tmp.path()));
    // Without the trailing separator the program folder is recognised all the same.
    EXPECT_EQ(SettingsFilePath(tmp.path() + QStringLiteral("/prefix/bin")), configIni());
}

TEST_F(SettingsLocation, SettingsBesideAnInstalledCopyWin) {
    const QString program = dir(QStringLiteral("prefix/bin"));
    ASSERT_TRUE(touch(dir(QStringLiteral("prefix/share/applications")) + QStringLiteral("tandrix.desktop")));
    ASSERT_TRUE(touch(program + QStringLiteral("Tandrix.ini")));
    EXPECT_TRUE(IsInstalledLayout(program));
    EXPECT_EQ(SettingsFilePath(program), program + QStringLiteral("Tandrix.ini"));
}

TEST_F(SettingsLocation, CommonStatesLieBesideSettingsBesideTheProgramElseInTheDataFolder) {
    const QString program = dir(QStringLiteral("prefix/bin"));
    ASSERT_TRUE(QDir().mkpath(program));
    ASSERT_TRUE(touch(dir(QStringLiteral("prefix/share/applications")) + QStringLiteral("tandrix.desktop")));
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    EXPECT_TRUE(data.endsWith(QStringLiteral("/Tandrix"))) << data.toStdString();
    EXPECT_EQ(CommonStateFolder(program, SettingsFilePath(program)), data);
    ASSERT_TRUE(touch(program + QStringLiteral("Tandrix.ini")));
    EXPECT_EQ(CommonStateFolder(program, SettingsFilePath(program)),
              tmp.path() + QStringLiteral("/prefix/bin"));
}

TEST_F(SettingsLocation, MissingConfigurationFolderIsCreatedForSaving) {
    const QString path = tmp.path() + QStringLiteral("/home/.config/Tandrix/Tandrix.ini");
    ASSERT_FALSE(QFileInfo::exists(QFileInfo(path).absolutePath()));
    EXPECT_TRUE(EnsureSettingsFolder(path));
    EXPECT_TRUE(QFileInfo(QFileInfo(path).absolutePath()).isDir());
    EXPECT_TRUE(touch(path));
    // A folder that is there already is fine as well.
    EXPECT_TRUE(EnsureSettingsFolder(path));
}

TEST_F(SettingsLocation, FolderThatCannotBeMadeIsReported) {
    const QString blocker = tmp.path() + QStringLiteral("/file");
    ASSERT_TRUE(touch(blocker));
    EXPECT_FALSE(EnsureSettingsFolder(blocker + QStringLiteral("/sub/Tandrix.ini")));
}

TEST_F(SettingsLocation, StateUsesTheStoredPathAndFallsBackToTheProgramFolder) {
    AppState state;
    state.ProgramDir = dir(QStringLiteral("stick"));
    EXPECT_EQ(state.settingsPath(), state.ProgramDir + QStringLiteral("Tandrix.ini"));
    state.settingsFile = configIni();
    EXPECT_EQ(state.settingsPath(), configIni());
}

// The real install: the program, its desktop entry and its icon land in their standard places,
// and the installed program folder is recognised as an installation while the build folder is not.
TEST_F(SettingsLocation, CmakeInstallGivesTheRecognisedLayout) {
    const QString program = qEnvironmentVariable("TANDRIX_PROGRAM");
    if (program.isEmpty() || !QFileInfo(program).isFile())
        GTEST_SKIP() << "TANDRIX_PROGRAM not set or not built; run through ctest";
    QDir build = QFileInfo(program).absoluteDir();
    while (!build.exists(QStringLiteral("CMakeCache.txt")) && build.cdUp()) {
    }
    ASSERT_TRUE(build.exists(QStringLiteral("CMakeCache.txt")));
    const QString cmake = QStandardPaths::findExecutable(QStringLiteral("cmake"));
    if (cmake.isEmpty())
        GTEST_SKIP() << "cmake not found";

    const QString prefix = tmp.path() + QStringLiteral("/prefix");
    QProcess install;
    install.start(cmake,
                  {QStringLiteral("--install"), build.absolutePath(), QStringLiteral("--prefix"), prefix});
    ASSERT_TRUE(install.waitForFinished(120000));
    ASSERT_EQ(install.exitCode(), 0) << install.readAllStandardError().toStdString();

    EXPECT_TRUE(QFileInfo(prefix + QStringLiteral("/bin/Tandrix")).isExecutable());
    QFile entry(prefix + QStringLiteral("/share/applications/tandrix.desktop"));
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(entry.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("\nExec=Tandrix\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\nIcon=tandrix\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\nCategories=Utility;\n")));
    EXPECT_TRUE(
        QFileInfo(prefix + QStringLiteral("/share/icons/hicolor/scalable/apps/tandrix.svg")).isFile());

    EXPECT_TRUE(IsInstalledLayout(prefix + QStringLiteral("/bin/")));
    EXPECT_EQ(SettingsFilePath(prefix + QStringLiteral("/bin/")), configIni());
    EXPECT_FALSE(IsInstalledLayout(QFileInfo(program).absolutePath() + u'/'));
}
