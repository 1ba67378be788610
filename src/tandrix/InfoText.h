#pragma once

#include "tandrix/InfoResource.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

enum class UnpackStatus {
    Ok,
    NoMemory, // the buffer of ten times the stream's size could not be had
    Damaged,  // a broken stream, output beyond ten times the stream's size, or no output at all
};

struct UnpackedInfo {
    UnpackStatus status = UnpackStatus::Damaged;
    QByteArray bytes;
};

// Inflates a zlib stream into at most ten times its own size.
UnpackedInfo UnpackInfoStream(InfoStream stream);

// Windows-1252 to UTF-16; a zero byte ends the text.
QString DecodeWindows1252(const QByteArray& bytes);

// The stamp formatted with the mask "%yy%mm%dd-%hh%ii", read as UTC.
QString FormatBuildStamp(std::int64_t seconds);

// " Tandrix  " followed by the formatted stamp.
QString InfoTitle(std::int64_t seconds);
