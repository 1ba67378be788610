#pragma once

#include "commonstate/CommonState.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <memory>

// Looks up what a state remembers of paths spelled as on side 1, one row after the other. A
// folder or a name that is not remembered as spelled stands for the one remembered folder or name
// (of its folder) that equals it without regard to letter case, where there is exactly one: a side
// that folds letter case may have changed it. The folded names of a folder are gathered at its
// first miss only, so a lookup costs the same however many rows there are.
class StateLookup {
public:
    explicit StateLookup(const CommonState& state);
    ~StateLookup();
    StateLookup(const StateLookup&) = delete;
    StateLookup& operator=(const StateLookup&) = delete;

    // The folder of a relative path ending with "/" ("" and "/" are the root); null when unknown.
    const StateFolder* folder(const QString& folderPath);
    // The remembered file of a relative path; null when there is none.
    const RememberedFile* file(const QString& path);
    // The index in `folder` of the file named `name` (bytes), or of its one case variant; -1 when
    // there is none.
    int fileIndex(const StateFolder& folder, std::string_view name);
    // The `since` of the nearest recorded folder holding `path` (a file's or a folder's); 0 when
    // there is none.
    int32_t recordedSinceAbove(const QString& path);

private:
    struct Folded;
    const CommonState& state;
    std::unique_ptr<Folded> folded;
    QString lastFolderPath;
    const StateFolder* lastFolder = nullptr;
    bool haveLast = false;
};

// The folder part (ending with "/", empty for the root) of a relative path, without the separator
// a root kept without its closing one puts before every path.
QString FolderPathOf(const QString& path);
