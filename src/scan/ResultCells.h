#pragma once

#include "scan/ResultRow.h"

#include <QString>

// "%dd.%mm.%yyyy %hh:%ii:%ss" of a time in local seconds since 1970; empty for 0.
QString DateText(int32_t localSeconds);
// A size in decimal, "<DIR>" for a directory.
QString SizeText(int64_t size);
// The part of a path after its last "/"; empty for a directory. A "\" is part of a name here.
QString FileNameOf(const QString& path);
// The part of a path up to and including its last "/"; empty when it has none.
QString FolderPartOf(const QString& path);
// A name as the list shows it: bytes that are not valid UTF-8 appear as replacement characters.
QString ReadableName(const QString& name);

// What the row's tool tip says about it beyond its cells (why it waits, what happened to it); empty
// when there is nothing to say.
QString RowNote(const ResultRow& row);

// What is said of files dated more than a day after this computer's clock.
QString FutureDatedText(int count);

// Why an entry can never be put on the other side, as the scan or an operation finds it: a file
// and a folder of one name, or a name the other side already holds in another letter case.
QString FileAndFolderReason();
QString CaseTakenReason(const QString& existingName);

// The text of one of the seven columns of the result list for a row.
QString CellText(const ResultRow& row, int column);

enum ResultColumn : int {
    ColumnFile = 0,
    ColumnPath = 1,
    ColumnSize1 = 2,
    ColumnDate1 = 3,
    ColumnAction = 4,
    ColumnDate2 = 5,
    ColumnSize2 = 6,
};
