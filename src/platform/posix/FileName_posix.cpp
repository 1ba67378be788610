#include "platform/FileName.h"

namespace {

constexpr char16_t RawByteBase = 0xDC00;

bool isContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// Length of the valid UTF-8 sequence at `p` (at most `left` bytes), or 0 when it is not one.
// Overlong forms, surrogates and values above U+10FFFF are not valid.
int sequenceLength(const unsigned char* p, qsizetype left, char32_t& value) {
    const unsigned char c = p[0];
    if (c >= 0xC2 && c <= 0xDF) {
        if (left < 2 || !isContinuation(p[1]))
            return 0;
        value = char32_t(c & 0x1F) << 6 | (p[1] & 0x3F);
        return 2;
    }
    if (c >= 0xE0 && c <= 0xEF) {
        if (left < 3 || !isContinuation(p[1]) || !isContinuation(p[2]))
            return 0;
        value = char32_t(c & 0x0F) << 12 | char32_t(p[1] & 0x3F) << 6 | (p[2] & 0x3F);
        if (value < 0x800 || (value >= 0xD800 && value <= 0xDFFF))
            return 0;
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        if (left < 4 || !isContinuation(p[1]) || !isContinuation(p[2]) || !isContinuation(p[3]))
            return 0;
        value = char32_t(c & 0x07) << 18 | char32_t(p[1] & 0x3F) << 12 | char32_t(p[2] & 0x3F) << 6 |
                (p[3] & 0x3F);
        if (value < 0x10000 || value > 0x10FFFF)
            return 0;
        return 4;
    }
    return 0;
}

bool isRawByteUnit(char16_t u) {
    return u >= RawByteBase + 0x80 && u <= RawByteBase + 0xFF;
}

void appendUtf8(QByteArray& out, char32_t v) {
    if (v < 0x80) {
        out += char(v);
    } else if (v < 0x800) {
        out += char(0xC0 | (v >> 6));
        out += char(0x80 | (v & 0x3F));
    } else if (v < 0x10000) {
        out += char(0xE0 | (v >> 12));
        out += char(0x80 | ((v >> 6) & 0x3F));
        out += char(0x80 | (v & 0x3F));
    } else {
        out += char(0xF0 | (v >> 18));
        out += char(0x80 | ((v >> 12) & 0x3F));
        out += char(0x80 | ((v >> 6) & 0x3F));
        out += char(0x80 | (v & 0x3F));
    }
}

} // namespace

QString DecodeFileName(const char* bytes, qsizetype length) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    qsizetype ascii = 0;
    while (ascii < length && p[ascii] < 0x80)
        ++ascii;
    if (ascii == length)
        return QString::fromLatin1(bytes, length);

    QString out;
    out.reserve(length);
    out.append(QLatin1StringView(bytes, ascii));
    for (qsizetype i = ascii; i < length;) {
        if (p[i] < 0x80) {
            out.append(QChar(char16_t(p[i])));
            ++i;
            continue;
        }
        char32_t value = 0;
        const int n = sequenceLength(p + i, length - i, value);
        if (n == 0) {
            out.append(QChar(char16_t(RawByteBase + p[i])));
            ++i;
            continue;
        }
        if (value >= 0x10000) {
            const char32_t v = value - 0x10000;
            out.append(QChar(char16_t(0xD800 + (v >> 10))));
            out.append(QChar(char16_t(0xDC00 + (v & 0x3FF))));
        } else {
            out.append(QChar(char16_t(value)));
        }
        i += n;
    }
    return out;
}

QString DecodeFileName(const QByteArray& bytes) {
    return DecodeFileName(bytes.constData(), bytes.size());
}

QByteArray EncodeFileName(const QString& name) {
    const char16_t* u = reinterpret_cast<const char16_t*>(name.constData());
    const qsizetype n = name.size();
    QByteArray out;
    out.reserve(n);
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = u[i];
        if (c < 0x80) {
            out += char(c);
        } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && u[i + 1] >= 0xDC00 && u[i + 1] <= 0xDFFF) {
            appendUtf8(out, 0x10000 + (char32_t(c - 0xD800) << 10) + (u[i + 1] - 0xDC00));
            ++i;
        } else if (isRawByteUnit(c)) {
            out += char(c - RawByteBase);
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            // A lone surrogate that no listing produced (typed or pasted): the replacement character.
            appendUtf8(out, 0xFFFD);
        } else {
            appendUtf8(out, c);
        }
    }
    return out;
}

bool HasRawBytes(const QString& name) {
    const char16_t* u = reinterpret_cast<const char16_t*>(name.constData());
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (u[i] >= 0xD800 && u[i] <= 0xDBFF && i + 1 < name.size()) {
            ++i;
            continue;
        }
        if (isRawByteUnit(u[i]))
            return true;
    }
    return false;
}
