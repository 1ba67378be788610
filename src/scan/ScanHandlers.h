#pragma once

struct AppState;
struct MainForm;

// The "Scan" button: walks both trees of the set named in the combo box and lists the differences.
void StartScan(AppState& state, MainForm& form);
