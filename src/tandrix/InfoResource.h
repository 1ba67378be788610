#pragma once

#include <cstddef>
#include <cstdint>

// The information text as stored in the program: one zlib stream.
struct InfoStream {
    const unsigned char* data = nullptr;
    std::size_t size = 0;
};

// Generated at build time from resources/info.txt.
InfoStream BuiltInInfoStream();
