#include "commonstate/StateLookup.h"

#include "platform/FileName.h"

namespace {

QString withoutLeadingSeparator(const QString& path) {
    return path.startsWith(u'/') ? path.mid(1) : path;
}

} // namespace

const StateFolder* StateLookup::folder(const QString& folderPath) {
    const QString path = withoutLeadingSeparator(folderPath);
    if (haveLast && path == lastFolderPath)
        return lastFolder;
    const auto found = state.folders.constFind(EncodeFileName(path));
    lastFolderPath = path;
    lastFolder = found == state.folders.cend() ? nullptr : &*found;
    haveLast = true;
    return lastFolder;
}

const RememberedFile* StateLookup::file(const QString& path) {
    const QString relative = withoutLeadingSeparator(path);
    const qsizetype cut = relative.lastIndexOf(u'/') + 1;
    const StateFolder* in = folder(relative.left(cut));
    return in ? in->find(EncodeFileName(relative.mid(cut)).toStdString()) : nullptr;
}

const RememberedFile* StateLookup::fileOfRow(const ResultRow& row) {
    if (const RememberedFile* found = file(PathOnSide(row, 0)))
        return found;
    const QString& onSide2 = PathOnSide(row, 1);
    return onSide2 != PathOnSide(row, 0) ? file(onSide2) : nullptr;
}

int32_t StateLookup::recordedSinceAbove(const QString& path) {
    for (QString folderPath = FolderPathOf(path);; folderPath = FolderPathOf(folderPath)) {
        const StateFolder* found = folder(folderPath);
        if (found && found->recorded)
            return found->since;
        if (folderPath.isEmpty())
            return 0;
    }
}

QString FolderPathOf(const QString& path) {
    const QString relative = withoutLeadingSeparator(path);
    const qsizetype end = relative.endsWith(u'/') ? relative.size() - 1 : relative.size();
    return relative.left(relative.lastIndexOf(u'/', end - 1) + 1);
}
