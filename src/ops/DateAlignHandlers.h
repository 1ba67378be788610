#pragma once

struct AppState;
struct MainForm;

void RunDateAlign(AppState& state, MainForm& form);
// direction 1: side-2 dates from side 1; 0: side-1 dates from side 2.
void AlignDates(AppState& state, MainForm& form, int direction);
