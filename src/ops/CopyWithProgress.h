#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

#include "platform/FileOps.h"

// The copy progress text: "12 / 700 MB" in whole MB, empty for a file below one MB.
QString CopyProgress(int64_t totalSize, int64_t transferred);

// How a copy talks to the window without knowing it.
struct CopyHooks {
    std::function<void(const QString& text)> showProgress; // status field 1
    std::function<bool()> cancelRequested;                 // keeps the window alive; true stops
};

// Copies one file (or link) beside its destination, showing its progress, and clears the progress
// text at the end; CommitCopy puts it in place. Empty on cancel or failure, with nothing left
// behind, the old destination untouched and `error` telling why.
std::optional<PreparedCopy> PrepareCopyWithProgress(const QString& source, const QString& destination,
                                                    const CopyHooks& hooks, int* error = nullptr,
                                                    const CopyCheck& check = {});
