#pragma once

struct MainForm;

// Disables (true) or enables (false) controls 2 to 28 of the main window, except "Packen" (12)
// and "Abbruch" (14). The menu and the status bar are left alone.
void DisableControls(MainForm& form, bool disable);
