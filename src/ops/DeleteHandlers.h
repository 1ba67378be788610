#pragma once

struct AppState;
struct MainForm;

void DeleteSelected(AppState& state, MainForm& form);
