#include "tandrix/InfoText.h"

#include <QDateTime>
#include <QTimeZone>
#include <cstdlib>
#include <limits>
#include <memory>
#include <zlib.h>

namespace {

struct FreeDeleter {
    void operator()(unsigned char* p) const { std::free(p); }
};

// zlib counts in uInt; a larger stream cannot come from our packer and is treated as damaged.
constexpr std::size_t MaxStream = std::numeric_limits<uInt>::max() / 10;

} // namespace

UnpackedInfo UnpackInfoStream(InfoStream stream) {
    UnpackedInfo result;
    if (!stream.data || stream.size == 0 || stream.size > MaxStream)
        return result;
    const std::size_t capacity = stream.size * 10;
    std::unique_ptr<unsigned char, FreeDeleter> buffer(static_cast<unsigned char*>(std::malloc(capacity)));
    if (!buffer) {
        result.status = UnpackStatus::NoMemory;
        return result;
    }

    z_stream z{};
    if (inflateInit(&z) != Z_OK) {
        result.status = UnpackStatus::NoMemory;
        return result;
    }
    z.next_in = const_cast<Bytef*>(stream.data);
    z.avail_in = uInt(stream.size);
    z.next_out = buffer.get();
    z.avail_out = uInt(capacity);
    // One call with all input and the whole buffer: anything but the stream's end means the
    // stream is broken or its output does not fit.
    const int rc = inflate(&z, Z_FINISH);
    const std::size_t produced = capacity - z.avail_out;
    inflateEnd(&z);
    if (rc != Z_STREAM_END || produced == 0)
        return result;

    result.status = UnpackStatus::Ok;
    result.bytes = QByteArray(reinterpret_cast<const char*>(buffer.get()), qsizetype(produced));
    return result;
}

QString DecodeWindows1252(const QByteArray& bytes) {
    // 0x80 to 0x9F differ from Latin-1; the five unassigned codes map to themselves, as
    // Windows' own conversion does.
    static constexpr char16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    };
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b == 0)
            break;
        text.append(QChar(b >= 0x80 && b <= 0x9F ? high[b - 0x80] : char16_t(b)));
    }
    return text;
}

QString FormatBuildStamp(std::int64_t seconds) {
    return QDateTime::fromSecsSinceEpoch(seconds, QTimeZone::utc()).toString(QStringLiteral("yyMMdd-HHmm"));
}

QString ProgramVersion() {
    // Set for this file by the build from the project version, the only place it is written.
    return QStringLiteral(TANDRIX_VERSION);
}

QString InfoTitle(std::int64_t seconds, const QString& version) {
    const QString named =
        version.isEmpty() ? QStringLiteral(" Tandrix ") : QStringLiteral(" Tandrix ") + version + u' ';
    return named + u' ' + FormatBuildStamp(seconds);
}
