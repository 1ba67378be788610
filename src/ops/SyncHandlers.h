#pragma once

struct AppState;
struct MainForm;

void SyncSelected(AppState& state, MainForm& form);
