#pragma once

#include <QString>

// The one-line input box titled "Tandrix": a message, a text field holding `defaultText` with
// the caret at its end, and "OK". Enter or "OK" yields the field's text; Escape or closing the
// box yields the empty text. The program's other windows are disabled while it is open.
QString NamePrompt(const QString& message, const QString& defaultText);
