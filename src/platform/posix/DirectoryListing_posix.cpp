#include "platform/DirectoryListing.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace {

DIR* asDir(void* handle) {
    return static_cast<DIR*>(handle);
}

bool isDotName(const char* n) {
    return n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0'));
}

} // namespace

DirectoryListing::DirectoryListing(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    handle = ::opendir(name.constData());
}

DirectoryListing::DirectoryListing(const DirectoryListing& parent, const char* name) {
    if (!parent.handle)
        return;
    const int fd =
        ::openat(::dirfd(asDir(parent.handle)), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return;
    handle = ::fdopendir(fd);
    if (!handle)
        ::close(fd);
}

DirectoryListing::~DirectoryListing() {
    if (handle)
        ::closedir(asDir(handle));
}

bool DirectoryListing::next(ListedEntry& entry) {
    if (!handle)
        return false;
    errno = 0;
    const dirent* e = ::readdir(asDir(handle));
    if (!e)
        return false;
    entry = ListedEntry();
    entry.name = e->d_name;
    if (isDotName(e->d_name)) {
        entry.isDot = true;
        return true;
    }
    struct stat st;
    if (::fstatat(::dirfd(asDir(handle)), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
        entry.statOk = true;
        entry.isDir = S_ISDIR(st.st_mode);
        entry.size = int64_t(st.st_size);
        entry.mtimeUtc = int64_t(st.st_mtim.tv_sec);
    }
    return true;
}

bool IsExistingDirectory(const QString& path) {
    QString p = path;
    while (p.size() > 1 && p.endsWith(u'/'))
        p.chop(1);
    if (p.isEmpty())
        return false;
    struct stat st;
    return ::stat(QFile::encodeName(p).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

int64_t LocalUtcOffsetNow() {
    const time_t now = ::time(nullptr);
    struct tm local;
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

QString DecodeFileName(const char* name) {
    return QFile::decodeName(name);
}

QByteArray EncodeFileName(const QString& name) {
    return QFile::encodeName(name);
}
