#pragma once

#include <QString>

// The lower case of every letter, one code point at a time, for comparing names without regard to
// letter case. A lone surrogate, the stand-in of a name's byte that is not UTF-8, stays as it is, so
// two names that differ in such a byte never fold together; a real U+FFFD is a character like any
// other.
QString FoldCase(const QString& text);
