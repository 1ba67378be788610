#include "scan/Compare.h"

#include "platform/FileName.h"
#include "scan/PathOrder.h"
#include "scan/ResultCells.h"
#include "text/FoldCase.h"

#include <QHash>
#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

// A row with what decides between rows of the very same path: the rows of side 1's entries first,
// then those of side 2, each in reading order, as if all of side 1 had been recorded first.
struct Emitted {
    ResultRow row;
    uint8_t origin;
    uint32_t order;
};

// Two folders whose entries are to be paired, with their spellings on each side.
struct FolderPair {
    uint32_t entry[2];
    QString prefix[2]; // relative path of the folder on each side, ending with "/"
    bool uncertain;    // inherited: a folder above was not read completely
};

// An entry on one side only, with the paths it has (and would get) on each side.
struct OneSided {
    uint32_t entry;
    QString prefix[2];
};

// A path made of a folder's path and a name (and a closing separator), holding no more memory than
// it needs: every listed row keeps one.
QString joined(const QString& folder, const QString& name, bool separator = false) {
    QString path;
    path.reserve(folder.size() + name.size() + (separator ? 1 : 0));
    path.append(folder).append(name);
    if (separator)
        path.append(u'/');
    return path;
}

class Matcher {
public:
    Matcher(const SideTree& a, const SideTree& b, const Settings& s, const MatchOptions& o)
        : tree{&a, &b}, settings(s), options(o) {}

    std::vector<Emitted> run() {
        if (options.report)
            options.report->files.reserve(std::max(tree[0]->entries.size(), tree[1]->entries.size()));
        std::vector<FolderPair> folders;
        folders.push_back({{0, 0}, {options.pathPrefix[0], options.pathPrefix[1]}, false});
        while (!folders.empty()) {
            FolderPair pair = std::move(folders.back());
            folders.pop_back();
            matchFolder(pair, folders);
        }
        return std::move(out);
    }

private:
    const SideEntry& entry(int side, uint32_t index) const { return tree[side]->entries[index]; }
    QString nameOf(int side, uint32_t index) const {
        const SideEntry& e = entry(side, index);
        return DecodeFileName(tree[side]->names.data() + e.nameOffset, e.nameLength);
    }
    int compareNames(uint32_t a, uint32_t b) const {
        const SideEntry& ea = entry(0, a);
        const SideEntry& eb = entry(1, b);
        const int c =
            std::memcmp(tree[0]->names.data() + ea.nameOffset, tree[1]->names.data() + eb.nameOffset,
                        std::min(ea.nameLength, eb.nameLength));
        if (c != 0)
            return c;
        return ea.nameLength == eb.nameLength ? 0 : (ea.nameLength < eb.nameLength ? -1 : 1);
    }
    bool isFolder(int side, uint32_t index) const { return entry(side, index).flags & EntryIsFolder; }

    // Where the row's entry is on a side, and what it is there.
    void noteSide(ResultRow& row, int side, const SideEntry& e) const {
        const std::vector<SideDevice>& devices = tree[side]->devices;
        const SideDevice device = e.device < devices.size() ? devices[e.device] : SideDevice{};
        row.sides |= uint8_t(PresentOn1 << side);
        if (e.flags & EntryIsLink)
            row.sides |= uint8_t(LinkOn1 << side);
        if (device.stableInodes)
            row.sides |= uint8_t(StableInodesOn1 << side);
        if (device.exactTimes)
            row.sides |= uint8_t(ExactTimesOn1 << side);
        row.seen[side] = {device.id, e.inode};
    }

    void matchFolder(const FolderPair& folder, std::vector<FolderPair>& folders) {
        const SideEntry& a = entry(0, folder.entry[0]);
        const SideEntry& b = entry(1, folder.entry[1]);
        const bool uncertain = folder.uncertain || (a.flags & EntryIncomplete) || (b.flags & EntryIncomplete);
        const size_t reported = options.report ? options.report->folders.size() : 0;
        if (ScanReport* report = options.report)
            report->folders.push_back(
                {EncodeFileName(folder.prefix[0]),
                 folder.prefix[1] != folder.prefix[0] ? EncodeFileName(folder.prefix[1]) : QByteArray(),
                 PresentOn1 | PresentOn1 << 1, uint32_t(report->files.size()), 0});
        std::vector<uint32_t> left[2];
        uint32_t i = a.firstChild;
        uint32_t j = b.firstChild;
        const uint32_t iEnd = a.firstChild + a.childCount;
        const uint32_t jEnd = b.firstChild + b.childCount;
        while (i < iEnd && j < jEnd) {
            const int c = compareNames(i, j);
            if (c == 0 && isFolder(0, i) == isFolder(1, j)) {
                pair(i++, j++, folder, uncertain, folders);
            } else if (c == 0) {
                // A file and a folder of one name: neither can ever be put on the other side.
                kindClash.push_back(i);
                left[0].push_back(i++);
                left[1].push_back(j++);
            } else if (c < 0) {
                left[0].push_back(i++);
            } else {
                left[1].push_back(j++);
            }
        }
        for (; i < iEnd; ++i)
            left[0].push_back(i);
        for (; j < jEnd; ++j)
            left[1].push_back(j);
        if (!left[0].empty() && !left[1].empty())
            pairCaseVariants(left, folder, uncertain, folders);
        // The folder's own files first, as a folder on one side only reports its files after it.
        if (ScanReport* report = options.report) {
            for (int side = 0; side < 2; ++side)
                for (uint32_t index : left[side])
                    if (index != Paired)
                        reportOneSided(side, index);
            ScanReport::Folder& done = report->folders[reported];
            done.count = uint32_t(report->files.size()) - done.first;
        }
        for (int side = 0; side < 2; ++side) {
            FoldedNames taken(*this, 1 - side, folder.entry[1 - side]);
            for (uint32_t index : left[side]) {
                if (index == Paired)
                    continue;
                QString blocked;
                const std::string_view name = tree[side]->name(entry(side, index));
                const bool clash = side == 0 ? std::binary_search(kindClash.begin(), kindClash.end(), index)
                                             : holdsClash(name);
                if (clash)
                    blocked = QStringLiteral("Nicht kopiert: ") + FileAndFolderReason();
                else if (const QString other = taken.variantOf(nameOf(side, index)); !other.isEmpty())
                    blocked = QStringLiteral("Nicht kopiert: ") + CaseTakenReason(other);
                listOneSided(side, index, folder, uncertain, blocked);
            }
        }
        kindClash.clear();
    }

    // Reports a file of one side only, unless it is excluded.
    void reportOneSided(int side, uint32_t index) {
        const SideEntry& e = entry(side, index);
        if (e.flags & (EntryIsFolder | EntryExcluded))
            return;
        ScanReport::File file{{ScanReport::Absent, ScanReport::Absent}, false};
        file.entry[side] = index;
        options.report->files.push_back(file);
    }

    // Pairs the entries left without an exact partner whose names differ only in letter case,
    // where the name and kind occur exactly once on each side; paired ones are marked in `left`.
    void pairCaseVariants(std::vector<uint32_t> (&left)[2], const FolderPair& folder, bool uncertain,
                          std::vector<FolderPair>& folders) {
        struct Group {
            int count[2] = {0, 0};
            size_t at[2] = {0, 0};
        };
        QHash<QString, Group> groups;
        for (int side = 0; side < 2; ++side) {
            for (size_t k = 0; k < left[side].size(); ++k) {
                const uint32_t index = left[side][k];
                Group& g = groups[(isFolder(side, index) ? u'd' : u'f') + FoldCase(nameOf(side, index))];
                ++g.count[side];
                g.at[side] = k;
            }
        }
        for (const Group& g : std::as_const(groups)) {
            if (g.count[0] != 1 || g.count[1] != 1)
                continue;
            pair(left[0][g.at[0]], left[1][g.at[1]], folder, uncertain, folders);
            left[0][g.at[0]] = Paired;
            left[1][g.at[1]] = Paired;
        }
    }

    void pair(uint32_t i, uint32_t j, const FolderPair& folder, bool uncertain,
              std::vector<FolderPair>& folders) {
        const SideEntry& a = entry(0, i);
        const SideEntry& b = entry(1, j);
        if ((a.flags & EntryExcluded) || (b.flags & EntryExcluded))
            return;
        if (a.flags & EntryIsFolder) {
            folders.push_back(
                {{i, j},
                 {joined(folder.prefix[0], nameOf(0, i), true), joined(folder.prefix[1], nameOf(1, j), true)},
                 uncertain});
            return;
        }
        const bool listed = (a.flags & EntryListed) || (b.flags & EntryListed);
        if (!listed && !options.report)
            return;
        const int result =
            options.IgnoreDateFlag && a.size == b.size ? 0 : CompareTimes(a.date, b.date, settings);
        if (options.report)
            options.report->files.push_back({{i, j}, result == 0});
        if (!listed || result == 0)
            return;
        const int newer = result > 0 ? 0 : 1;
        const QString spelled[2] = {joined(folder.prefix[0], nameOf(0, i)),
                                    joined(folder.prefix[1], nameOf(1, j))};
        ResultRow row;
        row.path = spelled[newer];
        if (spelled[1 - newer] != row.path)
            row.otherPath = spelled[1 - newer];
        row.size1 = a.size;
        row.date1 = a.date;
        row.size2 = b.size;
        row.date2 = b.date;
        row.action = newer == 0 ? u'>' : u'<';
        row.side = uint8_t(newer);
        row.uncertain = uncertain;
        noteSide(row, 0, a);
        noteSide(row, 1, b);
        out.push_back({std::move(row), 0, a.order});
    }

    // The names of a folder on a side that matches names without regard to letter case, folded,
    // made only when asked: an entry of the other side whose name folds onto one of them can never
    // be created there.
    class FoldedNames {
    public:
        FoldedNames(const Matcher& m, int s, uint32_t f) : matcher(m), side(s), folder(f) {}
        QString variantOf(const QString& name) {
            const SideEntry& f = matcher.entry(side, folder);
            if (!(f.flags & EntryFoldsCase))
                return QString();
            if (!made) {
                for (uint32_t c = f.firstChild; c < f.firstChild + f.childCount; ++c) {
                    const QString n = matcher.nameOf(side, c);
                    names.insert(FoldCase(n), n);
                }
                made = true;
            }
            return names.value(FoldCase(name));
        }

    private:
        const Matcher& matcher;
        int side;
        uint32_t folder;
        bool made = false;
        QHash<QString, QString> names;
    };

    // Whether a side-2 entry's name is one of the file-and-folder clashes found on side 1.
    bool holdsClash(std::string_view name) const {
        for (uint32_t i : kindClash)
            if (tree[0]->name(entry(0, i)) == name)
                return true;
        return false;
    }

    // Lists an entry found on one side only, and everything below it when it is a folder. A
    // `blocked` entry cannot be created on the other side: neither it nor anything below it.
    void listOneSided(int side, uint32_t index, const FolderPair& folder, bool uncertain,
                      const QString& blocked) {
        std::vector<OneSided> pending;
        pending.push_back({index, {folder.prefix[0], folder.prefix[1]}});
        while (!pending.empty()) {
            const OneSided next = std::move(pending.back());
            pending.pop_back();
            const SideEntry& e = entry(side, next.entry);
            if (e.flags & EntryExcluded)
                continue;
            const bool isDir = e.flags & EntryIsFolder;
            const QString name = nameOf(side, next.entry);
            const QString spelled[2] = {joined(next.prefix[0], name, isDir),
                                        joined(next.prefix[1], name, isDir)};
            if (e.flags & EntryListed) {
                ResultRow row;
                row.path = spelled[side];
                if (spelled[1 - side] != row.path)
                    row.otherPath = spelled[1 - side];
                if (side == 0) {
                    row.size1 = e.size;
                    row.date1 = e.date;
                } else {
                    row.size2 = e.size;
                    row.date2 = e.date;
                }
                row.action = side == 0 ? u'>' : u'<';
                row.side = uint8_t(side);
                // A folder that, or something beneath it, could not be read holds what no one has
                // seen: creating, deleting or re-dating it must wait for a complete scan.
                row.uncertain = uncertain || (isDir && (e.flags & EntryIncompleteBelow));
                row.unreadable = isDir && (e.flags & EntryUnreadable);
                if (!blocked.isEmpty()) {
                    row.blocked = true;
                    row.failure = blocked;
                }
                noteSide(row, side, e);
                out.push_back({std::move(row), uint8_t(side), e.order});
            }
            if (!isDir)
                continue;
            if (ScanReport* report = options.report) {
                report->folders.push_back(
                    {EncodeFileName(spelled[0]),
                     spelled[1] != spelled[0] ? EncodeFileName(spelled[1]) : QByteArray(),
                     uint8_t(PresentOn1 << side), uint32_t(report->files.size()), 0});
                for (uint32_t c = e.firstChild; c < e.firstChild + e.childCount; ++c)
                    reportOneSided(side, c);
                report->folders.back().count = uint32_t(report->files.size()) - report->folders.back().first;
            }
            for (uint32_t c = e.firstChild; c < e.firstChild + e.childCount; ++c)
                pending.push_back({c, {spelled[0], spelled[1]}});
        }
    }

    static constexpr uint32_t Paired = UINT32_MAX;
    std::vector<uint32_t> kindClash; // side-1 entries of the folder being matched, ascending
    const SideTree* tree[2];
    const Settings& settings;
    const MatchOptions& options;
    std::vector<Emitted> out;
};

QChar leftOutAction(bool onlyToTarget, bool onlyToSource) {
    if (onlyToSource)
        return u'>';
    if (onlyToTarget)
        return u'<';
    return QChar();
}

} // namespace

void DropLeftOutDirection(ResultRows& list, bool onlyToTarget, bool onlyToSource) {
    const QChar hidden = leftOutAction(onlyToTarget, onlyToSource);
    if (!hidden.isNull())
        list.rows.removeIf([hidden](const ResultRow& row) { return row.action == hidden; });
    list.current = int(list.rows.size()) - 1;
}

int CompareTimes(int32_t a, int32_t b, const Settings& settings) {
    // Wide arithmetic: the difference of two 32-bit times (-1 marks an unknown one) can overflow.
    const int64_t d = int64_t(a) - int64_t(b);
    const int64_t m = std::llabs(d);
    const int64_t t = settings.TimeTolerance;
    if (m > t && std::llabs(settings.TimeSummerDiff - m) > t && std::llabs(settings.TimeSummerDiff2 - m) > t)
        return d > 0 ? 1 : -1;
    return 0;
}

MatchOptions MatchOptionsOf(const ScanState& scan) {
    MatchOptions options;
    options.IgnoreDateFlag = scan.IgnoreDateFlag;
    options.OnlyToTargetFlag = scan.OnlyToTargetFlag;
    options.OnlyToSourceFlag = scan.OnlyToSourceFlag;
    options.pathPrefix[0] = scan.SourceRoot.endsWith(u'/') ? QString() : QStringLiteral("/");
    options.pathPrefix[1] = scan.TargetRoot.endsWith(u'/') ? QString() : QStringLiteral("/");
    return options;
}

ResultRows MatchRows(const SideTree& side1, const SideTree& side2, const Settings& settings,
                     const MatchOptions& options) {
    std::vector<Emitted> emitted = Matcher(side1, side2, settings, options).run();

    const QChar hidden = leftOutAction(options.OnlyToTargetFlag, options.OnlyToSourceFlag);
    if (!hidden.isNull())
        emitted.erase(std::remove_if(emitted.begin(), emitted.end(),
                                     [&](const Emitted& e) { return e.row.action == hidden; }),
                      emitted.end());

    StableSortInHalves(emitted, [](const Emitted& a, const Emitted& b) {
        const int c = ComparePaths(a.row.path, b.row.path);
        if (c != 0)
            return c < 0;
        // Paths that differ only in the case of A to Z: by their code units, so the list does
        // not depend on the order in which a file system lists its names.
        if (a.row.path != b.row.path)
            return a.row.path < b.row.path;
        return a.origin != b.origin ? a.origin < b.origin : a.order < b.order;
    });
    ResultRows list;
    list.rows.reserve(emitted.size());
    for (Emitted& e : emitted)
        list.rows.push_back(std::move(e.row));
    list.current = int(list.rows.size()) - 1;
    return list;
}
