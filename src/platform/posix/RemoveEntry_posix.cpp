#include "platform/RemoveEntry.h"

#include "platform/FileName.h"

#include <QDateTime>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace {

constexpr unsigned long FuseMagic = 0x65735546;
// Room for ".trashinfo" and a number within a name of 255 bytes.
constexpr int LongestTrashName = 200;

QByteArray withoutTrailingSlashes(QByteArray path) {
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    return path;
}

QByteArray folderOf(const QByteArray& path) {
    const int slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

QByteArray leafOf(const QByteArray& path) {
    return path.mid(path.lastIndexOf('/') + 1);
}

// The path with its folder's links resolved; the entry itself is never followed.
QByteArray realEntryPath(const QByteArray& path) {
    char resolved[PATH_MAX];
    if (!realpath(folderOf(path).constData(), resolved))
        return {};
    QByteArray folder(resolved);
    return (folder == "/" ? folder : folder + '/') + leafOf(path);
}

bool ownFolder(const QByteArray& path, mode_t mode) {
    if (mkdir(path.constData(), mode) != 0 && errno != EEXIST)
        return false;
    struct stat st {};
    return lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid();
}

// Creates the folder and the folders above it that are missing.
bool makePath(const QByteArray& path) {
    struct stat st {};
    if (stat(path.constData(), &st) == 0)
        return S_ISDIR(st.st_mode);
    const QByteArray parent = folderOf(path);
    if (parent != path && !makePath(parent))
        return false;
    return mkdir(path.constData(), 0700) == 0 || errno == EEXIST;
}

// A trash folder with its two subfolders, on the device `device`.
bool usableTrash(const QByteArray& folder, uint64_t device, int& error) {
    if (!ownFolder(folder, 0700) || !ownFolder(folder + "/files", 0700) ||
        !ownFolder(folder + "/info", 0700)) {
        error = errno ? errno : EPERM;
        return false;
    }
    struct stat st {};
    if (stat((folder + "/files").constData(), &st) != 0 || uint64_t(st.st_dev) != device) {
        error = EXDEV;
        return false;
    }
    if (access((folder + "/files").constData(), W_OK) != 0 ||
        access((folder + "/info").constData(), W_OK) != 0) {
        error = errno;
        return false;
    }
    return true;
}

QByteArray homeTrash() {
    QByteArray base = qgetenv("XDG_DATA_HOME");
    if (!base.startsWith('/')) {
        const QByteArray home = qgetenv("HOME");
        if (!home.startsWith('/'))
            return {};
        base = home + "/.local/share";
    }
    return withoutTrailingSlashes(base) + "/Trash";
}

// The device of the nearest folder of `path` that exists.
bool nearestDevice(QByteArray path, uint64_t& device) {
    for (;;) {
        struct stat st {};
        if (stat(path.constData(), &st) == 0) {
            device = uint64_t(st.st_dev);
            return true;
        }
        const QByteArray parent = folderOf(path);
        if (parent == path)
            return false;
        path = parent;
    }
}

// The highest folder on the device `device` that holds `path` (or is it: a side's root can be
// the top of a stick).
QByteArray topFolder(const QByteArray& path, uint64_t device) {
    QByteArray top = path;
    for (;;) {
        if (top == "/")
            return top;
        const QByteArray parent = folderOf(top);
        struct stat st {};
        if (stat(parent.constData(), &st) != 0 || uint64_t(st.st_dev) != device)
            return top;
        top = parent;
    }
}

TrashLookup lookUp(const QByteArray& realPath, uint64_t device) {
    TrashLookup found;
    int error = 0;
    const QByteArray home = homeTrash();
    uint64_t homeDevice = 0;
    if (!home.isEmpty() && nearestDevice(home, homeDevice) && homeDevice == device) {
        found.place = DecodeFileName(home);
        if (makePath(folderOf(home)) && usableTrash(home, device, error))
            found.trash = Trash{home, {}, device, false};
        found.error = error;
        return found;
    }
    const QByteArray top = topFolder(realPath, device);
    found.place = DecodeFileName(top);
    const QByteArray base = top == "/" ? QByteArray() : top;
    const QByteArray uid = QByteArray::number(qulonglong(getuid()));
    struct statfs fs {};
    const bool fuse = statfs(top.constData(), &fs) == 0 && static_cast<unsigned long>(fs.f_type) == FuseMagic;
    // The shared trash counts only as desktops trust it: a real folder with the sticky bit.
    struct stat shared {};
    const QByteArray sharedFolder = base + "/.Trash";
    if (lstat(sharedFolder.constData(), &shared) == 0 && S_ISDIR(shared.st_mode) &&
        (shared.st_mode & S_ISVTX) && usableTrash(sharedFolder + '/' + uid, device, error)) {
        found.trash = Trash{sharedFolder + '/' + uid, top, device, fuse};
        return found;
    }
    error = 0;
    if (usableTrash(base + "/.Trash-" + uid, device, error))
        found.trash = Trash{base + "/.Trash-" + uid, top, device, fuse};
    found.error = error;
    return found;
}

bool writeAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// A name for the trash: the entry's own, shortened at a character's start where it is too long,
// with a number where it is taken.
QByteArray trashName(const QByteArray& leaf, int number) {
    QByteArray name = leaf;
    if (name.size() > LongestTrashName) {
        int cut = LongestTrashName;
        while (cut > 0 && (uchar(name[cut]) & 0xC0) == 0x80)
            --cut;
        name.truncate(cut);
    }
    if (number == 0)
        return name;
    const int dot = name.lastIndexOf('.');
    const QByteArray suffix = '.' + QByteArray::number(number);
    return dot > 0 ? name.left(dot) + suffix + name.mid(dot) : name + suffix;
}

QByteArray infoText(const QByteArray& realPath, const Trash& trash) {
    QByteArray shown = realPath;
    if (!trash.topdir.isEmpty() && trash.topdir != "/")
        shown = realPath.mid(trash.topdir.size() + 1);
    else if (!trash.topdir.isEmpty())
        shown = realPath.mid(1);
    const QByteArray date =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toLatin1();
    return "[Trash Info]\nPath=" + TrashInfoPath(shown) + "\nDeletionDate=" + date + '\n';
}

int renameNoReplace(const QByteArray& from, const QByteArray& to) {
    if (renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return NoFileError;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return errno;
    struct stat st {};
    if (lstat(to.constData(), &st) == 0)
        return EEXIST;
    return rename(from.constData(), to.constData()) == 0 ? NoFileError : errno;
}

enum class Place { Move, Link };

// Claims a name in the trash with its info file, then gives the entry that name: moved there, or
// (Link) a second name there while it keeps its own. `placed` gets the entry's path in the trash
// and `info` its info file's. NoFileError or the reason; on failure nothing is left in the trash.
int intoTrash(const QByteArray& path, const Trash& trash, Place how, QByteArray& placed, QByteArray& info) {
    const QByteArray realPath = realEntryPath(path);
    if (realPath.isEmpty())
        return errno;
    const QByteArray text = infoText(realPath, trash);
    const QByteArray leaf = leafOf(realPath);
    for (int number = 0; number < 100000; ++number) {
        const QByteArray name = trashName(leaf, number);
        info = trash.folder + "/info/" + name + ".trashinfo";
        const int fd = open(info.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return errno;
        }
        bool ok = writeAll(fd, text) && (!trash.flushEachInfo || fsync(fd) == 0);
        const int written = errno;
        ok = close(fd) == 0 && ok;
        if (!ok) {
            unlink(info.constData());
            return written ? written : EIO;
        }
        placed = trash.folder + "/files/" + name;
        int error = NoFileError;
        if (how == Place::Link)
            error = link(path.constData(), placed.constData()) == 0 ? NoFileError : errno;
        else
            error = renameNoReplace(path, placed);
        if (error == NoFileError)
            return NoFileError;
        unlink(info.constData());
        if (error != EEXIST)
            return error;
    }
    return EEXIST;
}

void sumBytes(int folderFd, int64_t& total) {
    DIR* dir = fdopendir(folderFd);
    if (!dir) {
        close(folderFd);
        return;
    }
    while (dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        struct stat st {};
        if (fstatat(dirfd(dir), name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        total += int64_t(st.st_blocks) * 512;
        if (S_ISDIR(st.st_mode)) {
            const int child = openat(dirfd(dir), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child >= 0)
                sumBytes(child, total);
        }
    }
    closedir(dir);
}

} // namespace

QByteArray TrashInfoPath(const QByteArray& path) {
    static const QByteArray keep = "-_.!~*'()/";
    QByteArray out;
    out.reserve(path.size());
    for (const char c : path) {
        const uchar u = uchar(c);
        if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || keep.contains(c)) {
            out += c;
        } else {
            out += '%';
            out += QByteArray::number(u, 16).rightJustified(2, '0').toUpper();
        }
    }
    return out;
}

const TrashLookup& TrashFor(TrashPlaces& places, const QString& path) {
    const QByteArray name = withoutTrailingSlashes(EncodeFileName(path));
    struct stat st {};
    if (lstat(name.constData(), &st) != 0) {
        static TrashLookup none;
        none = TrashLookup{std::nullopt, errno, path};
        return none;
    }
    const uint64_t device = uint64_t(st.st_dev);
    const auto known = places.byDevice.find(device);
    if (known != places.byDevice.end())
        return known->second;
    return places.byDevice[device] = lookUp(realEntryPath(name), device);
}

int RemoveEntry(const QString& path, const ExpectedEntry& expected, const Trash* trash) {
    const QByteArray name = withoutTrailingSlashes(EncodeFileName(path));
    if (const int error = CheckEntry(path, expected))
        return error;
    struct stat st {};
    if (lstat(name.constData(), &st) != 0)
        return errno;
    if (S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR))
        return WriteProtected;
    if (!trash) {
        int error = NoFileError;
        const bool removed = S_ISDIR(st.st_mode) ? DeleteTreeForced(DecodeFileName(name), &error)
                                                 : unlink(name.constData()) == 0;
        return removed ? NoFileError : (error ? error : errno);
    }
    if (uint64_t(st.st_dev) != trash->device)
        return EXDEV;
    QByteArray placed;
    QByteArray info;
    return intoTrash(name, *trash, Place::Move, placed, info);
}

int CommitCopyKeepingOld(const PreparedCopy& copy, const ExpectedEntry& expected, const Trash& trash) {
    struct stat st {};
    if (lstat(copy.destination.constData(), &st) != 0 && errno == ENOENT)
        return CommitCopy(copy, expected);
    NoteDurabilityEvent("commit " + copy.destination);
    int error = CheckEntry(DecodeFileName(copy.destination), expected);
    if (error == NoFileError && uint64_t(st.st_dev) != trash.device)
        error = EXDEV;
    QByteArray placed;
    QByteArray info;
    if (error == NoFileError) {
        error = intoTrash(copy.destination, trash, Place::Link, placed, info);
        if (error == NoFileError) {
            NoteDurabilityEvent("trash " + copy.destination);
            if (rename(copy.temp.constData(), copy.destination.constData()) == 0)
                return NoFileError;
            error = errno;
            unlink(placed.constData());
            unlink(info.constData());
        } else if (error != EEXIST) {
            // No second name on this file system (FAT): the old version moves, and the copy takes
            // the freed name at once.
            error = intoTrash(copy.destination, trash, Place::Move, placed, info);
            if (error == NoFileError) {
                NoteDurabilityEvent("trash " + copy.destination);
                error = renameNoReplace(copy.temp, copy.destination);
                if (error == NoFileError)
                    return NoFileError;
                if (renameNoReplace(placed, copy.destination) == NoFileError)
                    unlink(info.constData());
            }
        }
    }
    unlink(copy.temp.constData());
    return error;
}

bool IsTrashFolderName(const QByteArray& name) {
    if (name == ".Trash")
        return true;
    if (!name.startsWith(".Trash-") || name.size() == 7)
        return false;
    for (qsizetype i = 7; i < name.size(); ++i)
        if (name[i] < '0' || name[i] > '9')
            return false;
    return true;
}

int64_t TrashBytes(const Trash& trash) {
    int64_t total = 0;
    const int fd =
        open((trash.folder + "/files").constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0)
        sumBytes(fd, total);
    return total;
}
