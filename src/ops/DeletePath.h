#pragma once

#include <QString>

// Deletes one file (a write-protected file is refused), or one directory with everything beneath
// it (write protection inside is cleared first). True when the object named by fullPath is gone.
bool DeletePath(const QString& fullPath, int* error = nullptr);
