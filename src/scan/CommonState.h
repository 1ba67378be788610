#pragma once

#include "scan/ResultCells.h"

#include <QString>
#include <cstdint>

// What a row tells of the common state of its two sides (kept by commonstate/, which marks the
// rows): the list only shows it.

// The tool tip of a row changed on both sides.
inline QString BothChangedToolTip(int32_t since) {
    return QStringLiteral("Auf beiden Seiten geändert seit dem letzten Abgleich ") + DateText(since);
}
