#include "text/FoldCase.h"

namespace {

bool allAscii(const char16_t* u, qsizetype n) {
    for (qsizetype i = 0; i < n; ++i)
        if (u[i] >= 0x80)
            return false;
    return true;
}

void appendCodePoint(QString& out, char32_t c) {
    if (QChar::requiresSurrogates(c)) {
        out.append(QChar(QChar::highSurrogate(c)));
        out.append(QChar(QChar::lowSurrogate(c)));
    } else {
        out.append(QChar(char16_t(c)));
    }
}

} // namespace

QString FoldCase(const QString& text) {
    const char16_t* u = reinterpret_cast<const char16_t*>(text.constData());
    const qsizetype n = text.size();
    if (allAscii(u, n)) {
        QString out = text;
        char16_t* w = nullptr;
        for (qsizetype i = 0; i < n; ++i) {
            if (u[i] >= u'A' && u[i] <= u'Z') {
                if (!w)
                    w = reinterpret_cast<char16_t*>(out.data());
                w[i] = char16_t(u[i] + (u'a' - u'A'));
            }
        }
        return out;
    }
    // Qt's own lower-casing turns lone surrogates into U+FFFD once it has changed a letter, which
    // would make different bytes equal; this goes code point by code point instead.
    QString out;
    out.reserve(n);
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = u[i];
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(u[i + 1])) {
            appendCodePoint(out, QChar::toLower(QChar::surrogateToUcs4(c, u[i + 1])));
            ++i;
        } else if (QChar::isSurrogate(c)) {
            out.append(QChar(c));
        } else {
            appendCodePoint(out, QChar::toLower(char32_t(c)));
        }
    }
    return out;
}
