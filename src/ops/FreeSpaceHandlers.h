#pragma once

struct AppState;
struct MainForm;

// Starts a new free-space worker for the current set's two paths and returns at once.
void RefreshFreeSpace(AppState& state, MainForm& form);
