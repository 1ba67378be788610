#include "tandrix/InfoText.h"

#include <QByteArray>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <zlib.h>

namespace {

QByteArray sourceInfoText() {
    // The text the program was built from, in the source tree's resources/.
    const QString path = QStringLiteral(TANDRIX_SOURCE_DIR "/resources/info.txt");
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

// The version written in the project() call of the top-level CMakeLists.txt.
QString projectVersion() {
    QFile f(QStringLiteral(TANDRIX_SOURCE_DIR "/CMakeLists.txt"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QRegularExpression call(QStringLiteral(R"(project\(\s*Tandrix\s+VERSION\s+([0-9.]+)[\s)])"));
    return call.match(QString::fromUtf8(f.readAll())).captured(1);
}

QByteArray zlibStream(const QByteArray& plain) {
    uLongf size = compressBound(uLong(plain.size()));
    QByteArray out(qsizetype(size), '\0');
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                  reinterpret_cast<const Bytef*>(plain.constData()), uLong(plain.size()),
                  Z_BEST_COMPRESSION) != Z_OK)
        return {};
    out.resize(qsizetype(size));
    return out;
}

InfoStream view(const QByteArray& bytes) {
    return {reinterpret_cast<const unsigned char*>(bytes.constData()), std::size_t(bytes.size())};
}

} // namespace

TEST(InfoTitle, FormatsTheStampAsTwoDigitDateHyphenHourMinute) {
    EXPECT_EQ(FormatBuildStamp(1511735963), QStringLiteral("171126-2239"));
    EXPECT_EQ(InfoTitle(1511735963, QString()), QStringLiteral(" Tandrix  171126-2239"));
}

TEST(InfoTitle, TheVersionStandsBetweenTheNameAndTheStamp) {
    const struct {
        const char* version;
        const char* title;
    } cases[] = {
        {"1.0", " Tandrix 1.0  171126-2239"},
        {"2.13.4", " Tandrix 2.13.4  171126-2239"},
        {"", " Tandrix  171126-2239"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(InfoTitle(1511735963, QString::fromLatin1(c.version)), QString::fromLatin1(c.title))
            << c.version;
}

TEST(InfoTitle, TheProgramsVersionIsTheProjectVersion) {
    const QString expected = projectVersion();
    ASSERT_FALSE(expected.isEmpty()) << "no project version in CMakeLists.txt";
    EXPECT_EQ(ProgramVersion(), expected);
}

TEST(InfoTitle, ReadsTheStampWithoutTimeZone) {
    // 2009-01-02 03:04:59 and the first second of 2000: no local offset is applied.
    EXPECT_EQ(FormatBuildStamp(1230865499), QStringLiteral("090102-0304"));
    EXPECT_EQ(FormatBuildStamp(946684800), QStringLiteral("000101-0000"));
}

TEST(InfoText, StoredStreamUnpacksToTheSourceTextByteForByte) {
    const QByteArray expected = sourceInfoText();
    ASSERT_FALSE(expected.isEmpty()) << "resources/info.txt not found beside the tests";
    const InfoStream stored = BuiltInInfoStream();
    ASSERT_GT(stored.size, 2u);
    // A zlib stream: deflate method, header check bits as RFC 1950 requires.
    EXPECT_EQ(stored.data[0] & 0x0F, 8);
    EXPECT_EQ(((stored.data[0] << 8) | stored.data[1]) % 31, 0);

    const UnpackedInfo info = UnpackInfoStream(stored);
    ASSERT_EQ(info.status, UnpackStatus::Ok);
    EXPECT_EQ(info.bytes, expected);
    EXPECT_LE(std::size_t(info.bytes.size()), stored.size * 10);
}

TEST(InfoText, SourceTextHasCrLfLinesAndSingleByteUmlauts) {
    const QByteArray text = sourceInfoText();
    ASSERT_FALSE(text.isEmpty());
    EXPECT_TRUE(text.endsWith("\r\n"));
    EXPECT_EQ(text.count('\n'), text.count("\r\n"));
    EXPECT_EQ(text.count('\r'), text.count("\r\n"));
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x80) {
            EXPECT_TRUE(b == 0xE4 || b == 0xF6 || b == 0xFC || b == 0xDF || b == 0xC4 || b == 0xD6 ||
                        b == 0xDC)
                << "unexpected byte " << int(b);
        }
    }
    EXPECT_TRUE(text.contains("\xE4"));
    EXPECT_TRUE(text.contains("\xF6"));
    EXPECT_TRUE(text.contains("\xFC"));
    EXPECT_FALSE(text.contains("\xC3")) << "looks like UTF-8";
    EXPECT_TRUE(text.startsWith("Tandrix"));
    EXPECT_TRUE(text.contains("Kontakt: Tandrix-Projekt"));
}

TEST(InfoUnpack, TextThatFitsTenTimesTheStreamUnpacks) {
    QByteArray plain;
    for (int i = 0; i < 40; ++i)
        plain += "Zeile " + QByteArray::number(i * 7919 % 1000) + " mit \xE4\xF6\xFC\r\n";
    const QByteArray stream = zlibStream(plain);
    ASSERT_LE(plain.size(), stream.size() * 10);
    const UnpackedInfo info = UnpackInfoStream(view(stream));
    ASSERT_EQ(info.status, UnpackStatus::Ok);
    EXPECT_EQ(info.bytes, plain);
}

TEST(InfoUnpack, TenTimesTheStreamIsTheExactLimit) {
    // Runs of one byte compress to a nearly constant size: look for a length that fills the
    // buffer exactly, and one byte more.
    bool foundExact = false;
    bool foundOneMore = false;
    for (int length = 1; length < 2000 && !(foundExact && foundOneMore); ++length) {
        const QByteArray plain(length, 'x');
        const QByteArray stream = zlibStream(plain);
        if (plain.size() == stream.size() * 10) {
            foundExact = true;
            const UnpackedInfo info = UnpackInfoStream(view(stream));
            EXPECT_EQ(info.status, UnpackStatus::Ok);
            EXPECT_EQ(info.bytes, plain);
        } else if (plain.size() == stream.size() * 10 + 1) {
            foundOneMore = true;
            EXPECT_EQ(UnpackInfoStream(view(stream)).status, UnpackStatus::Damaged);
        }
    }
    EXPECT_TRUE(foundExact);
    EXPECT_TRUE(foundOneMore);
}

TEST(InfoUnpack, OutputBeyondTenTimesTheStreamIsRefused) {
    const QByteArray plain(100000, 'a');
    const QByteArray stream = zlibStream(plain);
    ASSERT_GT(plain.size(), stream.size() * 10);
    const UnpackedInfo info = UnpackInfoStream(view(stream));
    EXPECT_EQ(info.status, UnpackStatus::Damaged);
    EXPECT_TRUE(info.bytes.isEmpty());
}

TEST(InfoUnpack, DamagedStreamsAreRefused) {
    const QByteArray good = zlibStream(QByteArray("Tandrix hilft beim Abgleich.\r\n").repeated(5));
    ASSERT_EQ(UnpackInfoStream(view(good)).status, UnpackStatus::Ok);

    QByteArray badHeader = good;
    badHeader[1] = char(badHeader[1] ^ 0x01);
    EXPECT_EQ(UnpackInfoStream(view(badHeader)).status, UnpackStatus::Damaged);

    QByteArray badChecksum = good;
    badChecksum[badChecksum.size() - 1] = char(badChecksum[badChecksum.size() - 1] ^ 0xFF);
    EXPECT_EQ(UnpackInfoStream(view(badChecksum)).status, UnpackStatus::Damaged);

    const QByteArray truncated = good.left(good.size() / 2);
    EXPECT_EQ(UnpackInfoStream(view(truncated)).status, UnpackStatus::Damaged);

    const QByteArray garbage("this is not a zlib stream at all");
    EXPECT_EQ(UnpackInfoStream(view(garbage)).status, UnpackStatus::Damaged);
}

TEST(InfoUnpack, NoBytesIsRefused) {
    EXPECT_EQ(UnpackInfoStream(view(zlibStream(QByteArray()))).status, UnpackStatus::Damaged);
    EXPECT_EQ(UnpackInfoStream(InfoStream{}).status, UnpackStatus::Damaged);
}

TEST(Windows1252, DecodesUmlautsAndTheSpecialRange) {
    EXPECT_EQ(DecodeWindows1252("\xE4\xF6\xFC\xDF\xC4\xD6\xDC"), QStringLiteral(u"äöüßÄÖÜ"));
    EXPECT_EQ(DecodeWindows1252("\x80 \x96 \x84\x93 \x9F"), QStringLiteral(u"€ – „“ Ÿ"));
    EXPECT_EQ(DecodeWindows1252("\x81\x8D\x8F\x90\x9D"),
              QString(QStringLiteral(u"\u0081\u008D\u008F\u0090\u009D")));
    EXPECT_EQ(DecodeWindows1252("a\xA0\xFF"), QStringLiteral(u"a\u00A0ÿ"));
}

TEST(Windows1252, ZeroByteEndsTheText) {
    EXPECT_EQ(DecodeWindows1252(QByteArray("Anfang\0Rest", 11)), QStringLiteral("Anfang"));
    EXPECT_EQ(DecodeWindows1252(QByteArray("\0Rest", 5)), QString());
}
