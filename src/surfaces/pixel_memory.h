#pragma once
// Pixel memory shared by the texture surfaces: RGBA arrays that are
// allocated without throwing, and row copies between images whose rows have
// different lengths (an image and its padded texture).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

// Allocations of a size for which this answers true fail as if the memory
// were not there. Only tests set it, to see what surfaces do when memory
// runs out.
inline bool (*pixelMemoryRefuses)(uint64_t bytes) = nullptr;

inline size_t imageBytes(int32_t width, int32_t height) {
    return size_t(width) * size_t(height) * 4u;
}

// width x height x 4 bytes, or nullptr when the size is negative or cannot be
// allocated. Surfaces never throw: a failed allocation leaves the image out.
inline uint8_t* allocatePixels(int64_t width, int64_t height) {
    if (width < 0 || height < 0) return nullptr;
    const uint64_t bytes = uint64_t(width) * uint64_t(height) * 4u;
    if (bytes > uint64_t(SIZE_MAX) || (pixelMemoryRefuses && pixelMemoryRefuses(bytes)))
        return nullptr;
    return new (std::nothrow) uint8_t[size_t(bytes)];
}

// value limited to 0..limit.
inline int32_t clampTo(int32_t value, int32_t limit) {
    if (value < 0) return 0;
    return value < limit ? value : limit;
}

// Copies the first rows x columns pixels of an image with rows of
// sourceWidth pixels into one with rows of targetWidth pixels.
inline void copyRows(uint8_t* target, int32_t targetWidth, const uint8_t* source,
                     int32_t sourceWidth, int32_t rows, int32_t columns) {
    if (rows <= 0 || columns <= 0) return;
    for (int32_t row = 0; row < rows; ++row) {
        std::memcpy(target + size_t(row) * size_t(targetWidth) * 4u,
                    source + size_t(row) * size_t(sourceWidth) * 4u, size_t(columns) * 4u);
    }
}
