#pragma once

#include "commonstate/KeepCommonState.h"

struct AppState;

// Notes how a scan or a sync kept the memory of the last sync: a state whose save failed stands
// for the kept one until a save succeeds, and the first failure of the run is told, with its reason.
void NoteMemoryKept(AppState& state, MemoryOutcome& outcome);

// The one box after a scan whose memory stood aside for a side: it looks like another or an
// emptied medium, so nothing is proposed for deletion or rename.
void TellMemoryAside(const AppState& state, const MemoryCheck& check);

// Before a scan walks: where a side's root now lies on another file system than when the memory
// was kept (the stick not plugged in), asks whether to scan anyway. False: nothing is listed.
bool ConfirmRootsWhereRemembered(const AppState& state, const CommonState& kept, const ScanMemory& memory);
