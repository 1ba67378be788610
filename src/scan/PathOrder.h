#pragma once

#include "scan/ResultRow.h"

#include <QString>

// The order of the row list: only the letters A to Z are folded to lower case, every other
// character compares by its UTF-16 code unit, and a path sorts before its extensions. So "x.txt"
// comes before "x/", and a directory "x/" right before its contents.
int ComparePaths(const QString& a, const QString& b);
bool PathLess(const QString& a, const QString& b);

// Stable sort of the rows by path: rows of equal paths keep their recording order.
void SortRows(ResultRows& rows);
