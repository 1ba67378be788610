#pragma once

#include <QString>
#include <QStringList>

// The program's message box: title "Tandrix Meldung", the text, one "OK" button, no icon.
// The program's other windows are disabled while it is shown.
void Message(const QString& text);

// A question box with "Ja" and "Nein"; true when answered with "Ja".
bool AskYesNo(const QString& title, const QString& text);

// A question box with buttons of these captions; the index of the one clicked. Enter clicks the
// button `preselected`; Escape or closing the box counts as the last button.
int AskChoice(const QString& title, const QString& text, const QStringList& buttons, int preselected);
