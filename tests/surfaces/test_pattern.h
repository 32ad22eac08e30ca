#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// An RGBA image of width x height with distinct bytes everywhere, alpha
// included, so a misplaced row or column or a lost channel shows.
inline std::vector<uint8_t> pattern(int width, int height, uint32_t seed) {
    std::vector<uint8_t> bytes(size_t(width) * height * 4);
    uint32_t state = seed * 2654435761u + 1;
    for (uint8_t& b : bytes) {
        state = state * 1664525u + 1013904223u;
        b = uint8_t(state >> 24);
    }
    return bytes;
}
