#include "platform/FileReplace.h"

#include "platform/FileName.h"
#include "platform/FileOps.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int MaxLinks = 40; // as the kernel's own limit for one path

QByteArray folderOf(const QByteArray& path) {
    const int slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

bool writeAllAt(int fd, const char* data, size_t length, off_t offset) {
    size_t done = 0;
    while (done < length) {
        const ssize_t n = pwrite(fd, data + done, length - done, offset + off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return true;
}

// The whole file from its first byte; false on a read error.
bool readAllAt(int fd, QByteArray& out) {
    out.clear();
    char buffer[65536];
    off_t offset = 0;
    for (;;) {
        const ssize_t n = pread(fd, buffer, sizeof buffer, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        out.append(buffer, n);
        offset += n;
    }
}

// A rename or a new name is only durable once the folder holding it is flushed too. Some file
// systems refuse fsync on a folder; the data itself is flushed already then.
void flushFolder(const QByteArray& folder) {
    const int fd = open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

enum class Atomic { Done, Failed, NoTempFile };

Atomic replaceThroughTempFile(const QByteArray& target, const QByteArray& data) {
    // The copy's naming pattern, so a leftover of a crash is recognised as the program's own.
    const QByteArray suffix = EncodeFileName(CopyTempSuffix());
    QByteArray temp = folderOf(target) + '/' + EncodeFileName(CopyTempPrefix()) + "XXXXXX" + suffix;
    const int out = mkostemps(temp.data(), int(suffix.size()), O_CLOEXEC);
    if (out < 0)
        return Atomic::NoTempFile;
    bool ok = writeAllAt(out, data.constData(), size_t(data.size()), 0);
    struct stat existing {};
    fchmod(out, stat(target.constData(), &existing) == 0 ? (existing.st_mode & 07777) : 0644);
    ok = ok && fsync(out) == 0;
    ok = (close(out) == 0) && ok;
    if (!ok) {
        unlink(temp.constData());
        return Atomic::Failed;
    }
    if (rename(temp.constData(), target.constData()) != 0) {
        // A file that is a mount point of its own, or a folder that lets no name be replaced.
        unlink(temp.constData());
        return Atomic::NoTempFile;
    }
    flushFolder(folderOf(target));
    return Atomic::Done;
}

// Only the bytes the disk gives back count: the cached pages are dropped before reading.
bool holdsExactly(int fd, const QByteArray& data) {
    if (fsync(fd) != 0)
        return false;
    posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    QByteArray back;
    return readAllAt(fd, back) && back == data;
}

bool writeInPlace(int fd, const QByteArray& old, const QByteArray& data) {
    // Room first: the part beyond the old length is appended before any old byte is touched, so
    // a full disk fails here with the old contents whole.
    if (data.size() > old.size()) {
        const QByteArray tail = data.mid(old.size());
        if (!writeAllAt(fd, tail.constData(), size_t(tail.size()), off_t(old.size())) || fsync(fd) != 0)
            return false;
    }
    if (!writeAllAt(fd, data.constData(), size_t(data.size()), 0))
        return false;
    if (data.size() < old.size()) {
        // Cut only once the new bytes are on the disk in full.
        if (fsync(fd) != 0 || ftruncate(fd, off_t(data.size())) != 0)
            return false;
    }
    return holdsExactly(fd, data);
}

bool replaceInPlace(const QByteArray& target, const QByteArray& data) {
    const int fd = open(target.constData(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    QByteArray old;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !readAllAt(fd, old)) {
        close(fd);
        return false;
    }
    bool ok = writeInPlace(fd, old, data);
    if (!ok) {
        writeAllAt(fd, old.constData(), size_t(old.size()), 0);
        ftruncate(fd, off_t(old.size()));
        fsync(fd);
    }
    ok = (close(fd) == 0) && ok;
    return ok;
}

enum class NewFile { Written, Taken, Failed };

// Creates `name` anew with `bytes`, flushed; a partly written file is removed again.
NewFile writeNewFile(const QByteArray& name, const QByteArray& bytes) {
    const int fd = open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return errno == EEXIST ? NewFile::Taken : NewFile::Failed;
    bool ok = writeAllAt(fd, bytes.constData(), size_t(bytes.size()), 0) && fsync(fd) == 0;
    ok = (close(fd) == 0) && ok;
    if (!ok)
        unlink(name.constData());
    return ok ? NewFile::Written : NewFile::Failed;
}

bool holdsBytes(const QByteArray& name, const QByteArray& bytes) {
    const int fd = open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    QByteArray contents;
    const bool same = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size == off_t(bytes.size()) &&
                      readAllAt(fd, contents) && contents == bytes;
    close(fd);
    return same;
}

} // namespace

QString FinalLinkTarget(const QString& path) {
    QByteArray current = EncodeFileName(path);
    for (int hop = 0; hop <= MaxLinks; ++hop) {
        struct stat st {};
        if (lstat(current.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
            return DecodeFileName(current);
        QByteArray target(int(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        const ssize_t length = readlink(current.constData(), target.data(), size_t(target.size()));
        if (length <= 0 || length >= target.size())
            return {};
        target.truncate(int(length));
        current = target.startsWith('/') ? target : folderOf(current) + '/' + target;
    }
    return {};
}

bool ReplaceFileContents(const QString& path, const QByteArray& data) {
    const QString finalPath = FinalLinkTarget(path);
    if (finalPath.isEmpty())
        return false;
    const QByteArray target = EncodeFileName(finalPath);
    struct stat st {};
    if (lstat(target.constData(), &st) == 0 && !S_ISREG(st.st_mode))
        return false;
    switch (replaceThroughTempFile(target, data)) {
    case Atomic::Done:
        return true;
    case Atomic::Failed:
        return false;
    case Atomic::NoTempFile:
        break;
    }
    return replaceInPlace(target, data);
}

QString KeepBackupBeside(const QString& path, const QByteArray& bytes) {
    // No limit on the number: a save must never stop because many backups were kept before.
    const QByteArray base = EncodeFileName(path);
    for (qint64 number = 0;; ++number) {
        const QByteArray name =
            number == 0 ? base + ".bak" : base + '.' + QByteArray::number(number) + ".bak";
        switch (writeNewFile(name, bytes)) {
        case NewFile::Written:
            flushFolder(folderOf(name));
            return DecodeFileName(name);
        case NewFile::Failed:
            return {};
        case NewFile::Taken:
            if (holdsBytes(name, bytes))
                return DecodeFileName(name);
            break;
        }
    }
}
