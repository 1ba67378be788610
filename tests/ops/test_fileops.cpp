#include "platform/FileName.h"
#include "platform/FileOps.h"
#include "platform/RemoveEntry.h"
#include "support/FileBytes.h"
#include "support/Privileges.h"
#include "support/TrashTools.h"
#include "support/TreeBuilder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray contentsOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Names of the copy's temporary files left in a folder.
QStringList leftoverTemps(const QString& folder) {
    return QDir(folder).entryList({CopyTempPrefix() + "*"}, QDir::Files | QDir::Hidden | QDir::System);
}

mode_t modeOf(const QString& path) {
    struct stat st {};
    lstat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

} // namespace

TEST(StatPath, ReportsKindAndSizeWithoutFollowingLinks) {
    TestTree t({File("a.txt", "hello"), Dir("d/"), Link("l", "d")});
    ASSERT_TRUE(t.ok());
    EXPECT_EQ(StatPath(t.path("a.txt")).kind, PathKind::File);
    EXPECT_EQ(StatPath(t.path("a.txt")).size, 5);
    EXPECT_EQ(StatPath(t.path("d/")).kind, PathKind::Directory);
    EXPECT_EQ(StatPath(t.path("l")).kind, PathKind::Link);
    EXPECT_EQ(StatPath(t.path("l/")).kind, PathKind::Link);
    EXPECT_EQ(StatPath(t.path("none")).kind, PathKind::Missing);
}

TEST(CreateOneDirectory, KeepsTrailingBlanksAndDotsStripsSlashesAndMakesNoParents) {
    TestTree t;
    ASSERT_TRUE(t.ok());
    EXPECT_TRUE(CreateOneDirectory(t.path("docs//")));
    EXPECT_TRUE(QFileInfo(t.path("docs")).isDir());
    EXPECT_TRUE(CreateOneDirectory(t.path("docs /")));
    EXPECT_TRUE(CreateOneDirectory(t.path("docs./")));
    EXPECT_EQ(DescribeTree(t.path()), QStringList({"docs /", "docs./", "docs/"}));
    EXPECT_FALSE(CreateOneDirectory(t.path("docs/")));
    EXPECT_FALSE(CreateOneDirectory(t.path("missing/sub/")));
    EXPECT_FALSE(QFileInfo::exists(t.path("missing")));
}

TEST(DeleteFile, RefusesWriteProtectedFilesAndDirectories) {
    TreeEntry ro = File("ro.txt", "keep");
    ro.readOnly = true;
    TestTree t({File("a.txt", "x"), ro, Dir("d/")});
    ASSERT_TRUE(t.ok());
    EXPECT_TRUE(DeleteFile(t.path("a.txt")));
    EXPECT_FALSE(QFileInfo::exists(t.path("a.txt")));
    EXPECT_FALSE(DeleteFile(t.path("ro.txt")));
    EXPECT_EQ(contentsOf(t.path("ro.txt")), "keep");
    EXPECT_FALSE(DeleteFile(t.path("d/")));
    EXPECT_FALSE(DeleteFile(t.path("d")));
    EXPECT_TRUE(QFileInfo(t.path("d")).isDir());
}

TEST(DeleteTreeForced, RemovesWriteProtectedContentsButNeverFollowsLinks) {
    TestTree outside({File("precious/keep.txt", "mine")});
    TreeEntry ro = File("tree/sub/ro.txt", "x");
    ro.readOnly = true;
    TestTree t({File("tree/a.txt", "a"), ro, Dir("tree/empty/"), Link("tree/out", outside.path("precious")),
                Link("tree/outfile", outside.path("precious/keep.txt"))});
    ASSERT_TRUE(t.ok() && outside.ok());
    ASSERT_EQ(chmod(QFile::encodeName(t.path("tree/sub")).constData(), 0555), 0);
    EXPECT_TRUE(DeleteTreeForced(t.path("tree/")));
    EXPECT_FALSE(QFileInfo::exists(t.path("tree")));
    EXPECT_EQ(contentsOf(outside.path("precious/keep.txt")), "mine");
}

TEST(DeleteTreeForced, RefusesALinkToADirectory) {
    TestTree outside({File("precious/keep.txt", "mine")});
    TestTree t({Link("l", outside.path("precious"))});
    ASSERT_TRUE(t.ok() && outside.ok());
    EXPECT_FALSE(DeleteTreeForced(t.path("l/")));
    EXPECT_EQ(contentsOf(outside.path("precious/keep.txt")), "mine");
}

TEST(ModTime, SetDropsTheFractionAndRefusesDirectoriesAndWriteProtectedFiles) {
    TreeEntry f = File("a.txt", "x", 1500000000);
    f.mtimeNsec = 250000000;
    TreeEntry ro = File("ro.txt", "x", 1500000000);
    ro.readOnly = true;
    TestTree t({f, ro, Dir("d/", 1500000000)});
    ASSERT_TRUE(t.ok());
    ASSERT_EQ(ReadModTime(t.path("a.txt"))->nanoseconds, 250000000);
    EXPECT_TRUE(SetModTime(t.path("a.txt"), 1600000000));
    EXPECT_EQ(ReadModTime(t.path("a.txt"))->seconds, 1600000000);
    EXPECT_EQ(ReadModTime(t.path("a.txt"))->nanoseconds, 0);
    EXPECT_EQ(contentsOf(t.path("a.txt")), "x");
    EXPECT_FALSE(SetModTime(t.path("ro.txt"), 1600000000));
    EXPECT_EQ(ReadModTime(t.path("ro.txt"))->seconds, 1500000000);
    EXPECT_FALSE(SetModTime(t.path("d/"), 1600000000));
    EXPECT_EQ(ReadModTime(t.path("d/"))->seconds, 1500000000);
    EXPECT_FALSE(SetModTime(t.path("none"), 1600000000));
    EXPECT_FALSE(ReadModTime(t.path("none")).has_value());
}

TEST(PassesThroughLink, ChecksEveryFolderBelowTheRoot) {
    TestTree outside({File("x/b.txt", "b")});
    TestTree t(
        {File("real/sub/f.txt", "f"), Link("a", outside.path("x")), Link("real/l", outside.path("x"))});
    ASSERT_TRUE(t.ok() && outside.ok());
    EXPECT_FALSE(PassesThroughLink(t.path(), "real/sub/f.txt"));
    EXPECT_FALSE(PassesThroughLink(t.path(), "real/sub/"));
    EXPECT_FALSE(PassesThroughLink(t.path(), "a"));
    EXPECT_FALSE(PassesThroughLink(t.path(), "missing/x/y.txt"));
    EXPECT_TRUE(PassesThroughLink(t.path(), "a/b.txt"));
    EXPECT_TRUE(PassesThroughLink(t.path(), "a/"));
    EXPECT_TRUE(PassesThroughLink(t.path(), "real/l/b.txt"));
    EXPECT_TRUE(PassesThroughLink(t.path(), "real/../a.txt"));
}

class Copy : public ::testing::Test {
protected:
    TestTree src;
    TestTree dst;
    void TearDown() override { SetCopyWriteLimit(-1); }
};

TEST_F(Copy, CarriesContentsPermissionsAndNanosecondTime) {
    TreeEntry f = File("a.txt", "new contents", 1500000000);
    f.mtimeNsec = 123456789;
    ASSERT_TRUE(src.add({f}));
    ASSERT_EQ(chmod(QFile::encodeName(src.path("a.txt")).constData(), 0640), 0);
    int calls = 0;
    EXPECT_TRUE(CopyFileAtomic(src.path("a.txt"), dst.path("a.txt"), [&](int64_t total, int64_t) {
        EXPECT_EQ(total, 12);
        ++calls;
        return true;
    }));
    EXPECT_GE(calls, 1);
    EXPECT_EQ(contentsOf(dst.path("a.txt")), "new contents");
    EXPECT_EQ(modeOf(dst.path("a.txt")), 0640u);
    EXPECT_EQ(ReadModTime(dst.path("a.txt"))->seconds, 1500000000);
    EXPECT_EQ(ReadModTime(dst.path("a.txt"))->nanoseconds, 123456789);
    EXPECT_TRUE(leftoverTemps(dst.path()).isEmpty());
}

TEST_F(Copy, OverwritesAnExistingDestination) {
    ASSERT_TRUE(src.add({File("a.txt", "new", 1600000000)}));
    ASSERT_TRUE(dst.add({File("a.txt", "old and longer", 1500000000)}));
    EXPECT_TRUE(CopyFileAtomic(src.path("a.txt"), dst.path("a.txt"), {}));
    EXPECT_EQ(contentsOf(dst.path("a.txt")), "new");
    EXPECT_EQ(ReadModTime(dst.path("a.txt"))->seconds, 1600000000);
}

TEST_F(Copy, LargeFileReportsProgressPerMegabyteChunk) {
    ASSERT_TRUE(src.add({SizedFile("big.bin", 5 * 1048576 + 10)}));
    std::vector<int64_t> done;
    EXPECT_TRUE(CopyFileAtomic(src.path("big.bin"), dst.path("big.bin"), [&](int64_t, int64_t d) {
        done.push_back(d);
        return true;
    }));
    EXPECT_EQ(QFileInfo(dst.path("big.bin")).size(), 5 * 1048576 + 10);
    ASSERT_GE(done.size(), 6u);
    EXPECT_EQ(done.front(), 0);
    EXPECT_EQ(done.back(), 5 * 1048576 + 10);
}

TEST_F(Copy, CancelKeepsTheOldDestinationAndLeavesNoTemporaryFile) {
    ASSERT_TRUE(src.add({SizedFile("big.bin", 4 * 1048576)}));
    ASSERT_TRUE(dst.add({File("big.bin", "old", 1500000000)}));
    EXPECT_FALSE(CopyFileAtomic(src.path("big.bin"), dst.path("big.bin"),
                                [](int64_t, int64_t done) { return done < 1048576; }));
    EXPECT_EQ(contentsOf(dst.path("big.bin")), "old");
    EXPECT_EQ(ReadModTime(dst.path("big.bin"))->seconds, 1500000000);
    EXPECT_TRUE(leftoverTemps(dst.path()).isEmpty());
}

TEST_F(Copy, InjectedWriteFailureKeepsTheOldDestination) {
    ASSERT_TRUE(src.add({SizedFile("big.bin", 3 * 1048576)}));
    ASSERT_TRUE(dst.add({File("big.bin", "old")}));
    SetCopyWriteLimit(1048576 + 100);
    EXPECT_FALSE(CopyFileAtomic(src.path("big.bin"), dst.path("big.bin"), {}));
    EXPECT_EQ(contentsOf(dst.path("big.bin")), "old");
    EXPECT_TRUE(leftoverTemps(dst.path()).isEmpty());
    SetCopyWriteLimit(-1);
    EXPECT_TRUE(CopyFileAtomic(src.path("big.bin"), dst.path("big.bin"), {}));
    EXPECT_EQ(QFileInfo(dst.path("big.bin")).size(), 3 * 1048576);
}

// A stick of 1 MiB: a file that does not fit fails and keeps the old one, while a sparse file of
// 2 GiB with little data fits, as its holes stay holes.
TEST_F(Copy, SmallFileSystemTakesSparseFilesAndKeepsTheOldDestinationWhenFull) {
    const QString mountPoint = dst.path("small");
    ASSERT_TRUE(QDir().mkpath(mountPoint));
    if (mount("tmpfs", QFile::encodeName(mountPoint).constData(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    struct Unmount {
        QString path;
        ~Unmount() { umount2(QFile::encodeName(path).constData(), MNT_DETACH); }
    } unmount{mountPoint};
    ASSERT_TRUE(src.add({SizedFile("big.bin", 3 * 1048576)}));
    ASSERT_TRUE(BuildTree(mountPoint + "/", {File("big.bin", "old")}));
    EXPECT_FALSE(CopyFileAtomic(src.path("big.bin"), mountPoint + "/big.bin", {}));
    EXPECT_EQ(contentsOf(mountPoint + "/big.bin"), "old");
    EXPECT_TRUE(leftoverTemps(mountPoint).isEmpty());

    constexpr int64_t Size = int64_t(2) << 30;
    const QByteArray sparse = QFile::encodeName(src.path("sparse.bin"));
    const int fd = ::open(sparse.constData(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::ftruncate(fd, Size), 0);
    EXPECT_EQ(::pwrite(fd, "data", 4, Size / 2), 4);
    ::close(fd);
    EXPECT_TRUE(CopyFileAtomic(src.path("sparse.bin"), mountPoint + "/sparse.bin", {}));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(mountPoint + "/sparse.bin").constData(), &st), 0);
    EXPECT_EQ(st.st_size, Size);
    EXPECT_LT(int64_t(st.st_blocks) * 512, 1 << 20);
    QFile copy(mountPoint + "/sparse.bin");
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly) && copy.seek(Size / 2 - 2));
    EXPECT_EQ(copy.read(6), QByteArray("\0\0data", 6));
}

TEST_F(Copy, VanishedSourceFails) {
    ASSERT_TRUE(dst.add({File("a.txt", "old")}));
    EXPECT_FALSE(CopyFileAtomic(src.path("a.txt"), dst.path("a.txt"), {}));
    EXPECT_EQ(contentsOf(dst.path("a.txt")), "old");
}

TEST_F(Copy, ReadOnlyDestinationFolderFails) {
    ASSERT_TRUE(src.add({File("a.txt", "new")}));
    ASSERT_TRUE(dst.add({File("ro/a.txt", "old")}));
    ASSERT_EQ(chmod(QFile::encodeName(dst.path("ro")).constData(), 0555), 0);
    {
        PermissionBitsApply apply;
        if (!apply.active())
            GTEST_SKIP() << "cannot give up the capabilities that ignore permission bits";
        EXPECT_FALSE(CopyFileAtomic(src.path("a.txt"), dst.path("ro/a.txt"), {}));
    }
    chmod(QFile::encodeName(dst.path("ro")).constData(), 0755);
    EXPECT_EQ(contentsOf(dst.path("ro/a.txt")), "old");
    EXPECT_TRUE(leftoverTemps(dst.path("ro")).isEmpty());
}

TEST_F(Copy, WriteProtectedDestinationIsNotReplaced) {
    ASSERT_TRUE(src.add({File("a.txt", "new")}));
    TreeEntry ro = File("a.txt", "old");
    ro.readOnly = true;
    ASSERT_TRUE(dst.add({ro}));
    EXPECT_FALSE(CopyFileAtomic(src.path("a.txt"), dst.path("a.txt"), {}));
    EXPECT_EQ(contentsOf(dst.path("a.txt")), "old");
}

TEST_F(Copy, LongestFileNameCopies) {
    const QString name = QString(255, QLatin1Char('n'));
    ASSERT_TRUE(src.add({File(name, "long")}));
    EXPECT_TRUE(CopyFileAtomic(src.path(name), dst.path(name), {}));
    EXPECT_EQ(contentsOf(dst.path(name)), "long");
}

TEST_F(Copy, SymbolicLinkIsCopiedAsLink) {
    ASSERT_TRUE(src.add({File("target.txt", "t"), Link("l", "target.txt")}));
    ASSERT_TRUE(dst.add({File("l", "old file")}));
    EXPECT_TRUE(CopyFileAtomic(src.path("l"), dst.path("l"), {}));
    EXPECT_EQ(QFileInfo(dst.path("l")).symLinkTarget(), dst.path("target.txt"));
    EXPECT_EQ(StatPath(dst.path("l")).kind, PathKind::Link);
    EXPECT_TRUE(leftoverTemps(dst.path()).isEmpty());
}

TEST_F(Copy, DestinationDirectoryIsNotReplaced) {
    ASSERT_TRUE(src.add({File("a", "file")}));
    ASSERT_TRUE(dst.add({File("a/inside.txt", "x")}));
    EXPECT_FALSE(CopyFileAtomic(src.path("a"), dst.path("a"), {}));
    EXPECT_EQ(contentsOf(dst.path("a/inside.txt")), "x");
    EXPECT_TRUE(leftoverTemps(dst.path()).isEmpty());
}

TEST(Trash, InfoPathKeepsTheNameByteForByte) {
    struct Case {
        QByteArray path, info;
    };
    for (const Case& c : {Case{"/a/Notes 1.txt", "/a/Notes%201.txt"}, Case{"d/100%.txt", "d/100%25.txt"},
                          Case{"/x/\xff\xfe-_.!~*'()", "/x/%FF%FE-_.!~*'()"},
                          Case{"/\xc3\xbc#?&=+", "/%C3%BC%23%3F%26%3D%2B"}})
        EXPECT_EQ(TrashInfoPath(c.path), c.info) << c.path.constData();
}

// Files and a folder with awkward names go into the home trash (here on the trees' file system),
// each with its info file: trash-cli lists them by their original paths and restores them.
TEST(Trash, HomeTrashEntriesAreListedAndRestoredByTheDesktopTools) {
    if (!HaveTrashCli())
        GTEST_SKIP() << "trash-cli is not installed";
    TestTree tree(
        {File("a b.txt", "blank"), File("100%.txt", "percent"), Dir("dir x/"), File("dir x/in.txt", "in")});
    const QString raw = tree.path("") + DecodeFileName(QByteArray("raw\xff.bin"));
    const int fd = ::open(EncodeFileName(raw).constData(), O_WRONLY | O_CREAT, 0644);
    ASSERT_TRUE(fd >= 0 && ::write(fd, "raw", 3) == 3);
    ::close(fd);
    TrashPlaces places;
    const TrashLookup& home = TrashFor(places, tree.path("a b.txt"));
    ASSERT_TRUE(home.trash);
    EXPECT_EQ(home.trash->folder, qgetenv("XDG_DATA_HOME") + "/Trash");
    for (const QString& path : {tree.path("a b.txt"), tree.path("100%.txt"), tree.path("dir x")}) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_EQ(RemoveEntry(path, {}, &*home.trash), NoFileError);
        EXPECT_EQ(StatPath(path).kind, PathKind::Missing);
        EXPECT_TRUE(TrashListed().contains(EncodeFileName(path)));
        EXPECT_TRUE(TrashRestore(path));
    }
    EXPECT_EQ(contentsOf(tree.path("a b.txt")), "blank");
    EXPECT_EQ(contentsOf(tree.path("100%.txt")), "percent");
    EXPECT_EQ(contentsOf(tree.path("dir x/in.txt")), "in");
    // trash-cli shows an undecodable byte as a replacement character; the info file holds it as
    // gio writes it, so the desktop puts it back under its own name.
    EXPECT_EQ(RemoveEntry(raw, {}, &*home.trash), NoFileError);
    const QByteArray trash = home.trash->folder;
    EXPECT_EQ(readBytes(DecodeFileName(trash + "/files/raw\xff.bin")), "raw");
    const QByteArray info = readBytes(DecodeFileName(trash + "/info/raw\xff.bin.trashinfo"));
    EXPECT_TRUE(info.contains("\nPath=" + TrashInfoPath(EncodeFileName(tree.path(""))) + "raw%FF.bin\n"))
        << info.constData();
}

// Another file system has its own trash at its top, never the home's; one that is a link or
// not sticky as desktops require is not taken.
TEST(Trash, OtherFileSystemsUseTheirOwnTopFolderTrash) {
    struct Case {
        const char* prepare;
        QByteArray folder; // below the top, empty: none
    };
    const QByteArray uid = QByteArray::number(getuid());
    for (const Case& c : {Case{"", "/.Trash-" + uid}, Case{"sticky", "/.Trash/" + uid},
                          Case{"plain", "/.Trash-" + uid}, Case{"link", ""}}) {
        SCOPED_TRACE(c.prepare);
        OtherFileSystem other;
        if (!other.ok())
            GTEST_SKIP() << "cannot mount a tmpfs here";
        const QByteArray top = QFile::encodeName(other.path()).chopped(1);
        ASSERT_TRUE(BuildTree(other.path(), {Dir("sub/"), File("sub/f.txt", "f")}));
        const QByteArray prepare = c.prepare;
        if (prepare == "sticky" || prepare == "plain") {
            ASSERT_EQ(::mkdir((top + "/.Trash").constData(), 0777), 0);
            ASSERT_EQ(::chmod((top + "/.Trash").constData(), prepare == "sticky" ? 01777 : 0777), 0);
        }
        if (prepare == "link") {
            ASSERT_EQ(::symlink("/tmp", (top + "/.Trash-" + uid).constData()), 0);
        }
        TrashPlaces places;
        const TrashLookup& found = TrashFor(places, other.path() + "sub/f.txt");
        ASSERT_EQ(bool(found.trash), !c.folder.isEmpty());
        EXPECT_EQ(found.place, other.path().chopped(1));
        // The top folder itself, as a side's root, finds the same trash.
        TrashPlaces fresh;
        const TrashLookup& ofTop = TrashFor(fresh, other.path());
        EXPECT_EQ(ofTop.trash ? ofTop.trash->folder : QByteArray(),
                  found.trash ? found.trash->folder : QByteArray());
        if (!found.trash)
            continue;
        EXPECT_EQ(found.trash->folder, top + c.folder);
        EXPECT_EQ(RemoveEntry(other.path() + "sub/f.txt", {}, &*found.trash), NoFileError);
        QFile info(QFile::decodeName(top + c.folder + "/info/f.txt.trashinfo"));
        ASSERT_TRUE(info.open(QIODevice::ReadOnly));
        EXPECT_TRUE(info.readAll().startsWith("[Trash Info]\nPath=sub/f.txt\nDeletionDate="));
        EXPECT_EQ(contentsOf(QFile::decodeName(top + c.folder + "/files/f.txt")), "f");
    }
}

// A replacement killed at any of its steps leaves the old version at its place or in the trash,
// and the new one complete (in place, or as the copy's temporary file).
TEST_F(Copy, InterruptedReplacementNeverLosesTheOldVersion) {
    if (!HaveTrashCli())
        GTEST_SKIP() << "trash-cli is not installed";
    // Forked where it stands, so the child works on these very trees.
    GTEST_FLAG_SET(death_test_style, "fast");
    for (const char* step : {"commit ", "trash "}) {
        SCOPED_TRACE(step);
        TestTree from({File("f.txt", "new")});
        TestTree to({File("f.txt", "old")});
        TrashPlaces places;
        const Trash trash = *TrashFor(places, to.path("f.txt")).trash;
        const QString stop = step;
        EXPECT_EXIT(
            {
                SetDurabilityTrace([stop](const QByteArray& event) {
                    if (event.startsWith(stop.toLatin1()))
                        _exit(7);
                });
                const auto copy = PrepareCopy(from.path("f.txt"), to.path("f.txt"), {});
                FlushFileSystems({copy->folder});
                CommitCopyKeepingOld(*copy, {}, trash);
                _exit(0);
            },
            ::testing::ExitedWithCode(7), "");
        const QByteArray placed = contentsOf(to.path("f.txt"));
        const QStringList temps = leftoverTemps(to.path(""));
        ASSERT_EQ(temps.size(), 1);
        EXPECT_EQ(contentsOf(to.path(temps.first())), "new");
        const bool inTrash = TrashListed().contains(EncodeFileName(to.path("f.txt")));
        EXPECT_TRUE(placed == "old" || inTrash);
        EXPECT_EQ(inTrash, stop == "trash ");
    }
}

// The replacement done: the new version in place, the old one in the trash, nothing else left.
TEST_F(Copy, ReplacementKeepsTheOldVersionInTheTrash) {
    ASSERT_TRUE(src.add({File("f.txt", "new")}));
    ASSERT_TRUE(dst.add({File("f.txt", "old")}));
    TrashPlaces places;
    const auto copy = PrepareCopy(src.path("f.txt"), dst.path("f.txt"), {});
    ASSERT_TRUE(copy && FlushFileSystems({copy->folder}) == NoFileError);
    EXPECT_EQ(CommitCopyKeepingOld(*copy, {}, *TrashFor(places, dst.path("f.txt")).trash), NoFileError);
    EXPECT_EQ(contentsOf(dst.path("f.txt")), "new");
    EXPECT_TRUE(leftoverTemps(dst.path("")).isEmpty());
    if (!HaveTrashCli())
        return;
    ASSERT_TRUE(QFile::remove(dst.path("f.txt")));
    EXPECT_TRUE(TrashRestore(dst.path("f.txt")));
    EXPECT_EQ(contentsOf(dst.path("f.txt")), "old");
}
