// The AAN inverse DCT in floating point, in place on jpegDecoder.block.
//
// Every line is evaluated in double and rounded to float once, when it is
// stored; the partial results inside a line stay in double. Together with
// the fixed pass order (columns, then rows) this makes the output the same
// to the bit on every compiler and target.
//
// Where the target has SSE2, four columns or four rows go through the
// transform at once (jpeg_idct_quad.h says why that gives the same bits),
// with the doubles in AVX registers where the CPU runs AVX.
#include <cstdint>
#include <cstring>

#include "jpeg/jpeg_internal.h"
#include "jpeg/jpeg_simd.h"
#if CQ_JPEG_SSE2
#include "jpeg/jpeg_idct_quad.h"
#endif

namespace {

// One 8-point transform over p[0], p[stride], ..., p[7 * stride]; all eight
// inputs are read before any output is written.
inline void transform8(float* p, int stride) {
    const double x0 = p[0 * stride], x1 = p[1 * stride], x2 = p[2 * stride], x3 = p[3 * stride];
    const double x4 = p[4 * stride], x5 = p[5 * stride], x6 = p[6 * stride], x7 = p[7 * stride];

    // Even part.
    const float a10 = float(x0 + x4);
    const float a11 = float(x0 - x4);
    const float a13 = float(x2 + x6);
    const float a12 = float((x2 - x6) * K1 - double(a13));
    const float e0 = float(double(a10) + double(a13));
    const float e3 = float(double(a10) - double(a13));
    const float e1 = float(double(a11) + double(a12));
    const float e2 = float(double(a11) - double(a12));

    // Odd part.
    const float z13 = float(x5 + x3);
    const float z10 = float(x5 - x3);
    const float z11 = float(x1 + x7);
    const float z12 = float(x1 - x7);
    const float o7 = float(double(z11) + double(z13));
    const float z5 = float((double(z12) + double(z10)) * K2);
    const float b12 = float(double(z5) - double(z10) * K3);
    const float o6 = float(double(b12) - double(o7));
    const float b11 = float((double(z11) - double(z13)) * K1);
    const float o5 = float(double(b11) - double(o6));
    const float b10 = float(double(z12) * K4 - double(z5));
    const float o4 = float(double(b10) + double(o5));

    p[0 * stride] = float(double(e0) + double(o7));
    p[7 * stride] = float(double(e0) - double(o7));
    p[1 * stride] = float(double(e1) + double(o6));
    p[6 * stride] = float(double(e1) - double(o6));
    p[2 * stride] = float(double(e2) + double(o5));
    p[5 * stride] = float(double(e2) - double(o5));
    p[4 * stride] = float(double(e3) + double(o4));
    p[3 * stride] = float(double(e3) - double(o4));
}

// B[n] holds eight times the level-shifted sample: truncate, divide by 8 with
// an arithmetic shift, re-centre and clamp. Outside +-2048 the clamp decides
// alone, which also keeps the conversion defined for any value.
inline uint8_t sampleFromValue(float value) {
    int32_t t;
    if (value >= 2048.0f) {
        t = 2048;
    } else if (value > -2048.0f) {
        t = int32_t(value);
    } else {
        t = -2048;  // also NaN
    }
    const int32_t s = (t >> 3) + 128;
    return uint8_t(s < 0 ? 0 : (s > 255 ? 255 : s));
}

#if CQ_JPEG_SSE2

// Four doubles as two SSE2 pairs: lanes 0 and 1, lanes 2 and 3.
struct Sse2Doubles {
    struct Wide {
        __m128d low, high;
    };
    static Wide widen(__m128 v) { return {_mm_cvtps_pd(v), _mm_cvtps_pd(_mm_movehl_ps(v, v))}; }
    static __m128 narrow(Wide v) {
        return _mm_movelh_ps(_mm_cvtpd_ps(v.low), _mm_cvtpd_ps(v.high));
    }
    static Wide set(double k) { return {_mm_set1_pd(k), _mm_set1_pd(k)}; }
    static Wide add(Wide a, Wide b) {
        return {_mm_add_pd(a.low, b.low), _mm_add_pd(a.high, b.high)};
    }
    static Wide sub(Wide a, Wide b) {
        return {_mm_sub_pd(a.low, b.low), _mm_sub_pd(a.high, b.high)};
    }
    static Wide mul(Wide a, Wide b) {
        return {_mm_mul_pd(a.low, b.low), _mm_mul_pd(a.high, b.high)};
    }
};

// inverseDct's own row pass, in place: rows row to row + 3, turned into
// columns of four lanes and back.
inline void transformRowQuad(float* block, int row) {
    float* p = block + 8 * row;
    __m128 v[8];
    loadRowsAsColumns(p, v);
    transformQuad<Sse2Doubles>(v, v);
    for (int half = 0; half < 2; ++half) {
        __m128* q = v + 4 * half;
        _MM_TRANSPOSE4_PS(q[0], q[1], q[2], q[3]);
        for (int i = 0; i < 4; ++i) _mm_storeu_ps(p + 8 * i + 4 * half, q[i]);
    }
}

#else

// Without SSE2, line by line: the full transform of a block with values
// below its first row and right of its first column. Columns whose rows
// 1..7 are zero transform into their first value, repeated: only the sign
// of a zero can differ from the full transform there, and no sample depends
// on it.
void inverseDctOfColumns(float* block, uint32_t columns) {
    for (int col = 0; col < 8; ++col) {
        if (columns & (1u << col)) {
            transform8(block + col, 8);
        } else {
            for (int i = 1; i < 8; ++i) block[8 * i + col] = block[col];
        }
    }
    for (int row = 0; row < 8; ++row) transform8(block + 8 * row, 1);
}

void samplesFromBlock(const float* block, uint8_t* samples, int32_t stride) {
    for (int n = 0; n < 64; ++n) samples[(n >> 3) * stride + (n & 7)] = sampleFromValue(block[n]);
}

#endif

}  // namespace

void inverseDctScalar(float* block) {
    for (int col = 0; col < 8; ++col) transform8(block + col, 8);
    for (int row = 0; row < 8; ++row) transform8(block + 8 * row, 1);
}

void inverseDct() {
#if CQ_JPEG_SSE2
    columnPassQuad<Sse2Doubles>(jpegDecoder.block, 0xFF);
    for (int row = 0; row < 8; row += 4) transformRowQuad(jpegDecoder.block, row);
#else
    inverseDctOfColumns(jpegDecoder.block, 0xFF);
#endif
}

// A transform whose rows 1..7, or columns 1..7, are all zero has the same
// results in every row, or across every row: those are worked out once.
void inverseDctToSamples(BlockExtent extent, uint8_t* samples, int32_t stride) {
    float* block = jpegDecoder.block;
    if (!extent.pastFirstColumn) {
        if (extent.columnsBelowFirstRow == 0) {
            // DC alone: every result is the DC value itself.
            const uint8_t s = sampleFromValue(block[0]);
            for (int row = 0; row < 8; ++row) std::memset(samples + row * stride, s, 8);
            return;
        }
        // Column 0 alone: every row is its transformed value, repeated.
        transform8(block, 8);
        for (int row = 0; row < 8; ++row)
            std::memset(samples + row * stride, sampleFromValue(block[8 * row]), 8);
        return;
    }
    if (extent.columnsBelowFirstRow == 0) {
        // Row 0 alone: every column passes its value down unchanged, so
        // every row is row 0 transformed.
        transform8(block, 1);
        for (int i = 0; i < 8; ++i) samples[i] = sampleFromValue(block[i]);
        for (int row = 1; row < 8; ++row) std::memcpy(samples + row * stride, samples, 8);
        return;
    }
#if CQ_JPEG_AVX
    if (vectorPaths.avx)
        return fullTransformToSamplesAvx(block, extent.columnsBelowFirstRow, samples, stride);
#endif
#if CQ_JPEG_SSE2
    fullTransformToSamples<Sse2Doubles>(block, extent.columnsBelowFirstRow, samples, stride);
#else
    inverseDctOfColumns(block, extent.columnsBelowFirstRow);
    samplesFromBlock(block, samples, stride);
#endif
}
