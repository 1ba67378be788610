#pragma once

#include "commonstate/CommonState.h"

#include <QString>

// Looks up what a state remembers of paths, one row after the other, by their exact spelling: a
// name that only folds onto a remembered one may be another file (a side that tells letter case
// apart can hold both), so it never stands for it. A row is looked up under its spelling on side 1
// and, where side 2 spells it otherwise, under that one: the state keeps side 1's spelling of the
// last sync, and a side that folds letter case keeps its old spelling when the other changed it.
class StateLookup {
public:
    explicit StateLookup(const CommonState& state) : state(state) {}

    // The folder of a relative path ending with "/" ("" and "/" are the root); null when unknown.
    const StateFolder* folder(const QString& folderPath);
    // The remembered file of a relative path; null when there is none.
    const RememberedFile* file(const QString& path);
    // The remembered file of a row's entry; null when there is none.
    const RememberedFile* fileOfRow(const ResultRow& row);
    // The `since` of the nearest recorded folder holding `path` (a file's or a folder's); 0 when
    // there is none.
    int32_t recordedSinceAbove(const QString& path);

private:
    const CommonState& state;
    QString lastFolderPath;
    const StateFolder* lastFolder = nullptr;
    bool haveLast = false;
};

// The folder part (ending with "/", empty for the root) of a relative path, without the separator
// a root kept without its closing one puts before every path.
QString FolderPathOf(const QString& path);
