#include "ops/FreeSpace.h"
#include "platform/Volume.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/statvfs.h>
#include <unistd.h>

TEST(GroupThousands, GroupsDigitsInThreesFromTheRight) {
    EXPECT_EQ(GroupThousands("0"), "0");
    EXPECT_EQ(GroupThousands("999"), "999");
    EXPECT_EQ(GroupThousands("1000"), "1'000");
    EXPECT_EQ(GroupThousands("1234567"), "1'234'567");
    EXPECT_EQ(GroupThousands("123456789"), "123'456'789");
    EXPECT_EQ(GroupThousands(""), "");
}

TEST(FreeSpaceText, FormatsMegabytesRoundedDown) {
    const int64_t mb = 1048576;
    EXPECT_EQ(FormatFreeSpace(12345 * mb + mb - 1, 953869 * mb), "12'345 frei von 953'869 MB");
    EXPECT_EQ(FormatFreeSpace(123456789 * mb, 987654321 * mb), "123'456'789 frei von 987'654'321 MB");
    EXPECT_EQ(FormatFreeSpace(mb - 1, 2048 * mb), "0 frei von 2'048 MB");
}

TEST(FreeSpaceText, MatchesTheVolumeOfAnExistingFolder) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    struct statvfs vfs {};
    ASSERT_EQ(statvfs(QFile::encodeName(dir.path()).constData(), &vfs), 0);
    const QString expectedTotal =
        GroupThousands(QString::number(int64_t(vfs.f_blocks) * vfs.f_frsize / 1048576));
    const QString text = FreeSpaceText(dir.path(), true);
    EXPECT_TRUE(text.endsWith(" frei von " + expectedTotal + " MB")) << text.toStdString();
}

TEST(FreeSpaceText, MissingFolderGivesEmptyText) {
    EXPECT_EQ(FreeSpaceText("/nonexistent-tandrix-folder/x/", true), "");
    EXPECT_EQ(FreeSpaceText("", true), "");
}

// A fake system root: its own mountinfo and a sysfs with one fixed and one removable disk.
class FakeSystem : public ::testing::Test {
protected:
    QTemporaryDir root;
    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        const QString r = root.path();
        write("proc/self/mountinfo", "22 1 254:1 / / rw,relatime - ext4 /dev/vda1 rw\n"
                                     "40 22 8:17 / /media/stick rw,relatime shared:5 - vfat /dev/sdb1 rw\n"
                                     "41 22 8:32 / /media/my\\040card rw,relatime - vfat /dev/sdc rw\n"
                                     "42 40 0:50 / /media/stick/inner rw - tmpfs tmpfs rw\n");
        write("sys/devices/pci0/virtio1/block/vda/removable", "0\n");
        write("sys/devices/pci0/virtio1/block/vda/vda1/partition", "1\n");
        write("sys/devices/usb1/host6/block/sdb/removable", "1\n");
        write("sys/devices/usb1/host6/block/sdb/sdb1/partition", "1\n");
        write("sys/devices/usb2/block/sdc/removable", "1\n");
        QDir().mkpath(r + "/sys/dev/block");
        link("../../devices/pci0/virtio1/block/vda/vda1", "sys/dev/block/254:1");
        link("../../devices/usb1/host6/block/sdb/sdb1", "sys/dev/block/8:17");
        QDir().mkpath(r + "/sys/class/block");
        link("../../devices/usb2/block/sdc", "sys/class/block/sdc");
    }
    void write(const QString& rel, const QByteArray& text) {
        const QString file = root.path() + "/" + rel;
        QDir().mkpath(QFileInfo(file).path());
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    void link(const QString& target, const QString& rel) {
        ASSERT_EQ(symlink(QFile::encodeName(target).constData(),
                          QFile::encodeName(root.path() + "/" + rel).constData()),
                  0);
    }
};

TEST_F(FakeSystem, PartitionOfARemovableDiskIsRemovable) {
    EXPECT_TRUE(IsRemovableVolume("/media/stick/docs/", root.path()));
    EXPECT_TRUE(IsRemovableVolume("/media/stick", root.path()));
}

TEST_F(FakeSystem, FixedDiskIsNotRemovable) {
    EXPECT_FALSE(IsRemovableVolume("/home/user/data/", root.path()));
    EXPECT_FALSE(IsRemovableVolume("/media/sticky/", root.path()));
}

TEST_F(FakeSystem, MountWithoutBlockDeviceIsNotRemovable) {
    EXPECT_FALSE(IsRemovableVolume("/media/stick/inner/x/", root.path()));
}

TEST_F(FakeSystem, DeviceFoundByNameAndEscapedMountPoint) {
    EXPECT_TRUE(IsRemovableVolume("/media/my card/photos/", root.path()));
}

TEST_F(FakeSystem, UnreadableMountTableCountsAsFixed) {
    EXPECT_FALSE(IsRemovableVolume("/media/stick/", root.path() + "/nowhere"));
}

TEST(FreeSpaceWorker, PublishesBothSidesInOrder) {
    const FreeSpaceJob job = NewFreeSpaceJob("/a/", "/b/", false);
    std::vector<std::pair<int, QString>> published;
    RunFreeSpaceWorker(
        job, [](const QString& dir, bool) { return "text of " + dir; },
        [&](int side, const QString& text) { published.emplace_back(side, text); });
    ASSERT_EQ(published.size(), 2u);
    EXPECT_EQ(published[0], std::make_pair(0, QString("text of /a/")));
    EXPECT_EQ(published[1], std::make_pair(1, QString("text of /b/")));
}

TEST(FreeSpaceWorker, OvertakenWorkerWritesNothing) {
    const FreeSpaceJob older = NewFreeSpaceJob("/a/", "/b/", false);
    int writes = 0;
    RunFreeSpaceWorker(
        older,
        [](const QString& dir, bool) {
            NewFreeSpaceJob("/c/", "/d/", false); // a newer refresh starts while this query runs
            return dir;
        },
        [&](int, const QString&) { ++writes; });
    EXPECT_EQ(writes, 0);
}

TEST(FreeSpaceWorker, OvertakenBetweenSidesKeepsOnlySideOne) {
    const FreeSpaceJob older = NewFreeSpaceJob("/a/", "/b/", true);
    std::vector<int> sides;
    RunFreeSpaceWorker(
        older,
        [](const QString& dir, bool removable) {
            EXPECT_TRUE(removable);
            if (dir == "/b/")
                NewFreeSpaceJob("/c/", "/d/", false);
            return dir;
        },
        [&](int side, const QString&) { sides.push_back(side); });
    EXPECT_EQ(sides, std::vector<int>{0});
}
