#include "scan/CommonStateFile.h"

#include "platform/FileName.h"
#include "platform/FileOps.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <algorithm>
#include <zlib.h>

namespace {

const QByteArray Mark = QByteArrayLiteral("TDXSTAND");
constexpr uint32_t Version = 1;
constexpr qsizetype HeaderSize = 8 + 4 + 8;
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

void putNumber(QByteArray& out, uint64_t value) {
    while (value >= 0x80) {
        out.append(char(uint8_t(value) | 0x80));
        value >>= 7;
    }
    out.append(char(uint8_t(value)));
}

// Signed values as small unsigned ones: 0, -1, 1, -2 … become 0, 1, 2, 3 …
void putSigned(QByteArray& out, int64_t value) {
    putNumber(out, (uint64_t(value) << 1) ^ uint64_t(value >> 63));
}

void putBytes(QByteArray& out, const char* data, size_t length) {
    putNumber(out, length);
    out.append(data, qsizetype(length));
}

void putBytes(QByteArray& out, const QByteArray& bytes) {
    putBytes(out, bytes.constData(), size_t(bytes.size()));
}

// Reads what the writer above wrote; any read past the end or out of range makes it fail for good.
class Reader {
public:
    Reader(const char* data, size_t length) : p(data), end(data + length) {}

    bool ok() const { return good; }
    bool atEnd() const { return p == end; }

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
    std::string_view bytes(uint64_t limit) {
        const uint64_t length = number();
        if (!good || length > limit || length > uint64_t(end - p)) {
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

// The files of a folder one after the other: each name as the part it shares with the one before
// and the rest; dates and times as steps from the ones before; side 2 only where it differs.
QByteArray payloadOf(const CommonState& state) {
    QByteArray out;
    putBytes(out, EncodeFileName(state.key.host));
    putBytes(out, EncodeFileName(state.key.root1));
    putBytes(out, EncodeFileName(state.key.root2));
    putNumber(out, uint64_t(state.folders.size()));
    int64_t lastDate = 0;
    int64_t lastSince = 0;
    for (auto it = state.folders.cbegin(); it != state.folders.cend(); ++it) {
        const StateFolder& folder = it.value();
        putBytes(out, it.key());
        putNumber(out, folder.files.size());
        std::string_view previous;
        for (const StateFolder::File& file : folder.files) {
            const std::string_view name = folder.name(file);
            const size_t shared =
                size_t(std::mismatch(name.begin(), name.end(), previous.begin(), previous.end()).first -
                       name.begin());
            putNumber(out, shared);
            putBytes(out, name.data() + shared, name.size() - shared);
            previous = name;
            const InStepFile& s = file.state;
            const uint8_t flags =
                (s.size[1] != s.size[0] ? OtherSize : 0) | (s.date[1] != s.date[0] ? OtherDate : 0);
            out.append(char(flags));
            putSigned(out, s.size[0]);
            putSigned(out, int64_t(s.date[0]) - lastDate);
            if (flags & OtherSize)
                putSigned(out, s.size[1]);
            if (flags & OtherDate)
                putSigned(out, int64_t(s.date[1]) - s.date[0]);
            putSigned(out, int64_t(s.since) - lastSince);
            lastDate = s.date[0];
            lastSince = s.since;
        }
    }
    return out;
}

std::optional<CommonState> parsePayload(Reader& in, const StateKey& key) {
    CommonState state;
    state.key.host = DecodeFileName(in.byteArray(4096));
    state.key.root1 = DecodeFileName(in.byteArray(1 << 20));
    state.key.root2 = DecodeFileName(in.byteArray(1 << 20));
    if (!in.ok() || state.key.host != key.host || state.key.root1 != key.root1 ||
        state.key.root2 != key.root2)
        return std::nullopt;
    const uint64_t folders = in.number();
    int64_t lastDate = 0;
    int64_t lastSince = 0;
    for (uint64_t f = 0; f < folders && in.ok(); ++f) {
        const QByteArray path = in.byteArray(1 << 20);
        const uint64_t files = in.number();
        if (!in.ok() || state.folders.contains(path))
            return std::nullopt;
        StateFolder& folder = state.folders[path];
        std::string previous;
        for (uint64_t n = 0; n < files && in.ok(); ++n) {
            const uint64_t shared = in.number();
            const std::string_view rest = in.bytes(UINT16_MAX);
            if (!in.ok() || shared > previous.size() || shared + rest.size() > UINT16_MAX)
                return std::nullopt;
            std::string name = previous.substr(0, size_t(shared));
            name.append(rest);
            // Names strictly ascending, or the lookups would miss.
            if (name.empty() || (n > 0 && !(previous < name)))
                return std::nullopt;
            InStepFile s;
            const uint8_t flags = in.byte();
            s.size[0] = s.size[1] = in.signedNumber();
            s.date[0] = s.date[1] = in.timeAfter(lastDate);
            if (flags & OtherSize)
                s.size[1] = in.signedNumber();
            if (flags & OtherDate)
                s.date[1] = in.timeAfter(s.date[0]);
            s.since = in.timeAfter(lastSince);
            if (flags & ~(OtherSize | OtherDate))
                return std::nullopt;
            lastDate = s.date[0];
            lastSince = s.since;
            folder.add(name, s);
            previous = std::move(name);
        }
    }
    if (!in.ok() || !in.atEnd())
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
    const QByteArray payload = payloadOf(state);
    uLongf packedLength = compressBound(uLong(payload.size()));
    QByteArray out = Mark;
    putFixed(out, Version, 4);
    putFixed(out, uint64_t(payload.size()), 8);
    out.resize(HeaderSize + qsizetype(packedLength));
    if (compress2(reinterpret_cast<Bytef*>(out.data() + HeaderSize), &packedLength,
                  reinterpret_cast<const Bytef*>(payload.constData()), uLong(payload.size()),
                  Z_BEST_SPEED) != Z_OK)
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
    Reader in(payload->constData(), size_t(payload->size()));
    return parsePayload(in, key);
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
    return WriteFileAtomic(folder + u'/' + CommonStateFileName(state.key), bytes);
}
