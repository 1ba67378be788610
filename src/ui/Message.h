#pragma once

#include <QString>

// The program's message box: title "Tandrix Meldung", the text, one "OK" button, no icon.
// The program's other windows are disabled while it is shown.
void Message(const QString& text);

// A question box with "Ja" and "Nein"; true when answered with "Ja".
bool AskYesNo(const QString& title, const QString& text);
