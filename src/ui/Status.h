#pragma once

#include <QString>

struct MainForm;

// Puts a text into field 0, 1 or 2 of the main window's status bar.
void Status(MainForm& form, const QString& text, int field);
