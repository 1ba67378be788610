#pragma once

#include <QString>

struct AppState;
struct MainForm;

void UpdateFilterCheckBox(AppState& state, MainForm& form);
// Any event of the filter check box: edits the filter of the set named in the combo box.
void FilterCheckBoxEvent(AppState& state, MainForm& form);
QString EditFilter(AppState& state, MainForm& form, const QString& filter);
void AddSelectionToFilter(AppState& state, MainForm& form);
