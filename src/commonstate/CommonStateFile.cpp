#include "commonstate/CommonStateFile.h"

#include "platform/ErrorText.h"
#include "platform/FileName.h"
#include "platform/FileReplace.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryFile>
#include <algorithm>
#include <cerrno>
#include <zlib.h>

namespace {

const QByteArray Mark = QByteArrayLiteral("TDXSTAND");
// Version 1 kept the files in step; version 2 adds the folders on both sides, the files only seen
// on both and the inodes; version 3 the machine id and what each root lay on, the birth times and
// the offset from UTC of the dates. All are read, version 3 is written.
constexpr uint32_t Version = 3;
constexpr qsizetype HeaderSize = 8 + 4 + 8;
constexpr int PackLevel = Z_BEST_SPEED;

// A state file may come from anyone who held the stick, so reading one costs memory and time in
// proportion to its size and to the files it can honestly describe; whatever goes beyond these
// limits is no state.
// A file keeps some 10 to 25 bytes unpacked, so this is room for more than ten million files.
constexpr uint64_t LargestPayload = uint64_t(1) << 28;
// Real trees pack three to seven times; only files alike in all but a counter in their names,
// with equal sizes and dates, pack up to some 140 times. zlib's own limit (about 1000 times)
// would let a small file unpack to hundreds of MB of nothing.
constexpr uint64_t MostUnpackedPerPacked = 256;
constexpr uint64_t UnpackedAlways = 4096;
// A file packs to no more than this, as zlib adds at most about a 3000th to what it cannot pack.
constexpr qint64 LargestFile = HeaderSize + qint64(LargestPayload + LargestPayload / 1024 + 4096);
// A name is at most 255 bytes on most file systems and 255 UTF-16 units on exFAT and NTFS, so
// up to 765 bytes of UTF-8; folder paths and roots are far shorter than this in practice.
constexpr uint64_t LongestName = 1024;
constexpr uint64_t LongestPath = uint64_t(1) << 16;
// What the read state may take in memory for each unpacked byte: a name may share all but its
// last byte with the name before, so a few bytes can stand for a long name. Real trees take four
// to ten times their unpacked bytes, 200-byte names that differ only at their end some 30 times.
constexpr uint64_t MemoryPerPayloadByte = 64;
constexpr uint64_t MostMemory = uint64_t(4) << 30;
// A folder's entry in the table (its key, its record and its slot) beside the bytes of its path.
constexpr uint64_t FolderCost = 128;
constexpr uint64_t FileCost = sizeof(StateFolder::File);

void putFixed(QByteArray& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.append(char(uint8_t(value >> (8 * i))));
}

uint64_t getFixed(const char* p, int bytes) {
    uint64_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= uint64_t(uint8_t(p[i])) << (8 * i);
    return value;
}

void putNumber(std::string& out, uint64_t value) {
    while (value >= 0x80) {
        out.push_back(char(uint8_t(value) | 0x80));
        value >>= 7;
    }
    out.push_back(char(uint8_t(value)));
}

// Signed values as small unsigned ones: 0, -1, 1, -2 … become 0, 1, 2, 3 …
void putSigned(std::string& out, int64_t value) {
    putNumber(out, (uint64_t(value) << 1) ^ uint64_t(value >> 63));
}

void putBytes(std::string& out, const char* data, size_t length) {
    putNumber(out, length);
    out.append(data, length);
}

void putBytes(std::string& out, const QByteArray& bytes) {
    putBytes(out, bytes.constData(), size_t(bytes.size()));
}

// Reads what the writer above wrote; any read past the end or out of range makes it fail for good.
class Reader {
public:
    Reader(const char* data, size_t length) : p(data), end(data + length) {}

    bool ok() const { return good; }
    bool atEnd() const { return p == end; }
    size_t left() const { return size_t(end - p); }

    uint64_t number() {
        uint64_t value = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            if (p == end)
                return fail();
            const uint8_t byte = uint8_t(*p++);
            value |= uint64_t(byte & 0x7F) << shift;
            if (!(byte & 0x80))
                return value;
        }
        return fail();
    }
    int64_t signedNumber() {
        const uint64_t value = number();
        return int64_t(value >> 1) ^ -int64_t(value & 1);
    }
    // A 32-bit time kept as a step from `base`.
    int32_t timeAfter(int64_t base) {
        const int64_t step = signedNumber();
        int64_t value = 0;
        if (__builtin_add_overflow(base, step, &value) || value < INT32_MIN || value > INT32_MAX)
            return int32_t(fail());
        return int32_t(value);
    }
    uint8_t byte() {
        if (p == end)
            return uint8_t(fail());
        return uint8_t(*p++);
    }
    // Bytes written with their length, at most `limit` of them.
    std::string_view bytes(uint64_t limit) {
        const uint64_t length = number();
        if (length > limit) {
            fail();
            return {};
        }
        return take(length);
    }
    std::string_view take(uint64_t length) {
        if (!good || length > uint64_t(end - p)) {
            fail();
            return {};
        }
        const std::string_view view(p, size_t(length));
        p += length;
        return view;
    }
    QByteArray byteArray(uint64_t limit) {
        const std::string_view view = bytes(limit);
        return QByteArray(view.data(), qsizetype(view.size()));
    }

private:
    uint64_t fail() {
        good = false;
        p = end;
        return 0;
    }
    const char* p;
    const char* end;
    bool good = true;
};

enum FileFlag : uint8_t {
    OtherSize = 1,
    OtherDate = 2,
    OnlySeen = 4,
    Inode1 = 8,
    Inode2 = 16,
    Birth1 = 32,
    Birth2 = 64,
    HasOffset = 128
};
constexpr uint8_t FlagsOf[] = {0, OtherSize | OtherDate, OtherSize | OtherDate | OnlySeen | Inode1 | Inode2,
                               0xFF};
enum FolderFlag : uint8_t { Recorded = 1 };

// The files are kept in columns, so that what is alike lies together and packs well: the folders
// with their numbers of files (and, from version 2 on, whether they were on both sides and since
// when); the names, each as the part it shares with the name before and the rest; the sizes; the
// dates as steps from the date before; the rest (flags, side 2 where it differs, the time since
// when, from version 3 on the offset from UTC); from version 2 on the inodes, each as a step from
// the one before on its side; and from version 3 on the birth times, the same way.
enum Column { Folders, Names, Sizes, Dates, Rest, Inodes, Births, ColumnCount };
constexpr int ColumnsOf[] = {0, Inodes, Births, ColumnCount};

std::string payloadOf(const CommonState& state) {
    std::string head;
    putBytes(head, EncodeFileName(state.key.host));
    putBytes(head, EncodeFileName(state.key.root1));
    putBytes(head, EncodeFileName(state.key.root2));
    putBytes(head, EncodeFileName(state.key.machine));
    for (const FileSystemIdentity& identity : state.identity) {
        putBytes(head, EncodeFileName(identity.fileSystem));
        putBytes(head, EncodeFileName(identity.mountPoint));
        putNumber(head, identity.rootInode);
    }
    std::string column[ColumnCount];
    // What the reader would refuse is left out, so that one such name does not lose the whole state:
    // a name or a path too long, and a folder that would be left neither recorded nor holding files.
    const auto filesKept = [](const StateFolder& folder) {
        return uint64_t(
            std::count_if(folder.files.begin(), folder.files.end(),
                          [](const StateFolder::File& file) { return file.nameLength <= LongestName; }));
    };
    const auto keeps = [&filesKept](const auto& folder) {
        return uint64_t(folder.first.size()) <= LongestPath &&
               (folder.second.recorded || filesKept(folder.second));
    };
    putNumber(column[Folders],
              uint64_t(std::count_if(state.folders.keyValueBegin(), state.folders.keyValueEnd(), keeps)));
    int64_t lastDate = 0;
    int64_t lastSince = 0;
    int64_t lastFolderSince = 0;
    uint64_t lastInode[2] = {0, 0};
    uint64_t lastBirth[2] = {0, 0};
    for (auto it = state.folders.keyValueBegin(); it != state.folders.keyValueEnd(); ++it) {
        const StateFolder& folder = it->second;
        if (!keeps(*it))
            continue;
        putBytes(column[Folders], it->first);
        putNumber(column[Folders], filesKept(folder));
        column[Folders].push_back(char(folder.recorded ? Recorded : 0));
        if (folder.recorded) {
            putSigned(column[Folders], int64_t(folder.since) - lastFolderSince);
            lastFolderSince = folder.since;
        }
        std::string_view previous;
        for (const StateFolder::File& file : folder.files) {
            if (file.nameLength > LongestName)
                continue;
            const std::string_view name = folder.name(file);
            const size_t shared =
                size_t(std::mismatch(name.begin(), name.end(), previous.begin(), previous.end()).first -
                       name.begin());
            putNumber(column[Names], shared);
            putBytes(column[Names], name.data() + shared, name.size() - shared);
            previous = name;
            const RememberedFile& s = file.state;
            putSigned(column[Sizes], s.size[0]);
            putSigned(column[Dates], int64_t(s.date[0]) - lastDate);
            const uint8_t flags = (s.size[1] != s.size[0] ? OtherSize : 0) |
                                  (s.date[1] != s.date[0] ? OtherDate : 0) | (s.inStep ? 0 : OnlySeen) |
                                  (s.inode[0] ? Inode1 : 0) | (s.inode[1] ? Inode2 : 0) |
                                  (s.birth[0] ? Birth1 : 0) | (s.birth[1] ? Birth2 : 0) |
                                  (s.utcOffset != RememberedFile::UnknownOffset ? HasOffset : 0);
            column[Rest].push_back(char(flags));
            if (flags & OtherSize)
                putSigned(column[Rest], s.size[1]);
            if (flags & OtherDate)
                putSigned(column[Rest], int64_t(s.date[1]) - s.date[0]);
            putSigned(column[Rest], int64_t(s.since) - lastSince);
            if (flags & HasOffset)
                putSigned(column[Rest], s.utcOffset);
            for (int side = 0; side < 2; ++side) {
                if (s.inode[side]) {
                    putSigned(column[Inodes], int64_t(s.inode[side] - lastInode[side]));
                    lastInode[side] = s.inode[side];
                }
                if (s.birth[side]) {
                    putSigned(column[Births], int64_t(s.birth[side] - lastBirth[side]));
                    lastBirth[side] = s.birth[side];
                }
            }
            lastDate = s.date[0];
            lastSince = s.since;
        }
    }
    for (const std::string& c : column)
        putNumber(head, c.size());
    for (const std::string& c : column)
        head += c;
    return head;
}

// Whether a name written as `shared` bytes of the name before and `rest` comes after it: names
// of a folder are strictly ascending, or the lookups would miss.
bool followsName(const std::string& previous, uint64_t shared, std::string_view rest, bool first) {
    if (shared > previous.size() || rest.empty() || shared + rest.size() > LongestName)
        return false;
    if (first)
        return shared == 0;
    return shared == previous.size() || uint8_t(rest[0]) > uint8_t(previous[size_t(shared)]);
}

// Whether `count` records of at least `each` bytes can still be read from `column`.
bool holds(const Reader& column, uint64_t count, size_t each) {
    return count <= column.left() / each;
}

std::optional<CommonState> parsePayload(std::string_view payload, const StateKey& key, uint32_t version) {
    const int columns = ColumnsOf[version];
    Reader head(payload.data(), payload.size());
    CommonState state;
    state.key.host = DecodeFileName(head.byteArray(4096));
    state.key.root1 = DecodeFileName(head.byteArray(LongestPath));
    state.key.root2 = DecodeFileName(head.byteArray(LongestPath));
    if (version >= 3) {
        state.key.machine = DecodeFileName(head.byteArray(4096));
        for (FileSystemIdentity& identity : state.identity) {
            identity.fileSystem = DecodeFileName(head.byteArray(4096));
            identity.mountPoint = DecodeFileName(head.byteArray(LongestPath));
            identity.rootInode = head.number();
        }
    } else {
        // Kept before machine ids were: found under the host name's key only.
        state.key.machine = key.machine;
    }
    if (!head.ok() || state.key.host != key.host || state.key.root1 != key.root1 ||
        state.key.root2 != key.root2 || state.key.machine != key.machine)
        return std::nullopt;
    std::vector<Reader> column;
    uint64_t lengths[ColumnCount] = {};
    for (int c = 0; c < columns; ++c)
        lengths[c] = head.number();
    for (int c = 0; c < ColumnCount; ++c) {
        const std::string_view bytes = head.take(lengths[c]);
        column.emplace_back(bytes.data(), bytes.size());
    }
    if (!head.ok() || !head.atEnd())
        return std::nullopt;

    // Counts are checked against the bytes their records take at least (a path, a count and from
    // version 2 on flags, a name's shared part, length and one byte, a size, a date, flags and a
    // time), so that a damaged count cannot reserve memory nor make the loops run on.
    const uint64_t folders = column[Folders].number();
    if (!holds(column[Folders], folders, version < 2 ? 2 : 3))
        return std::nullopt;
    uint64_t memoryLeft = std::min(MemoryPerPayloadByte * payload.size(), MostMemory);
    const auto spend = [&memoryLeft](uint64_t cost) {
        if (cost > memoryLeft)
            return false;
        memoryLeft -= cost;
        return true;
    };
    int64_t lastDate = 0;
    int64_t lastSince = 0;
    int64_t lastFolderSince = 0;
    uint64_t lastInode[2] = {0, 0};
    uint64_t lastBirth[2] = {0, 0};
    std::string name;
    for (uint64_t f = 0; f < folders; ++f) {
        const QByteArray path = column[Folders].byteArray(LongestPath);
        const uint64_t files = column[Folders].number();
        const uint8_t folderFlags = version < 2 ? 0 : column[Folders].byte();
        const int32_t folderSince = folderFlags & Recorded ? column[Folders].timeAfter(lastFolderSince) : 0;
        if (!column[Folders].ok() || (folderFlags & ~Recorded) ||
            !spend(FolderCost + uint64_t(path.size())) || !holds(column[Names], files, 3) ||
            !holds(column[Sizes], files, 1) || !holds(column[Dates], files, 1) ||
            !holds(column[Rest], files, 2) || !spend(FileCost * files) || state.folders.contains(path))
            return std::nullopt;
        StateFolder& folder = state.folders[path];
        folder.recorded = folderFlags & Recorded;
        folder.since = folderSince;
        if (folder.recorded)
            lastFolderSince = folderSince;
        // A folder record is kept only for a folder on both sides or one holding files.
        if (!folder.recorded && files == 0)
            return std::nullopt;
        folder.files.reserve(size_t(files));
        for (uint64_t n = 0; n < files; ++n) {
            const uint64_t shared = column[Names].number();
            const std::string_view rest = column[Names].bytes(LongestName);
            if (!column[Names].ok() || !followsName(name, shared, rest, n == 0) ||
                !spend(shared + rest.size()) || folder.names.size() + shared + rest.size() > UINT32_MAX)
                return std::nullopt;
            name.resize(size_t(shared));
            name.append(rest);
            RememberedFile s;
            s.size[0] = s.size[1] = column[Sizes].signedNumber();
            s.date[0] = s.date[1] = column[Dates].timeAfter(lastDate);
            Reader& more = column[Rest];
            const uint8_t flags = more.byte();
            if (flags & ~FlagsOf[version])
                return std::nullopt;
            s.inStep = !(flags & OnlySeen);
            if (flags & OtherSize)
                s.size[1] = more.signedNumber();
            if (flags & OtherDate)
                s.date[1] = more.timeAfter(s.date[0]);
            s.since = more.timeAfter(lastSince);
            if (flags & HasOffset) {
                const int64_t offset = more.signedNumber();
                // Offsets from UTC lie within a day either way.
                if (offset <= -86400 || offset >= 86400)
                    return std::nullopt;
                s.utcOffset = int32_t(offset);
            }
            for (int side = 0; side < 2; ++side) {
                if (flags & (Inode1 << side)) {
                    s.inode[side] = lastInode[side] + uint64_t(column[Inodes].signedNumber());
                    lastInode[side] = s.inode[side];
                    if (s.inode[side] == 0)
                        return std::nullopt;
                }
                if (flags & (Birth1 << side)) {
                    s.birth[side] = lastBirth[side] + uint64_t(column[Births].signedNumber());
                    lastBirth[side] = s.birth[side];
                    if (s.birth[side] == 0)
                        return std::nullopt;
                }
            }
            if (!column[Sizes].ok() || !column[Dates].ok() || !more.ok() || !column[Inodes].ok() ||
                !column[Births].ok())
                return std::nullopt;
            lastDate = s.date[0];
            lastSince = s.since;
            folder.add(name, s);
        }
    }
    for (const Reader& c : column)
        if (!c.ok() || !c.atEnd())
            return std::nullopt;
    return state;
}

// The packed bytes unpacked, when they are one whole zlib stream of exactly `length` bytes and
// that length is one the packed bytes can honestly hold.
std::optional<QByteArray> unpack(std::string_view packed, uint64_t length) {
    if (packed.size() > UINT_MAX || length > LargestPayload ||
        length > MostUnpackedPerPacked * packed.size() + UnpackedAlways)
        return std::nullopt;
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        return std::nullopt;
    // One byte more than told, to see a stream that goes on; pages not written to stay unused.
    QByteArray out(qsizetype(length) + 1, Qt::Uninitialized);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    z.avail_in = uInt(packed.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = uInt(out.size());
    const bool whole = inflate(&z, Z_FINISH) == Z_STREAM_END && z.avail_in == 0 && z.avail_out == 1;
    inflateEnd(&z);
    if (!whole)
        return std::nullopt;
    out.chop(1);
    return out;
}

} // namespace

QString CommonStateFileName(const StateKey& key) {
    QByteArray identity = EncodeFileName(key.host);
    identity += '\0' + EncodeFileName(key.root1) + '\0' + EncodeFileName(key.root2);
    // Without a machine id the name is the one of the host name alone, as files were named before.
    if (!key.machine.isEmpty())
        identity += '\0' + EncodeFileName(key.machine);
    const QByteArray hash = QCryptographicHash::hash(identity, QCryptographicHash::Sha256).toHex().left(16);
    return QStringLiteral("Tandrix-Stand-") + QString::fromLatin1(hash) + QStringLiteral(".dat");
}

QByteArray SerializeCommonState(const CommonState& state) {
    const std::string payload = payloadOf(state);
    uLongf packedLength = compressBound(uLong(payload.size()));
    QByteArray out = Mark;
    putFixed(out, Version, 4);
    putFixed(out, uint64_t(payload.size()), 8);
    out.resize(HeaderSize + qsizetype(packedLength));
    if (compress2(reinterpret_cast<Bytef*>(out.data() + HeaderSize), &packedLength,
                  reinterpret_cast<const Bytef*>(payload.data()), uLong(payload.size()), PackLevel) != Z_OK)
        return QByteArray();
    out.resize(HeaderSize + qsizetype(packedLength));
    return out;
}

std::optional<CommonState> ParseCommonState(const QByteArray& bytes, const StateKey& key) {
    if (bytes.size() < HeaderSize || !bytes.startsWith(Mark))
        return std::nullopt;
    const uint32_t version = uint32_t(getFixed(bytes.constData() + 8, 4));
    if (version < 1 || version > Version)
        return std::nullopt;
    const std::optional<QByteArray> payload =
        unpack({bytes.constData() + HeaderSize, size_t(bytes.size() - HeaderSize)},
               getFixed(bytes.constData() + 12, 8));
    if (!payload)
        return std::nullopt;
    return parsePayload({payload->constData(), size_t(payload->size())}, key, version);
}

CommonState LoadCommonState(const QString& folder, const StateKey& key) {
    QFile file(folder + u'/' + CommonStateFileName(key));
    if (file.open(QIODevice::ReadOnly) && file.size() <= LargestFile)
        if (std::optional<CommonState> state = ParseCommonState(file.readAll(), key))
            return std::move(*state);
    // A state kept before machine ids were is found once under the host name's key; the scan
    // decides whether it is this installation's.
    if (!key.machine.isEmpty() && !file.exists()) {
        StateKey old = key;
        old.machine.clear();
        QFile oldFile(folder + u'/' + CommonStateFileName(old));
        if (oldFile.open(QIODevice::ReadOnly) && oldFile.size() <= LargestFile)
            if (std::optional<CommonState> state = ParseCommonState(oldFile.readAll(), old)) {
                state->key = key;
                state->oldKey = true;
                return std::move(*state);
            }
    }
    CommonState empty;
    empty.key = key;
    return empty;
}

bool SaveCommonState(const QString& folder, const CommonState& state, QString* reason) {
    const QByteArray bytes = SerializeCommonState(state);
    errno = 0;
    const bool saved = !bytes.isEmpty() && QDir().mkpath(folder) &&
                       ReplaceFileContents(folder + u'/' + CommonStateFileName(state.key), bytes);
    if (!saved && reason)
        *reason = ErrorText(errno);
    return saved;
}

bool CanSaveCommonState(const QString& folder, const StateKey& key, QString* reason) {
    errno = 0;
    QTemporaryFile probe(folder + QStringLiteral("/Tandrix-Stand-XXXXXX.tmp"));
    if (QDir().mkpath(folder) && probe.open())
        return true;
    // A folder that takes no new file still lets the state's own file be written in place.
    const int error = errno;
    QFile file(folder + u'/' + CommonStateFileName(key));
    if (file.open(QIODevice::ReadWrite | QIODevice::Append))
        return true;
    errno = error;
    if (reason)
        *reason = ErrorText(errno);
    return false;
}
