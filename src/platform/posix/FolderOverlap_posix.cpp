#include "platform/FolderOverlap.h"

#include "platform/DirectoryListing.h"
#include "platform/FileName.h"
#include "platform/posix/MountTable.h"

#include <fcntl.h>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

struct Identity {
    uint64_t device = 0;
    uint64_t inode = 0;
    bool operator==(const Identity&) const = default;
};

// A folder held open by a path handle, which needs no read permission, with its identity and the
// ID of the mount it is reached through.
struct Place {
    explicit Place(int handle) : fd(handle) {
        struct statx sx {};
        if (fd >= 0 && ::statx(fd, "", AT_EMPTY_PATH, STATX_TYPE | STATX_INO | STATX_MNT_ID, &sx) == 0 &&
            S_ISDIR(sx.stx_mode)) {
            id = Identity{uint64_t(makedev(sx.stx_dev_major, sx.stx_dev_minor)), uint64_t(sx.stx_ino)};
            known = true;
            if (sx.stx_mask & STATX_MNT_ID)
                mountId = int64_t(sx.stx_mnt_id);
        }
    }
    ~Place() {
        if (fd >= 0)
            ::close(fd);
    }
    Place(const Place&) = delete;
    Place& operator=(const Place&) = delete;

    int fd = -1;
    bool known = false;
    Identity id;
    int64_t mountId = -1;
};

int openPath(const QString& path) {
    const QByteArray name = EncodeFileName(path);
    return name.isEmpty() ? -1 : ::open(name.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
}

// Whether `outer` is among the folders above `inner`. ".." leads through the mounts as they are
// mounted, so this finds a folder that lies in an alias of the other one; the walk ends at the
// root of the tree, which is its own parent (or when the path grows too long to open).
bool isAbove(const Identity& outer, const Place& inner) {
    Identity below = inner.id;
    for (std::string up = "..";; up += "/..") {
        const Place parent(::openat(inner.fd, up.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!parent.known || parent.id == below)
            return false;
        if (parent.id == outer)
            return true;
        below = parent.id;
    }
}

// A folder's place on its file system: which file system, and the path inside it.
struct FileSystemPlace {
    QString majorMinor;
    QString path;
};

// The mount's root inside its file system, joined with the rest of the path below the mount point.
std::optional<FileSystemPlace> fileSystemPlace(const std::vector<MountEntry>& mounts, const QString& resolved,
                                               int64_t mountId) {
    const std::optional<MountEntry> mount = MountHolding(mounts, resolved, mountId);
    if (!mount || !mount->root.startsWith(u'/'))
        return std::nullopt;
    const QString below = mount->mountPoint == QLatin1String("/")
                              ? (resolved == QLatin1String("/") ? QString() : resolved)
                              : resolved.mid(mount->mountPoint.size());
    const QString inside = (mount->root == QLatin1String("/") ? QString() : mount->root) + below;
    return FileSystemPlace{mount->majorMinor, inside.isEmpty() ? QStringLiteral("/") : inside};
}

} // namespace

bool FoldersOverlap(const QString& a, const QString& b) {
    const Place first(openPath(a));
    const Place second(openPath(b));
    if (!first.known || !second.known)
        return false;
    if (first.id == second.id || isAbove(first.id, second) || isAbove(second.id, first))
        return true;

    // A bind mount of a folder's subfolder is reached through other parents than the subfolder:
    // only the mount table tells where on its file system it lies.
    const QString firstPath = ResolvedFolderPath(a);
    const QString secondPath = ResolvedFolderPath(b);
    if (firstPath.isEmpty() || secondPath.isEmpty())
        return false;
    const std::vector<MountEntry> mounts = ReadMountTable(QStringLiteral("/proc/self/mountinfo"));
    const std::optional<FileSystemPlace> p = fileSystemPlace(mounts, firstPath, first.mountId);
    const std::optional<FileSystemPlace> q = fileSystemPlace(mounts, secondPath, second.mountId);
    return p && q && p->majorMinor == q->majorMinor &&
           (PathWithin(p->path, q->path) || PathWithin(q->path, p->path));
}
