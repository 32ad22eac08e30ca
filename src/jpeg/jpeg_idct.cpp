// The AAN inverse DCT in floating point, in place on jpegDecoder.block.
//
// Every line is evaluated in double and rounded to float once, when it is
// stored; the partial results inside a line stay in double. Together with
// the fixed pass order (columns, then rows) this makes the output the same
// to the bit on every compiler and target.
//
// Where the target has SSE2, four columns or four rows go through the
// transform at once (transformQuad says why that gives the same bits).
#include <cstdint>

#include "jpeg/jpeg_internal.h"
#include "jpeg/jpeg_simd.h"

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

// Four lanes of float. A line of the transform that is one addition or
// subtraction of two floats gives the same bits in float arithmetic as in
// double rounded to float (a double holds more than twice a float's
// precision, so rounding twice cannot differ from rounding once); those
// lines run on all four lanes at once. The lines with more than one
// operation keep their partial results in double, two lanes at a time.
struct Wide {
    __m128d low, high;  // lanes 0 and 1, lanes 2 and 3
};
inline Wide widen(__m128 v) { return {_mm_cvtps_pd(v), _mm_cvtps_pd(_mm_movehl_ps(v, v))}; }
inline __m128 narrow(__m128d low, __m128d high) {
    return _mm_movelh_ps(_mm_cvtpd_ps(low), _mm_cvtpd_ps(high));
}

// transform8 on four lanes: x[0..7] in, y[0..7] out.
inline void transformQuad(const __m128* x, __m128* y) {
    const __m128d k1 = _mm_set1_pd(K1), k2 = _mm_set1_pd(K2);
    const __m128d k3 = _mm_set1_pd(K3), k4 = _mm_set1_pd(K4);

    const __m128 a10 = _mm_add_ps(x[0], x[4]);
    const __m128 a11 = _mm_sub_ps(x[0], x[4]);
    const __m128 a13 = _mm_add_ps(x[2], x[6]);
    const Wide x2 = widen(x[2]), x6 = widen(x[6]), a13d = widen(a13);
    const __m128 a12 = narrow(_mm_sub_pd(_mm_mul_pd(_mm_sub_pd(x2.low, x6.low), k1), a13d.low),
                              _mm_sub_pd(_mm_mul_pd(_mm_sub_pd(x2.high, x6.high), k1), a13d.high));
    const __m128 e0 = _mm_add_ps(a10, a13);
    const __m128 e3 = _mm_sub_ps(a10, a13);
    const __m128 e1 = _mm_add_ps(a11, a12);
    const __m128 e2 = _mm_sub_ps(a11, a12);

    const __m128 z13 = _mm_add_ps(x[5], x[3]);
    const __m128 z10 = _mm_sub_ps(x[5], x[3]);
    const __m128 z11 = _mm_add_ps(x[1], x[7]);
    const __m128 z12 = _mm_sub_ps(x[1], x[7]);
    const __m128 o7 = _mm_add_ps(z11, z13);
    const Wide z10d = widen(z10), z11d = widen(z11), z12d = widen(z12), z13d = widen(z13);
    const __m128 z5 = narrow(_mm_mul_pd(_mm_add_pd(z12d.low, z10d.low), k2),
                             _mm_mul_pd(_mm_add_pd(z12d.high, z10d.high), k2));
    const Wide z5d = widen(z5);
    const __m128 b12 = narrow(_mm_sub_pd(z5d.low, _mm_mul_pd(z10d.low, k3)),
                              _mm_sub_pd(z5d.high, _mm_mul_pd(z10d.high, k3)));
    const __m128 o6 = _mm_sub_ps(b12, o7);
    const __m128 b11 = narrow(_mm_mul_pd(_mm_sub_pd(z11d.low, z13d.low), k1),
                              _mm_mul_pd(_mm_sub_pd(z11d.high, z13d.high), k1));
    const __m128 o5 = _mm_sub_ps(b11, o6);
    const __m128 b10 = narrow(_mm_sub_pd(_mm_mul_pd(z12d.low, k4), z5d.low),
                              _mm_sub_pd(_mm_mul_pd(z12d.high, k4), z5d.high));
    const __m128 o4 = _mm_add_ps(b10, o5);

    y[0] = _mm_add_ps(e0, o7);
    y[7] = _mm_sub_ps(e0, o7);
    y[1] = _mm_add_ps(e1, o6);
    y[6] = _mm_sub_ps(e1, o6);
    y[2] = _mm_add_ps(e2, o5);
    y[5] = _mm_sub_ps(e2, o5);
    y[4] = _mm_add_ps(e3, o4);
    y[3] = _mm_sub_ps(e3, o4);
}

// Columns col to col + 3.
inline void transformColumnQuad(float* block, int col) {
    __m128 v[8];
    for (int i = 0; i < 8; ++i) v[i] = _mm_loadu_ps(block + 8 * i + col);
    transformQuad(v, v);
    for (int i = 0; i < 8; ++i) _mm_storeu_ps(block + 8 * i + col, v[i]);
}

// The four rows from p on as their eight columns, one to a register.
inline void loadRowsAsColumns(const float* p, __m128* v) {
    for (int half = 0; half < 2; ++half) {
        __m128* q = v + 4 * half;
        for (int i = 0; i < 4; ++i) q[i] = _mm_loadu_ps(p + 8 * i + 4 * half);
        _MM_TRANSPOSE4_PS(q[0], q[1], q[2], q[3]);
    }
}

// Rows row to row + 3, turned into columns of four lanes and back.
inline void transformRowQuad(float* block, int row) {
    float* p = block + 8 * row;
    __m128 v[8];
    loadRowsAsColumns(p, v);
    transformQuad(v, v);
    for (int half = 0; half < 2; ++half) {
        __m128* q = v + 4 * half;
        _MM_TRANSPOSE4_PS(q[0], q[1], q[2], q[3]);
        for (int i = 0; i < 4; ++i) _mm_storeu_ps(p + 8 * i + 4 * half, q[i]);
    }
}

// transformRowQuad straight into samples: the results of rows row to
// row + 3, still one column to a register, each turned into its sample with
// sampleFromValue's clamps (max and min first, so that a NaN becomes -2048
// as there; then truncation, shift and re-centring, and the 0..255 clamp in
// the saturating packs), then put in row order (the column-major 4 x 8
// bytes interleaved three times).
inline void transformRowQuadToSamples(const float* block, int row, uint8_t* samples) {
    __m128 v[8];
    loadRowsAsColumns(block + 8 * row, v);
    transformQuad(v, v);
    const __m128 low = _mm_set1_ps(-2048.0f), high = _mm_set1_ps(2048.0f);
    const __m128i centre = _mm_set1_epi32(128);
    __m128i s[8];
    for (int j = 0; j < 8; ++j) {
        const __m128 clamped = _mm_min_ps(_mm_max_ps(v[j], low), high);
        s[j] = _mm_add_epi32(_mm_srai_epi32(_mm_cvttps_epi32(clamped), 3), centre);
    }
    const __m128i first =
        _mm_packus_epi16(_mm_packs_epi32(s[0], s[1]), _mm_packs_epi32(s[2], s[3]));
    const __m128i last = _mm_packus_epi16(_mm_packs_epi32(s[4], s[5]), _mm_packs_epi32(s[6], s[7]));
    const __m128i t0 = _mm_unpacklo_epi8(first, last), t1 = _mm_unpackhi_epi8(first, last);
    const __m128i u0 = _mm_unpacklo_epi8(t0, t1), u1 = _mm_unpackhi_epi8(t0, t1);
    __m128i* out = reinterpret_cast<__m128i*>(samples + 8 * row);
    _mm_storeu_si128(out, _mm_unpacklo_epi8(u0, u1));
    _mm_storeu_si128(out + 1, _mm_unpackhi_epi8(u0, u1));
}

#else

void samplesFromBlock(const float* block, uint8_t* samples) {
    for (int n = 0; n < 64; ++n) samples[n] = sampleFromValue(block[n]);
}

#endif

// The full transform of a block with values below its first row and right
// of its first column. Columns whose rows 1..7 are zero transform into their
// first value, repeated: only the sign of a zero can differ from the full
// transform there, and no sample depends on it.
void columnPass(float* block, uint32_t columns) {
#if CQ_JPEG_SSE2
    for (int col = 0; col < 8; col += 4) {
        if (columns & (15u << col)) {
            transformColumnQuad(block, col);
        } else {
            const __m128 first = _mm_loadu_ps(block + col);
            for (int i = 1; i < 8; ++i) _mm_storeu_ps(block + 8 * i + col, first);
        }
    }
#else
    for (int col = 0; col < 8; ++col) {
        if (columns & (1u << col)) {
            transform8(block + col, 8);
        } else {
            for (int i = 1; i < 8; ++i) block[8 * i + col] = block[col];
        }
    }
#endif
}

void inverseDctOfColumns(float* block, uint32_t columns) {
    columnPass(block, columns);
#if CQ_JPEG_SSE2
    for (int row = 0; row < 8; row += 4) transformRowQuad(block, row);
#else
    for (int row = 0; row < 8; ++row) transform8(block + 8 * row, 1);
#endif
}

}  // namespace

void inverseDctScalar(float* block) {
    for (int col = 0; col < 8; ++col) transform8(block + col, 8);
    for (int row = 0; row < 8; ++row) transform8(block + 8 * row, 1);
}

void inverseDct() { inverseDctOfColumns(jpegDecoder.block, 0xFF); }

// A transform whose rows 1..7, or columns 1..7, are all zero has the same
// results in every row, or across every row: those are worked out once.
void inverseDctToSamples(BlockExtent extent, uint8_t samples[64]) {
    float* block = jpegDecoder.block;
    if (!extent.pastFirstColumn) {
        if (extent.columnsBelowFirstRow == 0) {
            // DC alone: every result is the DC value itself.
            const uint8_t s = sampleFromValue(block[0]);
            for (int n = 0; n < 64; ++n) samples[n] = s;
            return;
        }
        // Column 0 alone: every row is its transformed value, repeated.
        transform8(block, 8);
        for (int row = 0; row < 8; ++row) {
            const uint8_t s = sampleFromValue(block[8 * row]);
            for (int i = 0; i < 8; ++i) samples[8 * row + i] = s;
        }
        return;
    }
    if (extent.columnsBelowFirstRow == 0) {
        // Row 0 alone: every column passes its value down unchanged, so
        // every row is row 0 transformed.
        transform8(block, 1);
        for (int i = 0; i < 8; ++i) samples[i] = sampleFromValue(block[i]);
        for (int row = 1; row < 8; ++row)
            for (int i = 0; i < 8; ++i) samples[8 * row + i] = samples[i];
        return;
    }
#if CQ_JPEG_SSE2
    columnPass(block, extent.columnsBelowFirstRow);
    for (int row = 0; row < 8; row += 4) transformRowQuadToSamples(block, row, samples);
#else
    inverseDctOfColumns(block, extent.columnsBelowFirstRow);
    samplesFromBlock(block, samples);
#endif
}
