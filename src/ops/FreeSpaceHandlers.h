#pragma once

#include "ops/FreeSpace.h"

struct AppState;
struct MainForm;

// Starts a new free-space worker for the current set's two paths and returns at once.
void RefreshFreeSpace(AppState& state, MainForm& form);

// Test seam: the volume query of the workers started from now on, so a test can make one hang
// as on a dead mount. An empty function restores the real query. Called on the UI thread only.
void SetFreeSpaceQueryForTest(FreeSpaceQuery query);
