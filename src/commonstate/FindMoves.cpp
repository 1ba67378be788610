#include "commonstate/FindMoves.h"

#include "commonstate/ChangedSince.h"
#include "commonstate/StateLookup.h"

#include <QHash>
#include <unordered_map>

namespace {

enum class Role : uint8_t { None, Deleted, New };

// What a row can be in a move: deleted on side `side` (and remembered there as `remembered`), or
// new on side `side`.
struct Candidate {
    Role role = Role::None;
    uint8_t side = 0;
    bool folder = false;
    const RememberedFile* remembered = nullptr;
    int end = 0; // a folder's rows beneath it are the rows up to here
};

int64_t sizeOn(const ResultRow& row, int side) {
    return side == 0 ? row.size1 : row.size2;
}
int32_t dateOn(const ResultRow& row, int side) {
    return side == 0 ? row.date1 : row.date2;
}

// Deciding pairs costs the product of the candidates alike in size; beyond this, no move.
constexpr size_t MostPairsOfASize = size_t(1) << 16;

class Moves {
public:
    Moves(const CommonState& s, const RowList& r, const Settings& st, const MoveProof& p)
        : lookup(s), rows(r), settings(st), proof(p), candidates(size_t(r.size())),
          covered(size_t(r.size()), false) {}

    std::vector<Move> find(const std::vector<bool>& deleting, const std::vector<bool>& selected) {
        for (int i = 0; i < int(rows.size()); ++i)
            classify(i, i < int(deleting.size()) && deleting[size_t(i)],
                     i < int(selected.size()) && selected[size_t(i)]);
        for (int i = 0; i < int(rows.size()); ++i)
            if (candidates[size_t(i)].folder && candidates[size_t(i)].role != Role::None)
                candidates[size_t(i)].end = endBeneath(i);
        findFolderMoves();
        findFileMoves();
        return std::move(moves);
    }

private:
    void classify(int i, bool deleting, bool selected) {
        const ResultRow& row = rows[i];
        Candidate& c = candidates[size_t(i)];
        const bool on[2] = {PresentOn(row, 0), PresentOn(row, 1)};
        if (row.uncertain || row.blocked || (row.sides & (LinkOn1 | LinkOn1 << 1)) || on[0] == on[1])
            return;
        c.folder = row.path.endsWith(u'/');
        if (deleting && (row.sinceSync == DeletedOn1 || row.sinceSync == DeletedOn2)) {
            c.side = row.sinceSync == DeletedOn1 ? 0 : 1;
            if (on[c.side])
                return;
            if (!c.folder) {
                c.remembered = lookup.fileOfRow(row);
                if (!c.remembered || !c.remembered->inStep)
                    return;
            }
            c.role = Role::Deleted;
        } else if (selected && row.sinceSync == NothingKnown) {
            c.side = on[0] ? 0 : 1;
            if (!c.folder && lookup.fileOfRow(row))
                return;
            c.role = Role::New;
        }
    }

    // The end of the rows beneath a folder row: they follow it, spelled with its path before theirs.
    int endBeneath(int i) const {
        int end = i + 1;
        while (end < int(rows.size()) && rows[end].path.startsWith(rows[i].path))
            ++end;
        return end;
    }

    // Whether the new file of row `n` has the size and date remembered of the deleted file of row `d`.
    bool alike(int d, int n) const {
        const Candidate& c = candidates[size_t(d)];
        const ResultRow& row = rows[n];
        const FileNow now{sizeOn(row, c.side), dateOn(row, c.side), proof.utcOffset,
                          bool(row.sides & (ExactTimesOn1 << c.side))};
        return !ChangedOn(c.side, now, *c.remembered, settings);
    }

    // Whether the deleted file of row `d` is certainly the new one of row `n`.
    bool same(int d, int n) const {
        const Candidate& c = candidates[size_t(d)];
        const ResultRow& row = rows[n];
        if ((row.sides & (StableInodesOn1 << c.side)) && c.remembered->inode[c.side] != 0 &&
            row.seen[c.side].inode == c.remembered->inode[c.side] && c.remembered->birth[c.side] != 0 &&
            proof.birthOf && proof.birthOf(row, c.side) == c.remembered->birth[c.side])
            return true;
        return proof.sameContents && proof.sameContents(rows[d], row);
    }

    // Whether everything beneath the deleted folder `d` has its counterpart beneath the new folder
    // `n`, by path, kind, size and date; with `prove`, whether each file is certainly the same.
    bool folderAlike(int d, int n, bool prove) const {
        const int count = candidates[size_t(d)].end - d;
        const int side = candidates[size_t(d)].side;
        if (count != candidates[size_t(n)].end - n || count < 2 || candidates[size_t(n)].side != side)
            return false;
        const qsizetype under[2] = {rows[d].path.size(), rows[n].path.size()};
        bool anyFile = false;
        for (int k = 1; k < count; ++k) {
            const Candidate& cd = candidates[size_t(d + k)];
            const Candidate& cn = candidates[size_t(n + k)];
            if (cd.role != Role::Deleted || cn.role != Role::New || cd.side != side || cn.side != side ||
                cd.folder != cn.folder || covered[size_t(d + k)] || covered[size_t(n + k)] ||
                QStringView(rows[d + k].path).mid(under[0]) != QStringView(rows[n + k].path).mid(under[1]))
                return false;
            if (cd.folder)
                continue;
            anyFile = true;
            if (!alike(d + k, n + k) || (prove && !same(d + k, n + k)))
                return false;
        }
        return anyFile;
    }

    // What folders alike beneath share: the paths, kinds and sizes of what is beneath them.
    size_t shapeOf(int i) const {
        const Candidate& c = candidates[size_t(i)];
        size_t hash = qHash(c.end - i) ^ (size_t(c.side) << 1);
        for (int k = i + 1; k < c.end; ++k) {
            const Candidate& ck = candidates[size_t(k)];
            const int64_t size = ck.role == Role::Deleted && ck.remembered ? ck.remembered->size[ck.side]
                                                                           : sizeOn(rows[k], ck.side);
            hash =
                qHashMulti(hash, QStringView(rows[k].path).mid(rows[i].path.size()), ck.folder ? -1 : size);
        }
        return hash;
    }

    void cover(int from, int end) {
        for (int k = from; k < end; ++k)
            covered[size_t(k)] = true;
    }

    void findFolderMoves() {
        std::vector<std::pair<int, size_t>> deletedFolders;
        std::unordered_map<size_t, std::vector<int>> shapes[2]; // deleted, new
        for (int i = 0; i < int(rows.size()); ++i) {
            const Candidate& c = candidates[size_t(i)];
            if (!c.folder || c.role == Role::None)
                continue;
            const size_t shape = shapeOf(i);
            shapes[c.role == Role::Deleted ? 0 : 1][shape].push_back(i);
            if (c.role == Role::Deleted)
                deletedFolders.push_back({i, shape});
        }
        // In the order of the rows, so outer folders come first: a move of one covers those beneath.
        for (const auto& [d, shape] : deletedFolders) {
            const auto found = shapes[1].find(shape);
            if (covered[size_t(d)] || found == shapes[1].end())
                continue;
            const std::vector<int>& added = found->second;
            const std::vector<int>& deleted = shapes[0][shape];
            if (deleted.size() * added.size() > MostPairsOfASize)
                continue;
            const int n = onlyPartner(d, added, deleted);
            if (n >= 0 && folderAlike(d, n, true)) {
                moves.push_back({d, n, true});
                cover(d, candidates[size_t(d)].end);
                cover(n, candidates[size_t(n)].end);
            }
        }
    }

    // The one folder of `added` alike to `d`, when `d` is the one folder of `deleted` alike to it;
    // -1 otherwise.
    int onlyPartner(int d, const std::vector<int>& added, const std::vector<int>& deleted) const {
        int partner = -1;
        for (int n : added) {
            if (covered[size_t(n)] || !folderAlike(d, n, false))
                continue;
            if (partner >= 0)
                return -1;
            partner = n;
        }
        if (partner < 0)
            return -1;
        for (int other : deleted)
            if (other != d && !covered[size_t(other)] && folderAlike(other, partner, false))
                return -1;
        return partner;
    }

    void findFileMoves() {
        // Keyed by side and size: the deleted files by their remembered size, the new ones by theirs.
        struct Alike {
            std::vector<int> rows[2]; // deleted, new
        };
        QHash<QPair<int, qint64>, Alike> bySize;
        for (int i = 0; i < int(rows.size()); ++i) {
            const Candidate& c = candidates[size_t(i)];
            if (c.folder || c.role == Role::None || covered[size_t(i)])
                continue;
            const bool deleted = c.role == Role::Deleted;
            const int64_t size = deleted ? c.remembered->size[c.side] : sizeOn(rows[i], c.side);
            bySize[{int(c.side), size}].rows[deleted ? 0 : 1].push_back(i);
        }
        for (const Alike& group : std::as_const(bySize)) {
            const std::vector<int>& deleted = group.rows[0];
            const std::vector<int>& added = group.rows[1];
            if (deleted.empty() || added.empty() || deleted.size() * added.size() > MostPairsOfASize)
                continue;
            std::vector<int> partner(deleted.size(), -1), partners(added.size(), 0);
            std::vector<int> count(deleted.size(), 0);
            for (size_t a = 0; a < deleted.size(); ++a)
                for (size_t b = 0; b < added.size(); ++b)
                    if (alike(deleted[a], added[b])) {
                        ++count[a];
                        ++partners[b];
                        partner[a] = int(b);
                    }
            for (size_t a = 0; a < deleted.size(); ++a)
                if (count[a] == 1 && partners[size_t(partner[a])] == 1 &&
                    same(deleted[a], added[size_t(partner[a])]))
                    moves.push_back({deleted[a], added[size_t(partner[a])], false});
        }
    }

    StateLookup lookup;
    const RowList& rows;
    const Settings& settings;
    const MoveProof& proof;
    std::vector<Candidate> candidates;
    std::vector<bool> covered;
    std::vector<Move> moves;
};

} // namespace

std::vector<Move> FindMoves(const CommonState& state, const RowList& rows, const std::vector<bool>& deleting,
                            const std::vector<bool>& selected, const Settings& settings,
                            const MoveProof& proof) {
    return Moves(state, rows, settings, proof).find(deleting, selected);
}
