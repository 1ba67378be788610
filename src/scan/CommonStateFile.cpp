#include "scan/CommonStateFile.h"

#include "platform/FileName.h"
#include "platform/FileReplace.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <algorithm>
#include <zlib.h>

namespace {

const QByteArray Mark = QByteArrayLiteral("TDXSTAND");
constexpr uint32_t Version = 1;
constexpr qsizetype HeaderSize = 8 + 4 + 8;
constexpr int PackLevel = Z_BEST_SPEED;
// A state file is a few MB even for very large trees; anything far beyond is not one.
constexpr qint64 LargestFile = qint64(1) << 30;

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

enum FileFlag : uint8_t { OtherSize = 1, OtherDate = 2 };

// The files are kept in columns, so that what is alike lies together and packs well: the folders
// with their numbers of files; the names, each as the part it shares with the name before and the
// rest; the sizes; the dates as steps from the date before; and the rest (flags, side 2 where it
// differs, the time since when).
enum Column { Folders, Names, Sizes, Dates, Rest, ColumnCount };

std::string payloadOf(const CommonState& state) {
    std::string head;
    putBytes(head, EncodeFileName(state.key.host));
    putBytes(head, EncodeFileName(state.key.root1));
    putBytes(head, EncodeFileName(state.key.root2));
    std::string column[ColumnCount];
    putNumber(column[Folders], uint64_t(state.folders.size()));
    int64_t lastDate = 0;
    int64_t lastSince = 0;
    for (auto it = state.folders.cbegin(); it != state.folders.cend(); ++it) {
        const StateFolder& folder = it.value();
        putBytes(column[Folders], it.key());
        putNumber(column[Folders], folder.files.size());
        std::string_view previous;
        for (const StateFolder::File& file : folder.files) {
            const std::string_view name = folder.name(file);
            const size_t shared =
                size_t(std::mismatch(name.begin(), name.end(), previous.begin(), previous.end()).first -
                       name.begin());
            putNumber(column[Names], shared);
            putBytes(column[Names], name.data() + shared, name.size() - shared);
            previous = name;
            const InStepFile& s = file.state;
            putSigned(column[Sizes], s.size[0]);
            putSigned(column[Dates], int64_t(s.date[0]) - lastDate);
            const uint8_t flags =
                (s.size[1] != s.size[0] ? OtherSize : 0) | (s.date[1] != s.date[0] ? OtherDate : 0);
            column[Rest].push_back(char(flags));
            if (flags & OtherSize)
                putSigned(column[Rest], s.size[1]);
            if (flags & OtherDate)
                putSigned(column[Rest], int64_t(s.date[1]) - s.date[0]);
            putSigned(column[Rest], int64_t(s.since) - lastSince);
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
    if (shared > previous.size() || rest.empty() || shared + rest.size() > UINT16_MAX)
        return false;
    if (first)
        return shared == 0;
    return shared == previous.size() || uint8_t(rest[0]) > uint8_t(previous[size_t(shared)]);
}

std::optional<CommonState> parsePayload(std::string_view payload, const StateKey& key) {
    Reader head(payload.data(), payload.size());
    CommonState state;
    state.key.host = DecodeFileName(head.byteArray(4096));
    state.key.root1 = DecodeFileName(head.byteArray(1 << 20));
    state.key.root2 = DecodeFileName(head.byteArray(1 << 20));
    if (!head.ok() || state.key.host != key.host || state.key.root1 != key.root1 ||
        state.key.root2 != key.root2)
        return std::nullopt;
    std::vector<Reader> column;
    uint64_t lengths[ColumnCount];
    for (uint64_t& length : lengths)
        length = head.number();
    for (uint64_t length : lengths) {
        const std::string_view bytes = head.take(length);
        column.emplace_back(bytes.data(), bytes.size());
    }
    if (!head.ok() || !head.atEnd())
        return std::nullopt;

    const uint64_t folders = column[Folders].number();
    int64_t lastDate = 0;
    int64_t lastSince = 0;
    std::string name;
    for (uint64_t f = 0; f < folders && column[Folders].ok(); ++f) {
        const QByteArray path = column[Folders].byteArray(1 << 20);
        const uint64_t files = column[Folders].number();
        if (!column[Folders].ok() || state.folders.contains(path))
            return std::nullopt;
        StateFolder& folder = state.folders[path];
        // Every name takes two bytes at least; a damaged count must not reserve more.
        folder.files.reserve(size_t(std::min<uint64_t>(files, column[Names].left() / 2)));
        for (uint64_t n = 0; n < files; ++n) {
            const uint64_t shared = column[Names].number();
            const std::string_view rest = column[Names].bytes(UINT16_MAX);
            if (!column[Names].ok() || !followsName(name, shared, rest, n == 0))
                return std::nullopt;
            name.resize(size_t(shared));
            name.append(rest);
            InStepFile s;
            s.size[0] = s.size[1] = column[Sizes].signedNumber();
            s.date[0] = s.date[1] = column[Dates].timeAfter(lastDate);
            Reader& more = column[Rest];
            const uint8_t flags = more.byte();
            if (flags & ~(OtherSize | OtherDate))
                return std::nullopt;
            if (flags & OtherSize)
                s.size[1] = more.signedNumber();
            if (flags & OtherDate)
                s.date[1] = more.timeAfter(s.date[0]);
            s.since = more.timeAfter(lastSince);
            if (!column[Sizes].ok() || !column[Dates].ok() || !more.ok())
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

// The packed bytes unpacked, when they are one whole zlib stream of exactly `length` bytes. Read
// in steps, so a damaged length cannot make it ask for more memory than the data really holds.
std::optional<QByteArray> unpack(const char* data, size_t size, uint64_t length) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        return std::nullopt;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
    z.avail_in = uInt(std::min<size_t>(size, UINT_MAX));
    QByteArray out;
    out.reserve(qsizetype(std::min<uint64_t>(length, uint64_t(1) << 24)));
    int result = Z_OK;
    while (result == Z_OK && uint64_t(out.size()) <= length) {
        const qsizetype at = out.size();
        const qsizetype step = qsizetype(std::min<uint64_t>(length - uint64_t(at) + 1, uint64_t(1) << 20));
        out.resize(at + step);
        z.next_out = reinterpret_cast<Bytef*>(out.data() + at);
        z.avail_out = uInt(step);
        result = inflate(&z, Z_NO_FLUSH);
        out.resize(out.size() - qsizetype(z.avail_out));
    }
    const bool whole =
        result == Z_STREAM_END && z.avail_in == 0 && size <= UINT_MAX && uint64_t(out.size()) == length;
    inflateEnd(&z);
    if (!whole)
        return std::nullopt;
    return out;
}

} // namespace

QString CommonStateFileName(const StateKey& key) {
    QByteArray identity = EncodeFileName(key.host);
    identity += '\0' + EncodeFileName(key.root1) + '\0' + EncodeFileName(key.root2);
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
    if (bytes.size() < HeaderSize || !bytes.startsWith(Mark) || getFixed(bytes.constData() + 8, 4) != Version)
        return std::nullopt;
    const std::optional<QByteArray> payload =
        unpack(bytes.constData() + HeaderSize, size_t(bytes.size() - HeaderSize),
               getFixed(bytes.constData() + 12, 8));
    if (!payload)
        return std::nullopt;
    return parsePayload({payload->constData(), size_t(payload->size())}, key);
}

CommonState LoadCommonState(const QString& folder, const StateKey& key) {
    QFile file(folder + u'/' + CommonStateFileName(key));
    if (file.open(QIODevice::ReadOnly) && file.size() <= LargestFile)
        if (std::optional<CommonState> state = ParseCommonState(file.readAll(), key))
            return std::move(*state);
    CommonState empty;
    empty.key = key;
    return empty;
}

bool SaveCommonState(const QString& folder, const CommonState& state) {
    const QByteArray bytes = SerializeCommonState(state);
    if (bytes.isEmpty() || !QDir().mkpath(folder))
        return false;
    return ReplaceFileContents(folder + u'/' + CommonStateFileName(state.key), bytes);
}
