#include "scan/SideWalk.h"

#include "platform/DirectoryListing.h"
#include "platform/FileName.h"
#include "platform/FileOps.h"
#include "platform/RemoveEntry.h"
#include "scan/ResultRow.h"
#include "text/FoldCase.h"
#include "text/TrimSpaces.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

namespace {

// A chain of folders deeper than the process may hold open is still walked whole: beyond this
// many, the folders nearest the root are closed and opened again through ".." on the way back.
constexpr int MaxOpenFolders = 32;

struct PendingFolder {
    uint32_t index;
    uint64_t device;
    uint64_t inode;
};

struct Frame {
    uint32_t folder = 0; // entry index
    Folder handle;
    uint64_t device = 0;
    uint64_t inode = 0;
    std::vector<PendingFolder> subfolders; // in reading order
    size_t next = 0;
    QString fullPath; // ends with the separator
};

// An entry between its listing and its place in the tree.
struct ReadEntry {
    int64_t size;
    uint64_t device;
    uint64_t inode;
    uint64_t birth;
    uint32_t nameOffset;
    uint32_t order;
    int32_t date;
    uint16_t nameLength;
    uint8_t flags;
};

class Walker {
public:
    Walker(const WalkRequest& r, WalkProgress& p, SideTree& t)
        : request(r), progress(p), tree(t), filtering(!r.FilterWords.isEmpty() || !r.QuickFilter.isEmpty()) {}

    // Reads the folder of `frame` and appends its entries; false when a cancel stopped it.
    bool readFolder(Frame& frame, const Frame* parent) {
        progress.enterFolder(frame.fullPath);
        noteFolderDevice(frame);
        scratch.clear();
        scratchNames.clear();
        bool unknownEntry = false;
        const Folder::ReadResult result = frame.handle.read([&](const ListedEntry& e) {
            // The copy's own temporary files are no one's data: never listed, counted or copied.
            if ((e.kind == EntryKind::File || e.kind == EntryKind::Link) &&
                IsCopyTempName(QByteArray::fromRawData(e.name, e.nameLength))) {
                tree.leftovers.append(frame.fullPath + DecodeFileName(e.name, e.nameLength));
                return true;
            }
            // A trash at the top of a side (a stick's ".Trash-1000") holds what was removed, not
            // the user's tree: listing it would copy it back.
            if (!parent && e.kind == EntryKind::Directory &&
                IsTrashFolderName(QByteArray::fromRawData(e.name, e.nameLength)))
                return true;
            progress.countEntry();
            if (progress.cancelled())
                return false;
            if (e.kind == EntryKind::Unreadable)
                unknownEntry = true;
            if (e.kind != EntryKind::File && e.kind != EntryKind::Directory && e.kind != EntryKind::Link)
                return true;
            scratch.push_back(entryOf(frame, e));
            return true;
        });
        append(frame);
        noteCaseFolding(frame, parent);
        if (result == Folder::ReadResult::Stopped)
            return false;
        if (result == Folder::ReadResult::Complete && !unknownEntry)
            tree.entries[frame.folder].flags &= uint8_t(~EntryIncomplete);
        else
            tree.entries[frame.folder].flags |= EntryUnreadable;
        return true;
    }

    uint16_t deviceIndex(uint64_t id) {
        for (size_t i = 0; i < tree.devices.size(); ++i)
            if (tree.devices[i].id == id)
                return uint16_t(i);
        // More file systems in one tree than an index holds: the last ones share an entry whose
        // inode numbers are not trusted.
        if (tree.devices.size() > UINT16_MAX - 1)
            return UINT16_MAX;
        tree.devices.push_back({id, false, false});
        inodesKnown.push_back(false);
        return uint16_t(tree.devices.size() - 1);
    }

private:
    // Whether a file system keeps its inode numbers is asked once, through its first folder opened.
    void noteFolderDevice(const Frame& frame) {
        const uint16_t index = deviceIndex(frame.device);
        if (index == UINT16_MAX || inodesKnown[index])
            return;
        tree.devices[index].stableInodes = frame.handle.keepsInodes();
        tree.devices[index].exactTimes = frame.handle.keepsExactTimes();
        inodesKnown[index] = true;
    }

    // Looks one of the folder's names up under other letter case: found, while the listing does
    // not hold that spelling, the folder matches names without regard to case (FAT, exFAT, NTFS, a
    // casefold folder). A folder without such a name is taken to be like its parent on the same
    // file system.
    void noteCaseFolding(const Frame& frame, const Frame* parent) {
        SideEntry& folder = tree.entries[frame.folder];
        const uint32_t first = folder.firstChild;
        const uint32_t end = first + folder.childCount;
        for (uint32_t i = first, tries = 0; i < end && tries < 3; ++i) {
            const std::string_view name = tree.name(tree.entries[i]);
            std::string variant(name);
            bool changed = false;
            for (char& c : variant) {
                if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
                    c = char(c ^ 0x20);
                    changed = true;
                }
            }
            if (!changed)
                continue;
            ++tries;
            // Both spellings listed: this folder tells them apart.
            if (holdsName(first, end, variant))
                return;
            if (frame.handle.hasEntry(variant.c_str()))
                folder.flags |= EntryFoldsCase;
            return;
        }
        if (parent && parent->device == frame.device && (tree.entries[parent->folder].flags & EntryFoldsCase))
            folder.flags |= EntryFoldsCase;
    }

    bool holdsName(uint32_t first, uint32_t end, std::string_view name) const {
        const auto begin = tree.entries.begin() + first;
        const auto stop = tree.entries.begin() + end;
        const auto at = std::lower_bound(
            begin, stop, name, [this](const SideEntry& e, std::string_view n) { return tree.name(e) < n; });
        return at != stop && tree.name(*at) == name;
    }

    ReadEntry entryOf(const Frame& frame, const ListedEntry& e) {
        const bool folder = e.kind == EntryKind::Directory;
        ReadEntry r{};
        r.size = folder ? DirectorySize : e.size;
        r.device = e.device;
        r.inode = e.inode;
        r.birth = e.birth;
        r.nameOffset = uint32_t(scratchNames.size());
        r.nameLength = e.nameLength;
        r.order = nextOrder++;
        r.date = LocalSecondsOf(e.mtimeUtc, request.utcOffset);
        r.flags = folder ? uint8_t(EntryIsFolder | EntryIncomplete) : uint8_t(0);
        if (e.kind == EntryKind::Link)
            r.flags |= EntryIsLink;
        scratchNames.insert(scratchNames.end(), e.name, e.name + e.nameLength);
        if (!filtering) {
            r.flags |= EntryListed;
            return r;
        }
        QString full = frame.fullPath + DecodeFileName(e.name, e.nameLength);
        if (folder)
            full += u'/';
        const QString lower = FoldCase(full);
        if (ContainsFilterWord(request.FilterWords, lower))
            r.flags = uint8_t((r.flags & EntryIsFolder) | EntryExcluded);
        else if (request.QuickFilter.isEmpty() || lower.contains(request.QuickFilter))
            r.flags |= EntryListed;
        return r;
    }

    // The folder's entries go into the tree side by side, sorted by their names' bytes, so the
    // comparison pairs two folders' entries in one merge.
    void append(Frame& frame) {
        const char* names = scratchNames.data();
        std::sort(scratch.begin(), scratch.end(), [names](const ReadEntry& a, const ReadEntry& b) {
            const int c =
                std::memcmp(names + a.nameOffset, names + b.nameOffset, std::min(a.nameLength, b.nameLength));
            return c != 0 ? c < 0 : a.nameLength < b.nameLength;
        });
        const uint32_t first = uint32_t(tree.entries.size());
        tree.entries[frame.folder].firstChild = first;
        tree.entries[frame.folder].childCount = uint32_t(scratch.size());
        for (const ReadEntry& r : scratch) {
            SideEntry s;
            s.size = r.size;
            s.nameOffset = uint32_t(tree.names.size());
            s.order = r.order;
            s.date = r.date;
            s.nameLength = r.nameLength;
            s.flags = r.flags;
            s.inode = r.inode;
            s.birth = r.birth;
            s.device = deviceIndex(r.device);
            // Each name is followed by a zero byte, so a folder can be opened by it directly.
            tree.names.insert(tree.names.end(), names + r.nameOffset, names + r.nameOffset + r.nameLength);
            tree.names.push_back('\0');
            if ((r.flags & EntryIsFolder) && !(r.flags & EntryExcluded))
                frame.subfolders.push_back({uint32_t(tree.entries.size()), r.device, r.inode});
            tree.entries.push_back(s);
        }
        // Down in the order the listing gave, as a walk without sorting would.
        std::sort(frame.subfolders.begin(), frame.subfolders.end(),
                  [this](const PendingFolder& a, const PendingFolder& b) {
                      return tree.entries[a.index].order < tree.entries[b.index].order;
                  });
    }

    const WalkRequest& request;
    WalkProgress& progress;
    SideTree& tree;
    const bool filtering;
    std::vector<ReadEntry> scratch;
    std::vector<char> scratchNames;
    std::vector<bool> inodesKnown; // beside tree.devices
    uint32_t nextOrder = 0;
};

void closeNearestToRoot(std::vector<Frame>& stack, int& open) {
    for (Frame& frame : stack) {
        if (frame.handle.isOpen()) {
            frame.handle.close();
            --open;
            return;
        }
    }
}

// A folder's entries are appended after the folder itself, so one pass from the end sees every
// folder's contents before the folder.
void markIncompleteBelow(SideTree& tree) {
    for (size_t i = tree.entries.size(); i-- > 0;) {
        SideEntry& e = tree.entries[i];
        if (!(e.flags & EntryIsFolder) || (e.flags & EntryExcluded))
            continue;
        bool incomplete = e.flags & EntryIncomplete;
        for (uint32_t c = e.firstChild; !incomplete && c < e.firstChild + e.childCount; ++c)
            incomplete = tree.entries[c].flags & EntryIncompleteBelow;
        if (incomplete)
            e.flags |= EntryIncompleteBelow;
    }
}

QString withSeparator(const QString& path) {
    return path.endsWith(u'/') ? path : path + u'/';
}

} // namespace

void WalkProgress::enterFolder(const QString& fullPath) {
    std::lock_guard<std::mutex> guard(lock);
    folder = fullPath;
    folderChanged = true;
}

bool WalkProgress::takeFolder(QString& fullPath) {
    std::lock_guard<std::mutex> guard(lock);
    fullPath = folder;
    const bool changed = folderChanged;
    folderChanged = false;
    return changed;
}

SideTree WalkSide(const WalkRequest& request, WalkProgress& progress) {
    SideTree tree;
    SideEntry root;
    root.size = DirectorySize;
    root.flags = EntryIsFolder | EntryIncomplete | EntryListed;
    tree.entries.push_back(root);
    tree.names.push_back('\0');

    Folder handle = Folder::openRoot(request.root);
    if (!handle.isOpen())
        return tree;
    tree.rootOpened = true;
    Walker walker(request, progress, tree);
    std::vector<Frame> stack;
    Frame first;
    first.device = handle.device();
    first.inode = handle.inode();
    first.handle = std::move(handle);
    first.fullPath = withSeparator(request.root);
    tree.entries[0].inode = first.inode;
    tree.entries[0].device = walker.deviceIndex(first.device);
    stack.push_back(std::move(first));
    int open = 1;
    bool complete = walker.readFolder(stack.back(), nullptr);

    while (complete && !stack.empty()) {
        Frame& top = stack.back();
        if (top.next < top.subfolders.size()) {
            const PendingFolder next = top.subfolders[top.next++];
            if (open >= MaxOpenFolders)
                closeNearestToRoot(stack, open);
            const SideEntry& entry = tree.entries[next.index];
            Folder child =
                top.handle.openChild(tree.names.data() + entry.nameOffset, next.device, next.inode);
            if (!child.isOpen()) {
                // Stays incomplete: unreadable, or no longer the folder that was listed.
                tree.entries[next.index].flags |= EntryUnreadable;
                continue;
            }
            Frame frame;
            frame.folder = next.index;
            frame.handle = std::move(child);
            frame.device = next.device;
            frame.inode = next.inode;
            frame.fullPath = top.fullPath + DecodeFileName(tree.name(entry).data(), entry.nameLength) + u'/';
            ++open;
            stack.push_back(std::move(frame));
            complete = walker.readFolder(stack.back(), &stack[stack.size() - 2]);
            continue;
        }
        Frame done = std::move(stack.back());
        stack.pop_back();
        if (!stack.empty() && !stack.back().handle.isOpen()) {
            Frame& parent = stack.back();
            parent.handle = done.handle.openParent(parent.device, parent.inode);
            if (parent.handle.isOpen())
                ++open;
            else
                parent.next = parent.subfolders.size(); // moved meanwhile: the rest stays incomplete
        }
        done.handle.close();
        --open;
    }
    tree.cancelled = !complete;
    tree.entriesRead = progress.entriesRead();
    markIncompleteBelow(tree);
    return tree;
}

QStringList FilterWordsOf(const QString& filter) {
    QStringList words;
    if (filter.isEmpty())
        return words;
    for (const QString& field : filter.split(u'|'))
        words.append(TrimSpaces(field));
    return words;
}

bool ContainsFilterWord(const QStringList& words, const QString& lowerPath) {
    for (const QString& word : words)
        if (!word.isEmpty() && lowerPath.contains(word))
            return true;
    return false;
}
