#pragma once

#include "ops/Removal.h"

struct AppState;

// Whether the current set sends what is removed into the trash.
bool SetRemovesToTrash(const AppState& state);

// The run's way of removing entries, by the current set, with its question "Tandrix: Kein
// Papierkorb".
Removal RemovalForRun(const AppState& state);

// Asks, once a side ran out of room while its trash keeps old versions, whether the rest of the
// run's replacements on that side go for good ("Endgültig ersetzen": true) or stay ("Auslassen").
bool AskReplaceForGood(const QString& side, const QString& trashFolder, int64_t trashBytes);
