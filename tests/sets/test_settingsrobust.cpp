#include "sets/SettingsFile.h"
#include "support/FileBytes.h"
#include "support/Privileges.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>

namespace {
// Bytes that mean something to the parser, mixed with any other byte.
QByteArray randomSettingsBytes(QRandomGenerator& random) {
    static const QByteArray pieces[] = {"[",     "]",        "=",          ";",
                                        "\r",    "\n",       "\r\n",       " ",
                                        "\t",    "Sets",     "Set_",       "Generell",
                                        "Src",   "Filter",   "IniVersion", "81107",
                                        "80000", "-",        "|",          "\xEF\xBB\xBF",
                                        "\xE4",  "\xC3\xA4", "\xFF\xFE",   QByteArray(1, '\0')};
    QByteArray bytes;
    const int count = int(random.bounded(1, 400));
    for (int i = 0; i < count; ++i) {
        if (random.bounded(3) == 0)
            bytes += char(random.bounded(256));
        else
            bytes += pieces[random.bounded(int(std::size(pieces)))];
    }
    return bytes;
}
} // namespace

// Random damaged files, each loaded and then saved back: nothing crashes (the sanitizer build runs
// this too), every value is a plain default or what the file said, and a second load of the
// written file gives the same sets.
TEST(SettingsRobustness, RandomDamagedFilesLoadAndSaveWithoutCrash) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.path() + "/Tandrix.ini";
    QRandomGenerator random(20261208);
    WindowPlacement current{10, 20, 800, 600, WindowPlacement::State::Normal};
    for (int round = 0; round < 600; ++round) {
        SCOPED_TRACE(round);
        const QByteArray bytes = randomSettingsBytes(random);
        writeBytes(path, bytes);
        const LoadedSettings loaded = ReadSettingsFile(path, current);
        for (const SyncSet& set : loaded.sets)
            EXPECT_FALSE(set.Name.isEmpty());
        SettingsToSave save;
        save.settings = loaded.settings;
        save.setCombo = loaded.setCombo;
        save.window = current;
        save.columnWidths = loaded.columnWidths;
        save.sets = loaded.sets;
        WriteSettingsFile(path, save);
        QFile::remove(path + ".bak"); // so every damaged round is written again
        const LoadedSettings again = ReadSettingsFile(path, current);
        std::vector<QString> before, after;
        for (const SyncSet& s : loaded.sets)
            before.push_back(s.Name);
        for (const SyncSet& s : again.sets)
            after.push_back(s.Name);
        if (loaded.hasSetsGroup && loaded.settings.IniVersion >= 80603) {
            EXPECT_EQ(after, before) << bytes.toHex().toStdString();
        }
    }
}

// A save that fails half-way, because the disk fills up, leaves the previous file as it was: the
// one through a temporary file, and the one in place where the folder takes no new file.
TEST(SettingsRobustness, SaveThatRunsOutOfSpaceKeepsThePreviousFile) {
    for (const bool folderWritable : {true, false}) {
        SCOPED_TRACE(folderWritable ? "temporary file" : "in place");
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const QByteArray mountPoint = QFile::encodeName(dir.path());
        if (mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=64k") != 0)
            GTEST_SKIP() << "a small tmpfs cannot be mounted here";
        const QString path = dir.path() + "/Tandrix.ini";
        SettingsToSave small;
        small.settings.IniVersion = CurrentIniVersion;
        small.setCombo = "A";
        small.sets.push_back({"A", "/daten/", "/stick/", "", ""});
        small.columnWidths = {150, 260, 70, 50, 50, 50, 70};
        WriteSettingsFile(path, small);
        const QByteArray original = readBytes(path);
        ASSERT_FALSE(original.isEmpty());

        SettingsToSave large = small;
        for (int i = 0; i < 2000; ++i)
            large.sets.push_back({QString("Set %1").arg(i), QString(60, u'q'), QString(60, u'z'), "", ""});
        PermissionBitsApply permissions;
        if (!folderWritable && (!permissions.active() || chmod(mountPoint.constData(), 0555) != 0)) {
            umount(mountPoint.constData());
            GTEST_SKIP() << "permission bits cannot be made to apply here";
        }
        const QStringList messages = WriteSettingsFile(path, large);
        const QByteArray after = readBytes(path);
        const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        umount(mountPoint.constData());
        EXPECT_EQ(after.size(), original.size()) << "written: " << after.size();
        EXPECT_EQ(after, original);
        EXPECT_EQ(left, QStringList("Tandrix.ini"));
        EXPECT_EQ(messages, QStringList("Fehler - kann INI nicht schreiben: " + path));
    }
}
