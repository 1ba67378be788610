#include "commonstate/StateLookup.h"

#include "platform/FileName.h"
#include "text/FoldCase.h"

#include <algorithm>

namespace {

QString withoutLeadingSeparator(const QString& path) {
    return path.startsWith(u'/') ? path.mid(1) : path;
}

constexpr int Several = -2;

} // namespace

// The folded spellings of the state's folders and of the names of each folder with a miss; a
// spelling that several share leads nowhere.
struct StateLookup::Folded {
    bool keysGathered = false;
    QHash<QString, const StateFolder*> keys;
    QHash<const StateFolder*, QHash<QString, int>> names;
};

StateLookup::StateLookup(const CommonState& s) : state(s), folded(std::make_unique<Folded>()) {}

StateLookup::~StateLookup() = default;

const StateFolder* StateLookup::folder(const QString& folderPath) {
    const QString path = withoutLeadingSeparator(folderPath);
    if (haveLast && path == lastFolderPath)
        return lastFolder;
    const auto found = state.folders.constFind(EncodeFileName(path));
    const StateFolder* result = found == state.folders.cend() ? nullptr : &*found;
    if (!result) {
        if (!folded->keysGathered) {
            folded->keysGathered = true;
            for (auto it = state.folders.cbegin(); it != state.folders.cend(); ++it) {
                const QString key = FoldCase(DecodeFileName(it.key()));
                const auto at = folded->keys.find(key);
                if (at == folded->keys.end())
                    folded->keys.insert(key, &*it);
                else
                    at.value() = nullptr;
            }
        }
        result = folded->keys.value(FoldCase(path), nullptr);
    }
    lastFolderPath = path;
    lastFolder = result;
    haveLast = true;
    return result;
}

int StateLookup::fileIndex(const StateFolder& in, std::string_view name) {
    const auto at =
        std::lower_bound(in.files.begin(), in.files.end(), name,
                         [&in](const StateFolder::File& f, std::string_view n) { return in.name(f) < n; });
    if (at != in.files.end() && in.name(*at) == name)
        return int(at - in.files.begin());
    if (in.files.empty())
        return -1;
    auto names = folded->names.find(&in);
    if (names == folded->names.end()) {
        names = folded->names.insert(&in, {});
        names->reserve(qsizetype(in.files.size()));
        for (size_t i = 0; i < in.files.size(); ++i) {
            const std::string_view n = in.name(in.files[i]);
            const QString key = FoldCase(DecodeFileName(n.data(), qsizetype(n.size())));
            const auto slot = names->find(key);
            if (slot == names->end())
                names->insert(key, int(i));
            else
                slot.value() = Several;
        }
    }
    const int index = names->value(FoldCase(DecodeFileName(name.data(), qsizetype(name.size()))), -1);
    return index == Several ? -1 : index;
}

const RememberedFile* StateLookup::file(const QString& path) {
    const QString relative = withoutLeadingSeparator(path);
    const qsizetype cut = relative.lastIndexOf(u'/') + 1;
    const StateFolder* in = folder(relative.left(cut));
    if (!in)
        return nullptr;
    const int index = fileIndex(*in, EncodeFileName(relative.mid(cut)).toStdString());
    return index < 0 ? nullptr : &in->files[size_t(index)].state;
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
