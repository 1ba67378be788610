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

// The program's version as the build set it (the CMake project version), e.g. "1.0".
QString ProgramVersion();

// " Tandrix ", the version and a blank where there is one, a blank, and the formatted stamp:
// " Tandrix 1.0  171126-2239"; without a version " Tandrix  171126-2239".
QString InfoTitle(std::int64_t seconds, const QString& version);
