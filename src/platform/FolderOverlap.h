#pragma once

#include <QString>

// Whether two folders are the same or one lies inside the other, judged by the file system and
// the place on it rather than by the path, so a bind mount or another alias of a folder counts
// as that folder. True only when that is certain: false also when it cannot be determined (a
// folder missing, the mount table unreadable), so the caller keeps its own comparison of paths.
bool FoldersOverlap(const QString& a, const QString& b);
