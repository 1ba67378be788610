#include "commonstate/StateLookup.h"

#include "platform/FileName.h"
#include "text/FoldCase.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

namespace {

QString withoutLeadingSeparator(const QString& path) {
    return path.startsWith(u'/') ? path.mid(1) : path;
}

// A hash of the folded spelling of a name: its UTF-16 units as FoldCase gives them. Names of ASCII
// only, nearly all, are folded here without being decoded, as FoldCase folds only A to Z in them.
uint64_t foldedHash(std::string_view name) {
    uint64_t hash = 14695981039346656037ULL;
    const auto add = [&hash](char16_t unit) { hash = (hash ^ unit) * 1099511628211ULL; };
    if (std::all_of(name.begin(), name.end(), [](char c) { return uint8_t(c) < 0x80; })) {
        for (char c : name)
            add(char16_t(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c));
    } else {
        for (QChar unit : FoldCase(DecodeFileName(name.data(), qsizetype(name.size()))))
            add(unit.unicode());
    }
    return hash;
}

QString foldedName(std::string_view name) {
    return FoldCase(DecodeFileName(name.data(), qsizetype(name.size())));
}

} // namespace

// The folded spellings of the state's folders, and the hashes of the folded names of each folder
// with a miss, sorted, with the names' indices; a spelling that several share leads nowhere.
struct StateLookup::Folded {
    bool keysGathered = false;
    QHash<QString, const StateFolder*> keys;
    std::unordered_map<const StateFolder*, std::vector<std::pair<uint64_t, int>>> names;
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
    std::vector<std::pair<uint64_t, int>>& names = folded->names[&in];
    if (names.empty()) {
        names.reserve(in.files.size());
        for (size_t i = 0; i < in.files.size(); ++i)
            names.push_back({foldedHash(in.name(in.files[i])), int(i)});
        std::sort(names.begin(), names.end());
    }
    const uint64_t hash = foldedHash(name);
    const auto [first, end] =
        std::equal_range(names.begin(), names.end(), std::pair<uint64_t, int>(hash, -1),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
    // Two names of one hash are taken for names that fold alike: they lead nowhere either way.
    if (end - first != 1)
        return -1;
    const int index = first->second;
    return foldedName(in.name(in.files[size_t(index)])) == foldedName(name) ? index : -1;
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
