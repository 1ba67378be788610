#pragma once

#include <cstddef>
#include <cstdint>

// A fast 64-bit checksum of a stream of bytes, fed in pieces of any size: the same bytes give the
// same value however they are cut. Not cryptographic: it finds bytes a medium changed, not bytes
// someone chose.
class ContentHash {
public:
    void add(const char* data, size_t length);
    // Adds `length` zero bytes (a hole of a sparse file reads as zeros).
    void addZeros(int64_t length);
    uint64_t value() const;

private:
    void block(const unsigned char* p);

    uint64_t lane[4] = {0x9E3779B185EBCA87ull, 0xC2B2AE3D27D4EB4Full, 0x165667B19E3779F9ull,
                        0x85EBCA77C2B2AE63ull};
    unsigned char pending[32] = {};
    size_t pendingLength = 0;
    uint64_t total = 0;
};
