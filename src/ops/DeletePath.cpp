#include "ops/DeletePath.h"

#include "platform/FileOps.h"

bool DeletePath(const QString& fullPath) {
    if (DeleteFile(fullPath))
        return true;
    if (StatPath(fullPath).kind == PathKind::Directory)
        return DeleteTreeForced(fullPath);
    return false;
}
