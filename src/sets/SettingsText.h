#pragma once

#include <QByteArray>

// How the bytes of a settings file were read as text.
enum class SettingsEncoding { Utf8WithBom, Utf8, Latin1, Utf16LE, Utf16BE };

struct SettingsText {
    QByteArray utf8; // the text, as UTF-8
    SettingsEncoding encoding = SettingsEncoding::Utf8WithBom;
    bool hasNonText = false; // control characters, or bytes that break the encoding
};

// UTF-8 after its byte-order mark, UTF-16 of either byte order after its byte-order mark
// (as a Windows editor saves it), UTF-8 without a mark when every byte fits (as a Linux editor
// saves it), else one ISO 8859-1 character per byte.
SettingsText DecodeSettingsBytes(const QByteArray& raw);
