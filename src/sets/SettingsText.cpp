#include "sets/SettingsText.h"

#include "platform/FileName.h"

#include <QString>
#include <QStringDecoder>

namespace {

bool isControl(char16_t c) {
    return (c < 0x20 && c != u'\t' && c != u'\r' && c != u'\n') || c == 0x7F;
}

bool hasControl(QStringView text) {
    for (const QChar c : text) {
        if (isControl(c.unicode()))
            return true;
    }
    return false;
}

bool hasNonAscii(const QByteArray& bytes) {
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    }
    return false;
}

struct Decoded {
    QString text;
    bool broken = false; // bytes that are no valid sequence of the encoding
};

Decoded decode(QStringConverter::Encoding from, const QByteArray& bytes) {
    QStringDecoder decoder(from, QStringConverter::Flag::Stateless);
    Decoded d{decoder(bytes)};
    d.broken = decoder.hasError() || !QStringView(d.text).isValidUtf16() ||
               (from != QStringConverter::Utf8 && bytes.size() % 2 != 0);
    return d;
}

SettingsText utf16(QStringConverter::Encoding from, const QByteArray& bytes, SettingsEncoding as) {
    const Decoded d = decode(from, bytes);
    return {d.text.toUtf8(), as, d.broken || hasControl(d.text)};
}

} // namespace

SettingsText DecodeSettingsBytes(const QByteArray& raw) {
    if (raw.startsWith("\xEF\xBB\xBF")) {
        // Kept byte for byte. Bytes that are not valid UTF-8 here are those of a folder's name as
        // the program writes it (names on this system are bytes), not a sign of a foreign file.
        const QByteArray bytes = raw.mid(3);
        return {bytes, SettingsEncoding::Utf8WithBom, hasControl(DecodeFileName(bytes))};
    }
    if (raw.startsWith("\xFF\xFE"))
        return utf16(QStringConverter::Utf16LE, raw.mid(2), SettingsEncoding::Utf16LE);
    if (raw.startsWith("\xFE\xFF"))
        return utf16(QStringConverter::Utf16BE, raw.mid(2), SettingsEncoding::Utf16BE);
    if (hasNonAscii(raw)) {
        const Decoded d = decode(QStringConverter::Utf8, raw);
        if (!d.broken)
            return {raw, SettingsEncoding::Utf8, hasControl(d.text)};
    }
    const QString latin1 = QString::fromLatin1(raw);
    return {latin1.toUtf8(), SettingsEncoding::Latin1, hasControl(latin1)};
}
