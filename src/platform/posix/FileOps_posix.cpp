#include "platform/FileOps.h"

#include "platform/FileName.h"

#include <QFile>
#include <QRandomGenerator>
#include <QStringList>

#include <atomic>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr size_t ChunkBytes = 1 << 20;
std::atomic<int64_t> writeLimit{-1};

QByteArray encoded(const QString& path) {
    return EncodeFileName(path);
}

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

bool lstatPath(const QByteArray& path, struct stat& st) {
    return lstat(path.constData(), &st) == 0;
}

bool ownerCannotWrite(const struct stat& st) {
    return S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR);
}

// Entries of an open directory, "." and ".." left out; read completely before anything is removed.
std::vector<QByteArray> entryNames(DIR* dir) {
    std::vector<QByteArray> names;
    while (dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        names.emplace_back(name);
    }
    return names;
}

int openFolderAt(int parentFd, const char* name) {
    int fd = openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 && errno == EACCES) {
        struct stat st {};
        if (fstatat(parentFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode)) {
            fchmodat(parentFd, name, (st.st_mode & 07777) | S_IRWXU, 0);
            fd = openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        }
    }
    return fd;
}

// Works through file descriptors relative to the parent, so a link swapped in meanwhile can
// never lead the deletion out of the tree.
bool deleteTreeAt(int parentFd, const char* name) {
    const int fd = openFolderAt(parentFd, name);
    if (fd >= 0) {
        struct stat self {};
        if (fstat(fd, &self) == 0)
            fchmod(fd, (self.st_mode & 07777) | S_IRWXU);
        if (DIR* dir = fdopendir(fd)) {
            const int dirFd = dirfd(dir);
            for (const QByteArray& entry : entryNames(dir)) {
                struct stat st {};
                if (fstatat(dirFd, entry.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
                    continue;
                if (S_ISDIR(st.st_mode)) {
                    deleteTreeAt(dirFd, entry.constData());
                    continue;
                }
                if (S_ISREG(st.st_mode))
                    fchmodat(dirFd, entry.constData(), (st.st_mode & 07777) | S_IRUSR | S_IWUSR, 0);
                unlinkat(dirFd, entry.constData(), 0);
            }
            closedir(dir);
        } else {
            close(fd);
        }
    }
    return unlinkat(parentFd, name, AT_REMOVEDIR) == 0;
}

QByteArray randomTempName(const QByteArray& folder) {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QByteArray name = folder + '/' + encoded(CopyTempPrefix());
    for (int i = 0; i < 6; ++i)
        name += letters[QRandomGenerator::global()->bounded(int(sizeof(letters) - 1))];
    return name + encoded(CopyTempSuffix());
}

// Creates and opens a new hidden temporary file of the program in the folder of `destination`;
// its name is left in `temp`. -1 on failure.
int createTempBeside(const QByteArray& destination, QByteArray& temp) {
    const QByteArray suffix = encoded(CopyTempSuffix());
    temp = folderOf(destination) + '/' + encoded(CopyTempPrefix()) + "XXXXXX" + suffix;
    return mkostemps(temp.data(), int(suffix.size()), O_CLOEXEC);
}

bool copyLink(const QByteArray& source, const QByteArray& destination, const struct stat& st,
              const CopyProgressFn& progress) {
    if (progress && !progress(0, 0))
        return false;
    QByteArray target(int(st.st_size > 0 ? st.st_size : 256) + 1, '\0');
    const ssize_t length = readlink(source.constData(), target.data(), size_t(target.size()));
    if (length < 0 || length >= target.size())
        return false;
    target.truncate(int(length));
    const QByteArray folder = folderOf(destination);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray temp = randomTempName(folder);
        if (symlink(target.constData(), temp.constData()) != 0) {
            if (errno == EEXIST)
                continue;
            return false;
        }
        const timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
        if (utimensat(AT_FDCWD, temp.constData(), times, AT_SYMLINK_NOFOLLOW) != 0 ||
            rename(temp.constData(), destination.constData()) != 0) {
            unlink(temp.constData());
            return false;
        }
        return true;
    }
    return false;
}

bool writeAll(int fd, const char* data, size_t length, int64_t alreadyWritten) {
    const int64_t limit = writeLimit.load();
    size_t allowed = length;
    if (limit >= 0 && alreadyWritten + int64_t(length) > limit)
        allowed = alreadyWritten >= limit ? 0 : size_t(limit - alreadyWritten);
    size_t done = 0;
    while (done < allowed) {
        const ssize_t n = write(fd, data + done, allowed - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    if (allowed < length) {
        errno = ENOSPC;
        return false;
    }
    return true;
}

enum class Chunk { Data, End, Failed };

// One chunk in the kernel where it can copy between these two files, else through a buffer.
Chunk copyChunk(int in, int out, bool& inKernel, std::vector<char>& buffer, int64_t done, int64_t total,
                int64_t& copied) {
    if (inKernel) {
        const ssize_t n = copy_file_range(in, nullptr, out, nullptr, ChunkBytes, 0);
        if (n > 0) {
            copied = n;
            return Chunk::Data;
        }
        if (n < 0 && errno == EINTR)
            return copyChunk(in, out, inKernel, buffer, done, total, copied);
        // Some file systems report 0 or refuse the call; the plain read below decides the end.
        if (n == 0 && done >= total)
            return Chunk::End;
        if (n < 0 && errno != EXDEV && errno != ENOSYS && errno != EOPNOTSUPP && errno != EINVAL &&
            errno != ETXTBSY)
            return Chunk::Failed;
        inKernel = false;
    }
    if (buffer.empty())
        buffer.resize(ChunkBytes);
    ssize_t n;
    do {
        n = read(in, buffer.data(), buffer.size());
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        return Chunk::Failed;
    if (n == 0)
        return Chunk::End;
    if (!writeAll(out, buffer.data(), size_t(n), done))
        return Chunk::Failed;
    copied = n;
    return Chunk::Data;
}

bool copyContents(int in, int out, int64_t total, const CopyProgressFn& progress) {
    if (progress && !progress(total, 0))
        return false;
    bool inKernel = writeLimit.load() < 0;
    std::vector<char> buffer;
    int64_t done = 0;
    for (;;) {
        int64_t copied = 0;
        const Chunk chunk = copyChunk(in, out, inKernel, buffer, done, total, copied);
        if (chunk == Chunk::Failed)
            return false;
        if (chunk == Chunk::End)
            return true;
        done += copied;
        if (progress && !progress(total, done))
            return false;
    }
}

bool copyRegular(const QByteArray& source, const QByteArray& destination, const CopyProgressFn& progress) {
    const int in = open(source.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (in < 0)
        return false;
    struct stat st {};
    if (fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(in);
        return false;
    }
    QByteArray temp;
    const int out = createTempBeside(destination, temp);
    if (out < 0) {
        close(in);
        return false;
    }
    bool ok = copyContents(in, out, int64_t(st.st_size), progress);
    if (ok) {
        // Some file systems (FAT) cannot hold every permission; the contents and time still count.
        fchmod(out, st.st_mode & 07777);
        const timespec times[2] = {st.st_atim, st.st_mtim};
        ok = futimens(out, times) == 0;
        // Replacing a file must not leave an empty one after a crash, so its data reaches the
        // disk before the rename. A new file loses nothing if it vanishes (the source still has
        // it), and skipping the flush there keeps trees of small files fast.
        struct stat existing {};
        if (ok && lstat(destination.constData(), &existing) == 0)
            ok = fsync(out) == 0;
    }
    ok = (close(out) == 0) && ok;
    close(in);
    if (ok)
        ok = rename(temp.constData(), destination.constData()) == 0;
    if (!ok)
        unlink(temp.constData());
    return ok;
}

} // namespace

QString CopyTempPrefix() {
    return QStringLiteral(".tandrix-");
}
QString CopyTempSuffix() {
    return QStringLiteral(".tmp");
}

PathInfo StatPath(const QString& path) {
    PathInfo info;
    struct stat st {};
    if (!lstatPath(withoutTrailingSlashes(encoded(path)), st))
        return info;
    if (S_ISDIR(st.st_mode))
        info.kind = PathKind::Directory;
    else if (S_ISREG(st.st_mode))
        info.kind = PathKind::File;
    else if (S_ISLNK(st.st_mode))
        info.kind = PathKind::Link;
    else
        info.kind = PathKind::Other;
    info.size = int64_t(st.st_size);
    info.writeProtected = ownerCannotWrite(st);
    info.modified = FileTime{int64_t(st.st_mtim.tv_sec), int64_t(st.st_mtim.tv_nsec)};
    return info;
}

bool CreateOneDirectory(const QString& path) {
    // Only the closing separators go: blanks and dots at the end are part of a name here.
    QString name = path;
    while (name.size() > 1 && name.endsWith(QLatin1Char('/')))
        name.chop(1);
    if (name.isEmpty())
        return false;
    return mkdir(encoded(name).constData(), 0777) == 0;
}

bool DeleteFile(const QString& path) {
    const QByteArray name = encoded(path);
    if (name.isEmpty() || name.endsWith('/'))
        return false;
    struct stat st {};
    if (!lstatPath(name, st) || S_ISDIR(st.st_mode) || ownerCannotWrite(st))
        return false;
    return unlink(name.constData()) == 0;
}

bool DeleteTreeForced(const QString& path) {
    const QByteArray name = withoutTrailingSlashes(encoded(path));
    struct stat st {};
    if (name.isEmpty() || name == "/" || !lstatPath(name, st) || !S_ISDIR(st.st_mode))
        return false;
    const int slash = name.lastIndexOf('/');
    const QByteArray leaf = name.mid(slash + 1);
    if (leaf == "." || leaf == "..")
        return false;
    const int parentFd = open(folderOf(name).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parentFd < 0)
        return false;
    const bool removed = deleteTreeAt(parentFd, leaf.constData());
    close(parentFd);
    return removed;
}

std::optional<FileTime> ReadModTime(const QString& path) {
    const PathInfo info = StatPath(path);
    if (info.kind == PathKind::Missing)
        return std::nullopt;
    return info.modified;
}

bool SetModTime(const QString& path, int64_t seconds) {
    const QByteArray name = encoded(path);
    struct stat st {};
    if (name.isEmpty() || name.endsWith('/') || !lstatPath(name, st))
        return false;
    const timespec times[2] = {{0, UTIME_OMIT}, {time_t(seconds), 0}};
    if (S_ISLNK(st.st_mode))
        return utimensat(AT_FDCWD, name.constData(), times, AT_SYMLINK_NOFOLLOW) == 0;
    if (!S_ISREG(st.st_mode) || ownerCannotWrite(st))
        return false;
    // Through a handle opened for writing, as a file that cannot be written must keep its date.
    const int fd = open(name.constData(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = futimens(fd, times) == 0;
    close(fd);
    return ok;
}

bool CopyFileAtomic(const QString& source, const QString& destination, const CopyProgressFn& progress) {
    const QByteArray from = encoded(source);
    const QByteArray to = encoded(destination);
    if (from.isEmpty() || to.isEmpty() || from.endsWith('/') || to.endsWith('/'))
        return false;
    struct stat sourceStat {};
    if (!lstatPath(from, sourceStat))
        return false;
    struct stat old {};
    if (lstatPath(to, old) && (S_ISDIR(old.st_mode) || ownerCannotWrite(old)))
        return false;
    if (S_ISLNK(sourceStat.st_mode))
        return copyLink(from, to, sourceStat, progress);
    if (!S_ISREG(sourceStat.st_mode))
        return false;
    return copyRegular(from, to, progress);
}

void SetCopyWriteLimit(int64_t bytes) {
    writeLimit.store(bytes);
}

bool PassesThroughLink(const QString& root, const QString& relativePath) {
    const QStringList parts = relativePath.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.contains(QStringLiteral("..")))
        return true;
    const qsizetype folders = relativePath.endsWith(QLatin1Char('/')) ? parts.size() : parts.size() - 1;
    QByteArray path = encoded(root);
    if (!path.endsWith('/'))
        path += '/';
    for (qsizetype i = 0; i < folders; ++i) {
        path += encoded(parts[i]);
        struct stat st {};
        if (!lstatPath(path, st))
            return false;
        if (S_ISLNK(st.st_mode))
            return true;
        if (!S_ISDIR(st.st_mode))
            return false;
        path += '/';
    }
    return false;
}

bool WriteFileAtomic(const QString& path, const QByteArray& data) {
    const QByteArray destination = encoded(path);
    QByteArray temp;
    const int out = createTempBeside(destination, temp);
    if (out < 0)
        return false;
    bool ok = writeAll(out, data.constData(), size_t(data.size()), 0);
    struct stat existing {};
    if (ok && stat(destination.constData(), &existing) == 0)
        fchmod(out, existing.st_mode & 07777);
    else if (ok)
        fchmod(out, 0644);
    ok = ok && fsync(out) == 0;
    ok = (close(out) == 0) && ok;
    ok = ok && rename(temp.constData(), destination.constData()) == 0;
    if (!ok)
        unlink(temp.constData());
    return ok;
}
