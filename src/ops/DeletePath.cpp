#include "ops/DeletePath.h"

#include "platform/FileOps.h"

bool DeletePath(const QString& fullPath, int* error) {
    if (DeleteFile(fullPath, error))
        return true;
    if (StatPath(fullPath).kind == PathKind::Directory)
        return DeleteTreeForced(fullPath, error);
    return false;
}
