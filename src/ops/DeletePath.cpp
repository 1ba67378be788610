#include "ops/DeletePath.h"

#include "ops/ExpectedOn.h"
#include "ops/FailureReasons.h"
#include "platform/DirectoryListing.h"
#include "platform/FileName.h"

#include <vector>

namespace {

// Where an entry may be removed although the scan did not list it: its change time lies before
// the scan with a margin for the coarse clock the file system stamps it with.
constexpr int64_t ChangeTimeMargin = 2;

struct FolderPlan {
    std::vector<QString> removable; // below the folder: entries as seen, whose folders hold something else
    QStringList kept;               // new or changed since the scan
};

bool asSeen(const ListedEntry& entry, const ExpectedEntry& expected) {
    const bool folder = entry.kind == EntryKind::Directory;
    if (folder != expected.folder || (entry.kind == EntryKind::Link) != expected.link)
        return false;
    if (expected.stableInodes && (entry.device != expected.device || entry.inode != expected.inode))
        return false;
    if (folder)
        return true;
    return entry.size == expected.size && LocalSecondsOf(entry.mtimeUtc, expected.utcOffset) == expected.date;
}

// An entry of a listing, kept beyond the listing's own buffer.
struct Met {
    QByteArray name;
    ListedEntry entry;
};

// Whether everything in `folder` is as the scan saw it. Where not, the plan gets the entries of
// this folder that are (to be removed one by one) and those that are not.
bool checkFolder(Folder& folder, const QString& full, const QString& relative, const SeenBeneath& seen,
                 FolderPlan& plan) {
    std::vector<Met> met;
    const Folder::ReadResult read = folder.read([&met](const ListedEntry& entry) {
        if (entry.kind != EntryKind::Dot && entry.kind != EntryKind::Vanished)
            met.push_back({QByteArray(entry.name, entry.nameLength), entry});
        return true;
    });
    bool clean = read == Folder::ReadResult::Complete;
    if (!clean)
        plan.kept.append(relative.isEmpty() ? QStringLiteral("./") : relative);
    std::vector<QString> cleanHere;
    const bool changeTimes = folder.keepsInodes() && seen.scanStartedUtc > 0;
    for (const Met& m : met) {
        const ListedEntry& entry = m.entry;
        const bool isFolder = entry.kind == EntryKind::Directory;
        const QString name = DecodeFileName(m.name) + (isFolder ? QStringLiteral("/") : QString());
        const QString rel = relative + name;
        bool ok = false;
        if (entry.kind != EntryKind::Unreadable) {
            const auto found = seen.entries.constFind(rel);
            ok = found != seen.entries.cend()
                     ? asSeen(entry, *found)
                     : changeTimes && entry.ctimeUtc < seen.scanStartedUtc - ChangeTimeMargin;
        }
        bool descended = false;
        if (ok && isFolder) {
            Folder child = folder.openChild(m.name.constData(), entry.device, entry.inode);
            descended = child.isOpen();
            ok = descended && checkFolder(child, full + name, rel, seen, plan);
        }
        if (ok)
            cleanHere.push_back(full + name);
        else if (!descended)
            plan.kept.append(rel);
        clean = clean && ok;
    }
    if (!clean)
        plan.removable.insert(plan.removable.end(), cleanHere.begin(), cleanHere.end());
    return clean;
}

QString keptReason(const QStringList& kept) {
    QString text = QStringLiteral("Seit dem Scan neu oder verändert, darum behalten: ") +
                   (kept.isEmpty() ? QStringLiteral("./") : kept.first());
    if (kept.size() > 1)
        text += QStringLiteral(" und %1 weitere").arg(kept.size() - 1);
    return FailureText(Attempt::Delete, text);
}

// A folder's removal when the scan listed what lay in it.
Deletion removeSeenFolder(Removal& removal, const QString& full, const ExpectedEntry& expected,
                          const SeenBeneath& seen, bool partly, QString& reason) {
    Folder folder = Folder::openRoot(full);
    FolderPlan plan;
    if (folder.isOpen() && checkFolder(folder, full, QString(), seen, plan)) {
        if (const int error = RemoveAsPlanned(removal, full, expected)) {
            reason = FailureText(Attempt::Delete, error, full);
            return Deletion::Kept;
        }
        return Deletion::Deleted;
    }
    if (partly) {
        for (const QString& path : plan.removable) {
            ExpectedEntry anything;
            RemoveAsPlanned(removal, path, anything);
        }
    }
    reason = keptReason(plan.kept);
    return Deletion::Kept;
}

} // namespace

bool DeletePath(const QString& fullPath, int* error) {
    if (DeleteFile(fullPath, error))
        return true;
    if (StatPath(fullPath).kind == PathKind::Directory)
        return DeleteTreeForced(fullPath, error);
    return false;
}

SeenBeneath SeenBeneathFolder(const RowList& rows, int folderRow, int side, int64_t utcOffset,
                              int64_t scanStartedUtc) {
    SeenBeneath seen;
    seen.scanStartedUtc = scanStartedUtc;
    const QString& folder = rows[folderRow].path;
    const int folderLength = int(PathOnSide(rows[folderRow], side).size());
    for (int i = folderRow + 1; i < int(rows.size()) && rows[i].path.startsWith(folder); ++i) {
        if (PresentOn(rows[i], side))
            seen.entries.insert(PathOnSide(rows[i], side).mid(folderLength),
                                ExpectedOn(rows[i], side, utcOffset));
    }
    return seen;
}

Deletion DeleteSeenEntry(Removal& removal, const QString& root, const QString& path,
                         const ExpectedEntry& expected, const SeenBeneath* seen, bool partly,
                         QString& reason) {
    int error = PathThroughLink;
    if (!PassesThroughLink(root, path)) {
        const QString full = root + path;
        error = CheckEntry(full, expected);
        // Gone already: a folder deleted before took it along.
        if (error == NotAsScanned && StatPath(full).kind == PathKind::Missing)
            return Deletion::Gone;
        const bool folder = path.endsWith(u'/');
        if (error == NoFileError && folder && seen)
            return removeSeenFolder(removal, full, expected, *seen, partly, reason);
        if (error == NoFileError && folder)
            error = RemoveEmptyDirectory(full, &error) ? NoFileError : error;
        else if (error == NoFileError)
            error = RemoveAsPlanned(removal, full, expected);
        if (error == NoFileError)
            return Deletion::Deleted;
    }
    reason = FailureText(Attempt::Delete, error, root + path);
    return Deletion::Kept;
}
