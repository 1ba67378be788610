#include "platform/ContentHash.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint64_t Prime1 = 0x9E3779B185EBCA87ull;
constexpr uint64_t Prime2 = 0xC2B2AE3D27D4EB4Full;

uint64_t rotl(uint64_t x, int r) {
    return (x << r) | (x >> (64 - r));
}

uint64_t word(const unsigned char* p) {
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

uint64_t round(uint64_t acc, uint64_t input) {
    return rotl(acc + input * Prime2, 31) * Prime1;
}

} // namespace

void ContentHash::block(const unsigned char* p) {
    for (int i = 0; i < 4; ++i)
        lane[i] = round(lane[i], word(p + 8 * i));
}

void ContentHash::add(const char* data, size_t length) {
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    total += length;
    if (pendingLength > 0) {
        const size_t take = std::min(length, sizeof pending - pendingLength);
        std::memcpy(pending + pendingLength, p, take);
        pendingLength += take;
        p += take;
        length -= take;
        if (pendingLength < sizeof pending)
            return;
        block(pending);
        pendingLength = 0;
    }
    for (; length >= 32; p += 32, length -= 32)
        block(p);
    std::memcpy(pending, p, length);
    pendingLength = length;
}

void ContentHash::addZeros(int64_t length) {
    static const char zeros[65536] = {};
    while (length > 0) {
        const size_t take = size_t(std::min<int64_t>(length, int64_t(sizeof zeros)));
        add(zeros, take);
        length -= int64_t(take);
    }
}

uint64_t ContentHash::value() const {
    uint64_t h = rotl(lane[0], 1) + rotl(lane[1], 7) + rotl(lane[2], 12) + rotl(lane[3], 18) + total;
    for (size_t i = 0; i < pendingLength; ++i)
        h = rotl(h ^ (pending[i] * Prime1), 11) * Prime2;
    h ^= h >> 33;
    h *= Prime2;
    h ^= h >> 29;
    return h;
}
