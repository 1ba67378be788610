#pragma once

#include <QChar>
#include <vector>

struct AppState;
struct MainForm;
class QLineEdit;

void FillResultList(AppState& state, MainForm& form);
void SelectAllRows(AppState& state, MainForm& form);
void SelectNoRows(AppState& state, MainForm& form);
void InvertSelection(AppState& state, MainForm& form);
void SelectByAction(AppState& state, MainForm& form, QChar action);
void SelectDirectories(AppState& state, MainForm& form);
// Selects exactly the lines whose flag is set.
void SelectLines(MainForm& form, const std::vector<bool>& wanted);
void ShowSelectionCount(AppState& state, MainForm& form);
void OpenRowFolders(AppState& state, MainForm& form);
void StoreSetPaths(AppState& state, MainForm& form);
void ChooseSourcePath(AppState& state, MainForm& form);
void ChooseTargetPath(AppState& state, MainForm& form);
// The two hyperlinks: hands the field's text, exactly as typed, to the desktop.
void OpenTypedPath(const QLineEdit* field);
