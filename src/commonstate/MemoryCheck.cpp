#include "commonstate/MemoryCheck.h"

namespace {

QByteArray folderKey(const QByteArray& path) {
    return path.startsWith('/') ? path.mid(1) : path;
}

bool otherMedium(const FileSystemIdentity& remembered, const FileSystemIdentity& now) {
    if (!remembered.known() || !now.known())
        return false;
    return remembered.fileSystem != now.fileSystem ||
           (remembered.rootInode != 0 && now.rootInode != 0 && remembered.rootInode != now.rootInode);
}

} // namespace

int SideMovedToOtherFileSystem(const CommonState& state, const FileSystemIdentity now[2]) {
    for (int side = 0; side < 2; ++side) {
        const FileSystemIdentity& was = state.identity[side];
        if (was.known() && now[side].known() && was.fileSystem != now[side].fileSystem &&
            was.mountPoint != now[side].mountPoint)
            return side;
    }
    return -1;
}

MemoryCheck CheckMemory(const CommonState& state, const FileSystemIdentity now[2], const SideTree& side1,
                        const SideTree& side2, const ScanReport& report) {
    MemoryCheck check;
    if (state.folders.isEmpty())
        return check;
    const SideTree* tree[2] = {&side1, &side2};
    size_t inStep = 0;
    size_t missing[2] = {0, 0};
    size_t added[2] = {0, 0};
    size_t inodesChecked = 0;
    size_t inodesKept = 0;
    for (const ScanReport::Folder& folder : report.folders) {
        const auto found = state.folders.constFind(folderKey(folder.path1));
        const bool knows = found != state.folders.cend() && !found->files.empty();
        for (uint32_t i = folder.first; i < folder.first + folder.count; ++i) {
            const ScanReport::File& file = report.files[i];
            const int named = file.entry[0] != ScanReport::Absent ? 0 : 1;
            const SideEntry& entry = tree[named]->entries[file.entry[named]];
            const RememberedFile* remembered = knows ? found->find(tree[named]->name(entry)) : nullptr;
            if (!remembered || !remembered->inStep) {
                if (file.entry[1 - named] == ScanReport::Absent)
                    ++added[named];
                continue;
            }
            ++inStep;
            for (int side = 0; side < 2; ++side) {
                if (file.entry[side] == ScanReport::Absent) {
                    ++missing[side];
                    continue;
                }
                const SideEntry& e = tree[side]->entries[file.entry[side]];
                const std::vector<SideDevice>& devices = tree[side]->devices;
                if (remembered->inode[side] == 0 || e.device >= devices.size() ||
                    !devices[e.device].stableInodes)
                    continue;
                ++inodesChecked;
                inodesKept += e.inode == remembered->inode[side];
            }
        }
    }
    // A memory of the old key that remembers other roots is the other installation's: not used,
    // without a word, as this installation never kept it.
    const bool otherRoots = otherMedium(state.identity[0], now[0]) || otherMedium(state.identity[1], now[1]);
    for (int side = 0; side < 2 && !state.oldKey; ++side) {
        if (otherMedium(state.identity[side], now[side]))
            check.side[side] = Standing::OtherMedium;
        else if (missing[side] > added[side] + Handful && 2 * (missing[side] - added[side]) > inStep)
            check.side[side] = Standing::Emptied;
    }
    check.foreign = state.oldKey && (otherRoots || !(inodesChecked > 0 && 2 * inodesKept > inodesChecked));
    return check;
}
