// The inverse DCT in plain C++: the shortcuts for sparse blocks, which every
// target takes, and the full transform for targets without a wider one.
#include "jpeg/jpeg_idct.h"

#include <cstdint>
#include <cstring>

#include "jpeg/jpeg_record.h"

namespace {

// One 8-point transform over p[0], p[stride], ..., p[7 * stride], into y.
inline void transformLine(const float* p, int32_t stride, float* y) {
    float x[8];
    for (int32_t i = 0; i < 8; ++i) x[i] = p[i * stride];
    transformLanes<ScalarLanes>(x, y);
}

// The same in place.
inline void transform8(float* p, int32_t stride) {
    float y[8];
    transformLine(p, stride, y);
    for (int32_t i = 0; i < 8; ++i) p[i * stride] = y[i];
}

}  // namespace

void fullTransformToSamplesScalar(float* block, uint32_t columns, uint8_t* samples,
                                  int32_t stride) {
    for (int32_t col = 0; col < 8; ++col) {
        if (columns & (1u << col)) {
            transform8(block + col, 8);
        } else {
            for (int32_t i = 1; i < 8; ++i) block[8 * i + col] = block[col];
        }
    }
    for (int32_t row = 0; row < 8; ++row) {
        float y[8];
        transformLine(block + 8 * row, 1, y);
        for (int32_t col = 0; col < 8; ++col) samples[row * stride + col] = sampleFromValue(y[col]);
    }
}

// A transform whose rows 1..7, or columns 1..7, are all zero has the same
// results in every row, or across every row: those are worked out once.
void inverseDctToSamples(BlockExtent extent, uint8_t* samples, int32_t stride,
                         FullTransformToSamples full) {
    float* block = jpegDecoder.block;
    if (!extent.pastFirstColumn) {
        if (extent.columnsBelowFirstRow == 0) {
            // DC alone: every result is the DC value itself.
            const uint8_t s = sampleFromValue(block[0]);
            for (int32_t row = 0; row < 8; ++row) std::memset(samples + row * stride, s, 8);
            return;
        }
        // Column 0 alone: every row is its transformed value, repeated.
        transform8(block, 8);
        for (int32_t row = 0; row < 8; ++row)
            std::memset(samples + row * stride, sampleFromValue(block[8 * row]), 8);
        return;
    }
    if (extent.columnsBelowFirstRow == 0) {
        // Row 0 alone: every column passes its value down unchanged, so
        // every row is row 0 transformed.
        transform8(block, 1);
        for (int32_t i = 0; i < 8; ++i) samples[i] = sampleFromValue(block[i]);
        for (int32_t row = 1; row < 8; ++row) std::memcpy(samples + row * stride, samples, 8);
        return;
    }
    full(block, extent.columnsBelowFirstRow, samples, stride);
}
