#pragma once

#include <cstddef>
#include <cstdint>

// The information text as stored in the program: one zlib stream.
struct InfoStream {
    const unsigned char* data = nullptr;
    std::size_t size = 0;
};

// Both are generated at build time from resources/info.txt.
InfoStream BuiltInInfoStream();
// Seconds since 1970-01-01 00:00:00, without time zone.
std::int64_t BuildTimeStamp();
