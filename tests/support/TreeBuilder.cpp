#include "support/TreeBuilder.h"

#include "platform/FileName.h"

#include <QDir>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <ostream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Files up to this size are written whole; larger ones are sparse but for a mark every 64 KiB, so
// they cost little to make while a copy still has data to move all the way through.
constexpr int64_t PatternLimit = 16 << 20;
constexpr int64_t MarkEvery = 64 << 10;

// Through the program's own name encoding, so tests can make names that are not valid UTF-8.
QByteArray local(const QString& path) {
    return EncodeFileName(path);
}

bool makePath(const QByteArray& path) {
    struct stat st {};
    if (path.isEmpty() || ::stat(path.constData(), &st) == 0)
        return path.isEmpty() || S_ISDIR(st.st_mode);
    const qsizetype slash = path.lastIndexOf('/');
    if (slash > 0 && !makePath(path.left(slash)))
        return false;
    return ::mkdir(path.constData(), 0777) == 0 || errno == EEXIST;
}

std::optional<QByteArray> readAll(const QByteArray& path) {
    QByteArray data;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    char buffer[65536];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        data.append(buffer, n);
    ::close(fd);
    return data;
}

std::vector<QString> namesIn(const QByteArray& folder) {
    std::vector<QString> names;
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return names;
    while (dirent* e = ::readdir(dir))
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
            names.push_back(DecodeFileName(QByteArray(e->d_name)));
    ::closedir(dir);
    return names;
}

bool writeFile(const QString& path, const TreeEntry& entry) {
    const QByteArray name = local(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool ok = true;
    if (entry.size > PatternLimit) {
        ok = ::ftruncate(fd, entry.size) == 0;
        for (int64_t at = 0; ok && at < entry.size; at += MarkEvery)
            ok = ::pwrite(fd, "mark", size_t(std::min<int64_t>(4, entry.size - at)), at) > 0;
    } else {
        QByteArray data = entry.contents;
        if (entry.size >= 0) {
            data.resize(entry.size);
            for (qsizetype i = 0; i < data.size(); ++i)
                data[i] = char('a' + i % 26);
        }
        const char* p = data.constData();
        qsizetype left = data.size();
        while (ok && left > 0) {
            const ssize_t n = ::write(fd, p, size_t(left));
            if (n < 0 && errno == EINTR)
                continue;
            ok = n > 0;
            if (ok) {
                p += n;
                left -= n;
            }
        }
    }
    return ::close(fd) == 0 && ok;
}

bool setTime(const QString& path, const TreeEntry& entry) {
    if (entry.mtime == 0 && entry.mtimeNsec == 0)
        return true;
    // The access time as it is, not left out: exfat-fuse would set the current time instead.
    struct stat st {};
    if (::lstat(local(path).constData(), &st) != 0)
        return false;
    timespec times[2];
    times[0] = st.st_atim;
    times[1].tv_sec = time_t(entry.mtime);
    times[1].tv_nsec = entry.mtimeNsec;
    return ::utimensat(AT_FDCWD, local(path).constData(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

bool setReadOnly(const QString& path) {
    struct stat st {};
    const QByteArray name = local(path);
    if (::lstat(name.constData(), &st) != 0)
        return false;
    if (S_ISLNK(st.st_mode))
        return true;
    return ::chmod(name.constData(), st.st_mode & ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

QString withoutSlash(const QString& path) {
    return path.endsWith(u'/') ? path.chopped(1) : path;
}

void readLevel(const QString& root, const QString& relative, TreeSpec& out) {
    const std::vector<QString> names = namesIn(local(root + relative));
    for (const QString& name : names) {
        const QString full = root + relative + name;
        struct stat st {};
        if (::lstat(local(full).constData(), &st) != 0)
            continue;
        TreeEntry entry;
        entry.path = relative + name;
        entry.mtime = st.st_mtim.tv_sec;
        entry.mtimeNsec = int32_t(st.st_mtim.tv_nsec);
        entry.readOnly = (st.st_mode & S_IWUSR) == 0 && !S_ISLNK(st.st_mode);
        if (S_ISLNK(st.st_mode)) {
            QByteArray target(4096, '\0');
            const ssize_t n = ::readlink(local(full).constData(), target.data(), size_t(target.size()));
            entry.linkTarget = DecodeFileName(target.left(n > 0 ? n : 0));
            out.push_back(entry);
        } else if (S_ISDIR(st.st_mode)) {
            entry.path += u'/';
            out.push_back(entry);
            readLevel(root, entry.path, out);
        } else {
            if (st.st_size > PatternLimit) {
                entry.size = st.st_size;
            } else {
                entry.contents = readAll(local(full)).value_or(QByteArray());
            }
            out.push_back(entry);
        }
    }
}

void removeContents(const QByteArray& folder) {
    for (const QString& name : namesIn(folder)) {
        const QByteArray full = folder + '/' + local(name);
        struct stat st {};
        if (::lstat(full.constData(), &st) == 0 && S_ISDIR(st.st_mode)) {
            removeContents(full);
            ::rmdir(full.constData());
        } else {
            ::unlink(full.constData());
        }
    }
}

} // namespace

bool TreeEntry::operator==(const TreeEntry& other) const {
    return path == other.path && contents == other.contents && fileSize() == other.fileSize() &&
           mtime == other.mtime && mtimeNsec == other.mtimeNsec && readOnly == other.readOnly &&
           linkTarget == other.linkTarget;
}

TreeEntry File(const QString& path, const QByteArray& contents, int64_t mtime) {
    TreeEntry e;
    e.path = path;
    e.contents = contents;
    e.mtime = mtime;
    return e;
}

TreeEntry SizedFile(const QString& path, int64_t size, int64_t mtime) {
    TreeEntry e;
    e.path = path;
    e.size = size;
    e.mtime = mtime;
    return e;
}

TreeEntry Dir(const QString& path, int64_t mtime) {
    TreeEntry e;
    e.path = path.endsWith(u'/') ? path : path + u'/';
    e.mtime = mtime;
    return e;
}

TreeEntry Link(const QString& path, const QString& target) {
    TreeEntry e;
    e.path = path;
    e.linkTarget = target;
    return e;
}

bool BuildTree(const QString& root, const TreeSpec& entries) {
    const QString base = root.endsWith(u'/') ? root : root + u'/';
    bool ok = true;
    for (const TreeEntry& entry : entries) {
        const QString full = base + entry.path;
        const QByteArray bytes = local(withoutSlash(full));
        ok = makePath(bytes.left(bytes.lastIndexOf('/'))) && ok;
        if (entry.isLink())
            ok = ::symlink(local(entry.linkTarget).constData(), local(withoutSlash(full)).constData()) == 0 &&
                 ok;
        else if (entry.isDir())
            ok = makePath(bytes) && ok;
        else
            ok = writeFile(full, entry) && ok;
    }
    // Times last, deepest entries first: a child's creation or time change would move its
    // parent's time again.
    std::vector<const TreeEntry*> order;
    for (const TreeEntry& entry : entries)
        order.push_back(&entry);
    std::stable_sort(order.begin(), order.end(), [](const TreeEntry* a, const TreeEntry* b) {
        return withoutSlash(a->path).count(u'/') > withoutSlash(b->path).count(u'/');
    });
    for (const TreeEntry* entry : order)
        ok = setTime(base + withoutSlash(entry->path), *entry) && ok;
    for (const TreeEntry* entry : order)
        if (entry->readOnly)
            ok = setReadOnly(base + withoutSlash(entry->path)) && ok;
    return ok;
}

TreeSpec ReadTree(const QString& root) {
    TreeSpec out;
    readLevel(root.endsWith(u'/') ? root : root + u'/', QString(), out);
    std::sort(out.begin(), out.end(), [](const TreeEntry& a, const TreeEntry& b) { return a.path < b.path; });
    return out;
}

QStringList DescribeTree(const TreeSpec& tree, bool withDirTimes) {
    QStringList lines;
    for (const TreeEntry& e : tree) {
        QString line = e.path;
        if (e.isLink())
            line += QStringLiteral(" -> ") + e.linkTarget;
        else if (!e.isDir())
            line += u' ' + QString::number(e.fileSize());
        if (!e.isDir() || withDirTimes)
            line += QStringLiteral(" @") + QString::number(e.mtime);
        if (e.readOnly)
            line += QStringLiteral(" ro");
        lines << line;
    }
    return lines;
}

QStringList DescribeTree(const QString& root, bool withDirTimes) {
    return DescribeTree(ReadTree(root), withDirTimes);
}

// A name of its own, so that no word a test filters by ("temp", "tmp") occurs in the folder's
// path unless the system's temporary folder brings it.
TestTree::TestTree(const TreeSpec& entries) : dir(QDir::tempPath() + QStringLiteral("/tandrix-XXXXXX")) {
    valid = dir.isValid() && BuildTree(path(), entries);
}

TestTree::~TestTree() {
    MakeTreeWritable(dir.path());
    // By the names' bytes: the folder's own removal could not find names that are not UTF-8.
    removeContents(local(dir.path()));
}

QString TestTree::path() const {
    return dir.path() + u'/';
}

std::optional<QByteArray> ReadFileBytes(const QString& path) {
    return readAll(local(path));
}

void MakeTreeWritable(const QString& root) {
    const QByteArray name = local(root);
    struct stat st {};
    if (::lstat(name.constData(), &st) != 0 || S_ISLNK(st.st_mode))
        return;
    ::chmod(name.constData(), st.st_mode | S_IRUSR | S_IWUSR | (S_ISDIR(st.st_mode) ? S_IXUSR : 0));
    if (!S_ISDIR(st.st_mode))
        return;
    for (const QString& n : namesIn(name))
        MakeTreeWritable(withoutSlash(root) + u'/' + n);
}

void PrintTo(const TreeEntry& entry, std::ostream* os) {
    *os << DescribeTree(TreeSpec{entry}, true).join(QString()).toStdString();
}
