#pragma once

#include "scan/SideTree.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <mutex>

// What one side's walk is told.
struct WalkRequest {
    QString root;            // as the set names it; a missing separator at the end is added
    QStringList FilterWords; // exclusion words, matched in the lower-cased full path
    QString QuickFilter;     // lower case; empty: every entry is listed
    int64_t utcOffset = 0;   // one offset for the whole scan, so both sides convert alike
};

// What a walk running on another thread tells the window, and how it learns of a cancel.
class WalkProgress {
public:
    explicit WalkProgress(const std::atomic<bool>& cancelRequested) : cancel(cancelRequested) {}

    bool cancelled() const { return cancel.load(std::memory_order_relaxed); }
    void countEntry() { entries.fetch_add(1, std::memory_order_relaxed); }
    int32_t entriesRead() const { return entries.load(std::memory_order_relaxed); }

    void enterFolder(const QString& fullPath);
    // The folder entered last, and whether it changed since the previous call.
    bool takeFolder(QString& fullPath);

private:
    const std::atomic<bool>& cancel;
    std::atomic<int32_t> entries{0};
    std::mutex lock;
    QString folder;
    bool folderChanged = false;
};

// Reads one side's tree below `request.root`. Holds a bounded number of folders open however deep
// the tree is. A folder that cannot be read stays marked incomplete and the walk goes on; a cancel
// stops the walk, leaving every folder not read to its end marked incomplete.
SideTree WalkSide(const WalkRequest& request, WalkProgress& progress);

// Splits a set's filter into its words as the scan uses them: at every "|", each word trimmed of
// spaces, empty words kept; an empty filter gives no words.
QStringList FilterWordsOf(const QString& filter);

// Whether a lower-cased full path (a folder's ending with "/") contains one of the words. Empty
// words never match.
bool ContainsFilterWord(const QStringList& words, const QString& lowerPath);
