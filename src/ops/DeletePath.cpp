#include "ops/DeletePath.h"

#include "ops/FailureReasons.h"

bool DeletePath(const QString& fullPath, int* error) {
    if (DeleteFile(fullPath, error))
        return true;
    if (StatPath(fullPath).kind == PathKind::Directory)
        return DeleteTreeForced(fullPath, error);
    return false;
}

Deletion DeleteSeenEntry(const QString& root, const QString& path, const ExpectedEntry& expected,
                         bool wholeTree, QString& reason) {
    int error = PathThroughLink;
    if (!PassesThroughLink(root, path)) {
        const QString full = root + path;
        error = CheckEntry(full, expected);
        // Gone already: a folder deleted before took it along.
        if (error == NotAsScanned && StatPath(full).kind == PathKind::Missing)
            return Deletion::Gone;
        const bool folder = path.endsWith(u'/');
        if (error == NoFileError &&
            (folder && !wholeTree ? RemoveEmptyDirectory(full, &error) : DeletePath(full, &error)))
            return Deletion::Deleted;
    }
    reason = FailureText(Attempt::Delete, error, root + path);
    return Deletion::Kept;
}
