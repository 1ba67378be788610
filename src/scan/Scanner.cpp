#include "scan/Scanner.h"

#include "text/TrimSpaces.h"

#include "platform/DirectoryListing.h"

#include <algorithm>

namespace {

bool containsWord(const QStringList& words, const QString& lowerPath) {
    for (const QString& word : words)
        if (!word.isEmpty() && lowerPath.contains(word))
            return true;
    return false;
}

void walkListing(ScanWalk& walk, DirectoryListing& listing, const QString& dir, uint8_t side) {
    ScanState& scan = walk.scan;
    if (walk.hooks.showActivity)
        walk.hooks.showActivity(QStringLiteral("Scanne: ") + dir);

    const bool needLower = !scan.FilterWords.isEmpty() || !scan.QuickFilter.isEmpty();
    int32_t lastShown = 0;
    ListedEntry entry;
    while (listing.next(entry)) {
        ++scan.EntryCounter;
        if (scan.EntryCounter > lastShown + 10) {
            lastShown = scan.EntryCounter;
            if (walk.hooks.showCount)
                walk.hooks.showCount(scan.EntryCounter);
        }
        if (walk.hooks.pump && walk.hooks.pump())
            break;
        // An entry that vanished between the listing and its stat has nothing true to record.
        if (entry.isDot || !entry.statOk)
            continue;

        QString full = dir + DecodeFileName(entry.name);
        if (entry.isDir)
            full += u'/';
        QString lower;
        if (needLower) {
            lower = full.toLower();
            if (containsWord(scan.FilterWords, lower))
                continue;
        }

        const int32_t date = LocalSecondsOf(entry.mtimeUtc, walk.utcOffset);
        int64_t size = entry.size;
        if (entry.isDir) {
            size = DirectorySize;
            DirectoryListing sub(listing, entry.name);
            if (sub.isOpen())
                walkListing(walk, sub, full, side);
        }
        if (scan.QuickFilter.isEmpty() || lower.contains(scan.QuickFilter)) {
            if (side == 0)
                AppendRow(scan, walk.rows, full, size, date, u'>', 0, 0, 0);
            else
                AppendRow(scan, walk.rows, full, 0, 0, u'<', size, date, 1);
        }
    }
}

} // namespace

void ScanTree(ScanWalk& walk, const QString& dir, uint8_t side) {
    const QString withSeparator = dir.endsWith(u'/') ? dir : dir + u'/';
    DirectoryListing listing(withSeparator);
    if (!listing.isOpen())
        return;
    walkListing(walk, listing, withSeparator, side);
}

bool IsExcluded(const ScanState& scan, const QString& fullPath) {
    return containsWord(scan.FilterWords, fullPath.toLower());
}

QString MakeRelative(const ScanState& scan, const QString& fullPath, uint8_t side) {
    const QString& root = side == 0 ? scan.SourceRoot : scan.TargetRoot;
    if (!root.isEmpty() && fullPath.startsWith(root))
        return fullPath.mid(root.size());
    return fullPath;
}

void AppendRow(ScanState& scan, ResultRows& rows, const QString& fullPath, int64_t size1, int32_t date1,
               QChar action, int64_t size2, int32_t date2, uint8_t side) {
    ResultRow row{MakeRelative(scan, fullPath, side), size1, date1, action, size2, date2, side};
    const size_t at = size_t(std::max(rows.current, -1) + 1);
    if (at >= rows.rows.size()) {
        rows.rows.push_back(std::move(row));
        rows.current = int(rows.rows.size()) - 1;
    } else {
        rows.rows.insert(rows.rows.begin() + qsizetype(at), std::move(row));
        rows.current = int(at);
    }
}

QStringList FilterWordsOf(const QString& filter) {
    QStringList words;
    if (filter.isEmpty())
        return words;
    for (const QString& field : filter.split(u'|'))
        words.append(TrimSpaces(field));
    return words;
}
