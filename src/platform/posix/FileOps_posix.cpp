#include "platform/FileOps.h"

#include "platform/ContentHash.h"
#include "platform/DirectoryListing.h"
#include "platform/FileName.h"

#include <QFile>
#include <QRandomGenerator>
#include <QStringList>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr size_t ChunkBytes = 1 << 20;
std::atomic<int64_t> writeLimit{-1};
std::atomic<int> writeLimitError{ENOSPC};
std::atomic<int> flushesBeforeFault{-1};
std::atomic<int> flushFaultError{EIO};

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

// Makes a temporary link beside `destination` with the source link's target and time; the result
// is NoFileError or the reason.
int prepareLink(const QByteArray& source, const QByteArray& destination, const struct stat& st,
                const CopyProgressFn& progress, QByteArray& temp) {
    if (progress && !progress(0, 0))
        return CopyCancelled;
    QByteArray target(int(st.st_size > 0 ? st.st_size : 256) + 1, '\0');
    const ssize_t length = readlink(source.constData(), target.data(), size_t(target.size()));
    if (length < 0)
        return errno;
    if (length >= target.size())
        return ENAMETOOLONG;
    target.truncate(int(length));
    const QByteArray folder = folderOf(destination);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = randomTempName(folder);
        if (symlink(target.constData(), temp.constData()) != 0) {
            if (errno == EEXIST)
                continue;
            return errno;
        }
        const timespec times[2] = {st.st_atim, st.st_mtim};
        if (utimensat(AT_FDCWD, temp.constData(), times, AT_SYMLINK_NOFOLLOW) != 0) {
            const int error = errno;
            unlink(temp.constData());
            return error;
        }
        return NoFileError;
    }
    return EEXIST;
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
        if (n == 0)
            errno = ENOSPC;
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    if (allowed < length) {
        errno = writeLimitError.load();
        return false;
    }
    return true;
}

// Copies the bytes from the current offsets of both files up to `end` of the source, in the
// kernel where it can copy between these two files, else through a buffer. `written` counts the
// bytes written so far; a source that ends early ends the range. NoFileError or the reason.
int copyRange(int in, int out, int64_t position, int64_t end, bool& inKernel, std::vector<char>& buffer,
              int64_t& written, int64_t total, const CopyProgressFn& progress, ContentHash* hash) {
    while (position < end) {
        const size_t length = size_t(std::min<int64_t>(int64_t(ChunkBytes), end - position));
        ssize_t n = -1;
        if (inKernel) {
            n = copy_file_range(in, nullptr, out, nullptr, length, 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno != EXDEV && errno != ENOSYS && errno != EOPNOTSUPP && errno != EINVAL &&
                errno != ETXTBSY)
                return errno;
            if (n < 0)
                inKernel = false;
        }
        if (!inKernel) {
            if (buffer.empty())
                buffer.resize(ChunkBytes);
            do {
                n = read(in, buffer.data(), length);
            } while (n < 0 && errno == EINTR);
            if (n < 0 || (n > 0 && !writeAll(out, buffer.data(), size_t(n), written)))
                return errno;
            if (hash && n > 0)
                hash->add(buffer.data(), size_t(n));
        }
        if (n == 0)
            return NoFileError;
        position += n;
        written += n;
        if (progress && !progress(total, position))
            return CopyCancelled;
    }
    return NoFileError;
}

// The source's data, region by region: holes stay holes, so a sparse file stays sparse. With a
// checksum the bytes pass through the program (a hole counts as its zeros).
int copyContents(int in, int out, int64_t total, const CopyProgressFn& progress, ContentHash* hash) {
    if (progress && !progress(total, 0))
        return CopyCancelled;
    bool inKernel = writeLimit.load() < 0 && !hash;
    std::vector<char> buffer;
    int64_t written = 0;
    for (int64_t offset = 0; offset < total;) {
        off_t data = lseek(in, offset, SEEK_DATA);
        if (data < 0 && errno == ENXIO)
            break; // only a hole is left
        if (data < 0)
            data = offset; // no hole information: all of it is data
        off_t hole = lseek(in, data, SEEK_HOLE);
        if (hole < 0 || hole > total)
            hole = total;
        if (lseek(in, data, SEEK_SET) != data || lseek(out, data, SEEK_SET) != data)
            return errno;
        if (hash)
            hash->addZeros(data - offset);
        const int64_t before = written;
        if (const int error =
                copyRange(in, out, data, hole, inKernel, buffer, written, total, progress, hash))
            return error;
        if (hash && written - before < hole - data)
            return SourceNotAsScanned; // the source ended early: it changed while copied
        offset = hole;
    }
    if (ftruncate(out, total) != 0)
        return errno;
    return !progress || progress(total, total) ? NoFileError : CopyCancelled;
}

// A file system that keeps its own buffers beyond the kernel's (FUSE) writes a file through to
// its device only when told so for that file; a flush of the whole file system does not reach it.
bool needsOwnFlush(int fd) {
    struct statfs fs {};
    return fstatfs(fd, &fs) == 0 && static_cast<unsigned long>(fs.f_type) == 0x65735546;
}

// Whether what `st` says is what `expected` says of an entry: kind, identity, size and time.
bool matchesEntry(const struct stat& st, const ExpectedEntry& expected) {
    if (expected.kind != ExpectedEntry::Kind::Entry)
        return true;
    const bool folder = S_ISDIR(st.st_mode);
    const bool link = S_ISLNK(st.st_mode);
    if (folder != expected.folder || link != expected.link || (!folder && !link && !S_ISREG(st.st_mode)))
        return false;
    if (expected.stableInodes &&
        (uint64_t(st.st_dev) != expected.device || uint64_t(st.st_ino) != expected.inode))
        return false;
    const bool sameTime = LocalSecondsOf(int64_t(st.st_mtim.tv_sec), expected.utcOffset) == expected.date;
    if (folder)
        return expected.stableInodes || expected.ignoreFolderTime || sameTime;
    return int64_t(st.st_size) == expected.size && sameTime;
}

bool sameState(const struct stat& a, const struct stat& b) {
    return a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
           a.st_mtim.tv_nsec == b.st_mtim.tv_nsec && a.st_ino == b.st_ino;
}

int prepareRegular(const QByteArray& source, const QByteArray& destination, const CopyProgressFn& progress,
                   QByteArray& temp, struct stat& st, PreparedCopy& copy, const CopyCheck& check) {
    const int in = open(source.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (in < 0)
        return errno;
    if (fstat(in, &st) != 0 || !S_ISREG(st.st_mode) || !matchesEntry(st, check.source)) {
        close(in);
        return SourceNotAsScanned;
    }
    const int out = createTempBeside(destination, temp);
    if (out < 0) {
        const int error = errno;
        close(in);
        return error;
    }
    ContentHash hash;
    int error = copyContents(in, out, int64_t(st.st_size), progress, check.checksum ? &hash : nullptr);
    // A source written to while it was copied is not the one the scan saw any more.
    struct stat after {};
    if (error == NoFileError && (fstat(in, &after) != 0 || !sameState(st, after)))
        error = SourceNotAsScanned;
    if (error == NoFileError) {
        copy.checksummed = check.checksum;
        copy.checksum = hash.value();
        // Some file systems (FAT) cannot hold every permission; the contents and time still count.
        fchmod(out, st.st_mode & 07777);
        const timespec times[2] = {st.st_atim, st.st_mtim};
        if (futimens(out, times) != 0 || (needsOwnFlush(out) && fsync(out) != 0))
            error = errno;
        struct stat written {};
        if (fstat(out, &written) == 0)
            copy.inode = uint64_t(written.st_ino);
    }
    if (close(out) != 0 && error == NoFileError)
        error = errno;
    close(in);
    if (error != NoFileError)
        unlink(temp.constData());
    return error;
}

// What `name` (a link not followed) is against what an operation expects there.
int checkEntryAt(const QByteArray& name, const ExpectedEntry& expected) {
    if (expected.kind == ExpectedEntry::Kind::Anything)
        return NoFileError;
    struct stat st {};
    if (!lstatPath(name, st)) {
        if (errno == ENOENT)
            return expected.kind == ExpectedEntry::Kind::Nothing ? NoFileError : NotAsScanned;
        return errno;
    }
    if (expected.kind == ExpectedEntry::Kind::Nothing)
        return EEXIST;
    return matchesEntry(st, expected) ? NoFileError : NotAsScanned;
}

// Renames `from` to `to` when `to` is free, in one step where the file system can do that.
int renameToFreeName(const QByteArray& from, const QByteArray& to) {
    if (renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return NoFileError;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return errno;
    // The file system cannot rename without replacing: look first.
    ExpectedEntry nothing;
    nothing.kind = ExpectedEntry::Kind::Nothing;
    if (const int error = checkEntryAt(to, nothing))
        return error;
    return rename(from.constData(), to.constData()) == 0 ? NoFileError : errno;
}

std::function<void(const QByteArray&)>& durabilityTrace() {
    static std::function<void(const QByteArray&)> trace;
    return trace;
}

void trace(const QByteArray& event) {
    if (durabilityTrace())
        durabilityTrace()(event);
}

// The exact form of the copy's temporary names: prefix, six letters or digits, suffix.
bool isTempName(const char* name, size_t length) {
    static const QByteArray prefix = ".tandrix-";
    static const QByteArray suffix = ".tmp";
    if (length != size_t(prefix.size() + 6 + suffix.size()) ||
        std::memcmp(name, prefix.constData(), prefix.size()) != 0 ||
        std::memcmp(name + length - suffix.size(), suffix.constData(), suffix.size()) != 0)
        return false;
    for (size_t i = size_t(prefix.size()); i < size_t(prefix.size()) + 6; ++i)
        if (!std::isalnum(static_cast<unsigned char>(name[i])))
            return false;
    return true;
}

// The result of an operation, its reason kept where the caller asks for it.
bool fail(int* error, int reason) {
    if (error)
        *error = reason;
    return false;
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

int CheckEntry(const QString& path, const ExpectedEntry& expected) {
    return checkEntryAt(withoutTrailingSlashes(encoded(path)), expected);
}

bool CreateOneDirectory(const QString& path, int* error) {
    // Only the closing separators go: blanks and dots at the end are part of a name here.
    QString name = path;
    while (name.size() > 1 && name.endsWith(QLatin1Char('/')))
        name.chop(1);
    if (name.isEmpty())
        return fail(error, ENOENT);
    return mkdir(encoded(name).constData(), 0777) == 0 || fail(error, errno);
}

bool DeleteFile(const QString& path, int* error) {
    const QByteArray name = encoded(path);
    if (name.isEmpty() || name.endsWith('/'))
        return fail(error, EISDIR);
    struct stat st {};
    if (!lstatPath(name, st))
        return fail(error, errno);
    if (S_ISDIR(st.st_mode))
        return fail(error, EISDIR);
    if (ownerCannotWrite(st))
        return fail(error, WriteProtected);
    return unlink(name.constData()) == 0 || fail(error, errno);
}

bool DeleteTreeForced(const QString& path, int* error) {
    const QByteArray name = withoutTrailingSlashes(encoded(path));
    struct stat st {};
    if (name.isEmpty() || name == "/")
        return fail(error, EINVAL);
    if (!lstatPath(name, st))
        return fail(error, errno);
    if (!S_ISDIR(st.st_mode))
        return fail(error, ENOTDIR);
    const int slash = name.lastIndexOf('/');
    const QByteArray leaf = name.mid(slash + 1);
    if (leaf == "." || leaf == "..")
        return fail(error, EINVAL);
    const int parentFd = open(folderOf(name).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parentFd < 0)
        return fail(error, errno);
    const bool removed = deleteTreeAt(parentFd, leaf.constData());
    const int reason = errno;
    close(parentFd);
    return removed || fail(error, reason);
}

bool RemoveEmptyDirectory(const QString& path, int* error) {
    const QByteArray name = withoutTrailingSlashes(encoded(path));
    if (name.isEmpty() || name == "/")
        return fail(error, EINVAL);
    return rmdir(name.constData()) == 0 || fail(error, errno);
}

std::optional<FileTime> ReadModTime(const QString& path) {
    const PathInfo info = StatPath(path);
    if (info.kind == PathKind::Missing)
        return std::nullopt;
    return info.modified;
}

bool SetModTime(const QString& path, int64_t seconds, int* error) {
    const QByteArray name = encoded(path);
    struct stat st {};
    if (name.isEmpty() || name.endsWith('/'))
        return fail(error, EISDIR);
    if (!lstatPath(name, st))
        return fail(error, errno);
    // The access time is given as it is rather than left out: exfat-fuse ignores the new
    // modification time when the access time is left out, and sets the current time instead.
    const timespec times[2] = {st.st_atim, {time_t(seconds), 0}};
    if (S_ISLNK(st.st_mode))
        return utimensat(AT_FDCWD, name.constData(), times, AT_SYMLINK_NOFOLLOW) == 0 || fail(error, errno);
    if (!S_ISREG(st.st_mode))
        return fail(error, EISDIR);
    if (ownerCannotWrite(st))
        return fail(error, WriteProtected);
    // Through a handle opened for writing, as a file that cannot be written must keep its date.
    const int fd = open(name.constData(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(error, errno);
    bool ok = futimens(fd, times) == 0;
    int reason = errno;
    // Done only when the file system really holds the new time; FAT rounds it to 2 seconds.
    struct stat after {};
    if (ok && (fstat(fd, &after) != 0 || std::llabs(int64_t(after.st_mtim.tv_sec) - seconds) > 2)) {
        ok = false;
        reason = ENOTSUP;
    }
    close(fd);
    return ok || fail(error, reason);
}

std::optional<PreparedCopy> PrepareCopy(const QString& source, const QString& destination,
                                        const CopyProgressFn& progress, int* error, const CopyCheck& check) {
    const QByteArray from = encoded(source);
    const QByteArray to = encoded(destination);
    if (from.isEmpty() || to.isEmpty() || from.endsWith('/') || to.endsWith('/')) {
        fail(error, EISDIR);
        return std::nullopt;
    }
    struct stat sourceStat {};
    if (!lstatPath(from, sourceStat)) {
        fail(error, errno);
        return std::nullopt;
    }
    struct stat old {};
    if (lstatPath(to, old) && (S_ISDIR(old.st_mode) || ownerCannotWrite(old))) {
        fail(error, S_ISDIR(old.st_mode) ? EISDIR : int(WriteProtected));
        return std::nullopt;
    }
    PreparedCopy copy;
    copy.destination = to;
    copy.folder = folderOf(to);
    int reason = SourceNotAsScanned;
    if (!matchesEntry(sourceStat, check.source))
        reason = SourceNotAsScanned;
    else if (S_ISLNK(sourceStat.st_mode))
        reason = prepareLink(from, to, sourceStat, progress, copy.temp);
    else if (S_ISREG(sourceStat.st_mode))
        reason = prepareRegular(from, to, progress, copy.temp, sourceStat, copy, check);
    if (reason != NoFileError) {
        fail(error, reason);
        return std::nullopt;
    }
    copy.size = int64_t(sourceStat.st_size);
    copy.mtimeUtc = int64_t(sourceStat.st_mtim.tv_sec);
    return copy;
}

int CommitCopy(const PreparedCopy& copy, const ExpectedEntry& expected) {
    trace("commit " + copy.destination);
    int error = NoFileError;
    if (expected.kind == ExpectedEntry::Kind::Nothing) {
        error = renameToFreeName(copy.temp, copy.destination);
    } else {
        error = checkEntryAt(copy.destination, expected);
        if (error == NoFileError && rename(copy.temp.constData(), copy.destination.constData()) != 0)
            error = errno;
    }
    if (error != NoFileError)
        unlink(copy.temp.constData());
    return error;
}

bool SameFileContents(const QString& a, const QString& b) {
    const int first = open(encoded(a).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    const int second = open(encoded(b).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    bool same = first >= 0 && second >= 0;
    std::vector<char> left(same ? ChunkBytes : 0);
    std::vector<char> right(left.size());
    while (same) {
        const ssize_t n = read(first, left.data(), left.size());
        if (n < 0) {
            same = false;
            break;
        }
        size_t got = 0;
        while (got < size_t(n)) {
            const ssize_t m = read(second, right.data() + got, size_t(n) - got);
            if (m <= 0)
                break;
            got += size_t(m);
        }
        same = got == size_t(n) && std::memcmp(left.data(), right.data(), got) == 0;
        if (n == 0) {
            char extra;
            same = same && read(second, &extra, 1) == 0;
            break;
        }
    }
    if (first >= 0)
        close(first);
    if (second >= 0)
        close(second);
    return same;
}

int RenameEntry(const QString& from, const QString& to, const ExpectedEntry& expected) {
    const QByteArray source = withoutTrailingSlashes(encoded(from));
    if (const int error = checkEntryAt(source, expected))
        return error;
    return renameToFreeName(source, withoutTrailingSlashes(encoded(to)));
}

void AbandonCopy(const PreparedCopy& copy) {
    unlink(copy.temp.constData());
}

int FlushFileSystems(const std::vector<QByteArray>& folders) {
    int result = NoFileError;
    const auto failed = [&result](int error) {
        if (result == NoFileError)
            result = error;
    };
    // Many copies share a folder: each folder is looked at once.
    std::vector<QByteArray> distinct = folders;
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    std::vector<dev_t> flushed;
    for (QByteArray folder : distinct) {
        struct stat st {};
        // A folder deleted by the run itself (with the files it held): the one that held it
        // records the deletion.
        while (stat(folder.constData(), &st) != 0 && errno == ENOENT && folder != folderOf(folder))
            folder = folderOf(folder);
        if (stat(folder.constData(), &st) != 0) {
            failed(errno);
            continue;
        }
        const bool fsDone = std::find(flushed.begin(), flushed.end(), st.st_dev) != flushed.end();
        const int fd = open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            failed(errno);
            continue;
        }
        // FUSE passes a flush of the whole file system on to no one: its folders are flushed one
        // by one, so new names and renames reach the device.
        const bool ownFlush = needsOwnFlush(fd);
        if (!fsDone || ownFlush)
            trace("flush " + folder);
        if (!fsDone && syncfs(fd) != 0)
            failed(errno);
        if (ownFlush && fsync(fd) != 0 && errno != EINVAL && errno != ENOSYS)
            failed(errno);
        if (close(fd) != 0)
            failed(errno);
        if (!fsDone)
            flushed.push_back(st.st_dev);
    }
    const int before = flushesBeforeFault.load();
    if (before == 0)
        failed(flushFaultError.load());
    else if (before > 0)
        flushesBeforeFault.store(before - 1);
    return result;
}

int VerifyCopy(const PreparedCopy& copy, bool* reachesDevice) {
    if (!copy.checksummed)
        return NoFileError;
    const int fd = open(copy.temp.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno;
    if (reachesDevice)
        *reachesDevice = !needsOwnFlush(fd);
    // The data is flushed, so its pages are clean and can be dropped: what follows comes from the
    // device, not from the memory that wrote it.
    posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ContentHash hash;
    std::vector<char> buffer(ChunkBytes);
    int64_t total = 0;
    int error = NoFileError;
    for (;;) {
        const ssize_t n = read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = errno;
            break;
        }
        if (n == 0)
            break;
        hash.add(buffer.data(), size_t(n));
        total += n;
    }
    close(fd);
    if (error != NoFileError)
        return error;
    return total == copy.size && hash.value() == copy.checksum ? NoFileError : CopyDamaged;
}

void SetDurabilityTrace(std::function<void(const QByteArray&)> observer) {
    durabilityTrace() = std::move(observer);
}

void NoteDurabilityEvent(const QByteArray& event) {
    trace(event);
}

bool IsCopyTempName(const QByteArray& name) {
    return isTempName(name.constData(), size_t(name.size()));
}

bool RemoveCopyLeftover(const QString& path) {
    const QByteArray name = encoded(path);
    const QByteArray leaf = name.mid(name.lastIndexOf('/') + 1);
    struct stat st {};
    if (!IsCopyTempName(leaf) || !lstatPath(name, st) || !(S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)))
        return false;
    return unlink(name.constData()) == 0;
}

bool CopyFileAtomic(const QString& source, const QString& destination, const CopyProgressFn& progress) {
    const std::optional<PreparedCopy> copy = PrepareCopy(source, destination, progress);
    if (!copy)
        return false;
    if (FlushFileSystems({copy->folder}) != NoFileError) {
        AbandonCopy(*copy);
        return false;
    }
    return CommitCopy(*copy) == NoFileError && FlushFileSystems({copy->folder}) == NoFileError;
}

void SetFlushFault(int after, int error) {
    flushFaultError.store(error);
    flushesBeforeFault.store(after);
}

void SetCopyWriteLimit(int64_t bytes, int error) {
    writeLimitError.store(error);
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
