#pragma once

#include <QByteArray>
#include <QString>

// Names on this system are bytes. They are carried as text so the program can show, sort and
// filter them, and must come back byte for byte: valid UTF-8 is decoded as usual, and every byte
// that is not part of valid UTF-8 becomes the lone code unit 0xDC00 + byte, which valid UTF-8 can
// never produce. Encoding turns such a unit back into its byte, so no two names ever meet in one
// text and every listed name can be opened again.
QString DecodeFileName(const char* bytes, qsizetype length);
QString DecodeFileName(const QByteArray& bytes);
QByteArray EncodeFileName(const QString& name);

// Whether a text carries bytes that are not valid UTF-8 (shown as replacement characters).
bool HasRawBytes(const QString& name);
