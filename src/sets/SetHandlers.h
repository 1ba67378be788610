#pragma once

#include <QString>

struct AppState;
struct MainForm;

// Settings file and sync sets as the main window shows them.
void LoadSettings(AppState& state, MainForm& form);
void SaveSettings(AppState& state, MainForm& form);

void FillSetCombo(AppState& state, MainForm& form, const QString& name);
void ShowSelectedSet(AppState& state, MainForm& form);
void NewSet(AppState& state, MainForm& form);
void CopySet(AppState& state, MainForm& form);
void RenameSet(AppState& state, MainForm& form);
void DeleteSet(AppState& state, MainForm& form);
