#include "platform/DirectoryListing.h"

#include "platform/FileName.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/vfs.h>
#include <unistd.h>
#include <vector>

namespace {

bool isDotName(const char* n) {
    return n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0'));
}

EntryKind kindOf(mode_t mode) {
    if (S_ISREG(mode))
        return EntryKind::File;
    if (S_ISDIR(mode))
        return EntryKind::Directory;
    if (S_ISLNK(mode))
        return EntryKind::Link;
    return EntryKind::Special;
}

constexpr int FolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// Listing buffers are reused by each thread; one walk reads one folder at a time.
std::vector<char>& listingBuffer() {
    thread_local std::vector<char> buffer(64 * 1024);
    return buffer;
}

} // namespace

Folder::Folder(int handle) : fd(handle) {
    struct stat st {};
    if (fd >= 0 && ::fstat(fd, &st) == 0) {
        dev = uint64_t(st.st_dev);
        ino = uint64_t(st.st_ino);
    }
}

Folder::~Folder() {
    close();
}

Folder::Folder(Folder&& other) noexcept : fd(other.fd), dev(other.dev), ino(other.ino) {
    other.fd = -1;
}

Folder& Folder::operator=(Folder&& other) noexcept {
    if (this != &other) {
        close();
        fd = other.fd;
        dev = other.dev;
        ino = other.ino;
        other.fd = -1;
    }
    return *this;
}

void Folder::close() {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

Folder Folder::openRoot(const QString& path) {
    const QByteArray name = EncodeFileName(path);
    if (name.isEmpty())
        return Folder();
    return Folder(::open(name.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

Folder Folder::openChild(const char* name, uint64_t device, uint64_t inode) const {
    if (fd < 0)
        return Folder();
    Folder child(::openat(fd, name, FolderFlags));
    if (child.isOpen() && (child.dev != device || child.ino != inode))
        return Folder();
    return child;
}

Folder Folder::openParent(uint64_t device, uint64_t inode) const {
    if (fd < 0)
        return Folder();
    Folder parent(::openat(fd, "..", FolderFlags));
    if (parent.isOpen() && (parent.dev != device || parent.ino != inode))
        return Folder();
    return parent;
}

bool Folder::hasEntry(const char* name) const {
    struct stat st {};
    return fd >= 0 && ::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) == 0;
}

namespace {

// FAT, exFAT, FUSE drivers and the old NTFS driver: they number entries anew when looked up again,
// and round or shift times.
bool foreignFileSystem(int fd) {
    struct statfs fs {};
    if (fd < 0 || ::fstatfs(fd, &fs) != 0)
        return true;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0x4d44:     // FAT
    case 0x2011BAB0: // exFAT
    case 0x65735546: // FUSE
    case 0x5346544e: // NTFS (the old driver)
        return true;
    default:
        return false;
    }
}

uint64_t birthOf(const struct statx& st) {
    if (!(st.stx_mask & STATX_BTIME) || st.stx_btime.tv_sec <= 0)
        return 0;
    return uint64_t(st.stx_btime.tv_sec) * 1000000000u + st.stx_btime.tv_nsec;
}

} // namespace

bool Folder::keepsInodes() const {
    return !foreignFileSystem(fd);
}

bool Folder::keepsExactTimes() const {
    return !foreignFileSystem(fd);
}

uint64_t BirthTimeOf(const QString& path) {
    struct statx st {};
    if (::statx(AT_FDCWD, EncodeFileName(path).constData(), AT_SYMLINK_NOFOLLOW, STATX_BTIME | STATX_INO,
                &st) != 0)
        return 0;
    return birthOf(st);
}

// getdents64 instead of readdir: no DIR buffer per open folder, and the folder's handle stays
// free for opening its subfolders while the walk goes down.
Folder::ReadResult Folder::read(const std::function<bool(const ListedEntry&)>& visit) {
    if (fd < 0)
        return ReadResult::Failed;
    if (::lseek(fd, 0, SEEK_SET) != 0)
        return ReadResult::Failed;
    std::vector<char>& buffer = listingBuffer();
    for (;;) {
        const ssize_t n = ::getdents64(fd, buffer.data(), buffer.size());
        if (n == 0)
            return ReadResult::Complete;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return ReadResult::Failed;
        }
        for (ssize_t at = 0; at < n;) {
            const auto* d = reinterpret_cast<const struct dirent64*>(buffer.data() + at);
            at += d->d_reclen;
            ListedEntry entry;
            entry.name = d->d_name;
            const size_t length = std::strlen(d->d_name);
            entry.nameLength = uint16_t(length);
            if (isDotName(d->d_name)) {
                entry.kind = EntryKind::Dot;
            } else {
                // statx for the birth time beside what fstatat gives: it proves that an inode
                // number met again is still the same file and not a new one that got a freed number.
                struct statx st {};
                if (::statx(fd, d->d_name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT,
                            STATX_BASIC_STATS | STATX_BTIME, &st) == 0) {
                    entry.kind = kindOf(st.stx_mode);
                    entry.size = int64_t(st.stx_size);
                    entry.mtimeUtc = int64_t(st.stx_mtime.tv_sec);
                    entry.ctimeUtc = int64_t(st.stx_ctime.tv_sec);
                    entry.device = uint64_t(makedev(st.stx_dev_major, st.stx_dev_minor));
                    entry.inode = uint64_t(st.stx_ino);
                    entry.birth = birthOf(st);
                } else {
                    // Gone since the listing was read, or there but not readable: only the first
                    // may be taken as absent.
                    entry.kind = errno == ENOENT ? EntryKind::Vanished : EntryKind::Unreadable;
                }
            }
            if (!visit(entry))
                return ReadResult::Stopped;
        }
    }
}

bool IsExistingDirectory(const QString& path) {
    QString p = path;
    while (p.size() > 1 && p.endsWith(u'/'))
        p.chop(1);
    if (p.isEmpty())
        return false;
    struct stat st {};
    return ::stat(EncodeFileName(p).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

QString ResolvedFolderPath(const QString& path) {
    char* resolved = ::realpath(EncodeFileName(path).constData(), nullptr);
    if (!resolved)
        return QString();
    const QString out = DecodeFileName(resolved, qsizetype(std::strlen(resolved)));
    std::free(resolved);
    return out;
}

int64_t LocalUtcOffsetNow() {
    const time_t now = ::time(nullptr);
    struct tm local {};
    if (!::localtime_r(&now, &local))
        return 0;
    return int64_t(local.tm_gmtoff);
}

int32_t LocalSecondsOf(int64_t utcSeconds, int64_t utcOffset) {
    const int64_t local = utcSeconds + utcOffset;
    if (local < 0 || local > std::numeric_limits<int32_t>::max())
        return -1;
    return int32_t(local);
}
