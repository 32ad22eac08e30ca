#pragma once
// The inverse DCT four columns or four rows at a time, for
// jpeg_idct_sse2.cpp and jpeg_idct_avx.cpp: the transform of jpeg_idct.h on
// four float lanes, with the doubles in the Lanes type's Wide (two SSE2
// pairs, or one AVX register). Each file compiles it into a private copy
// (the templates live in an unnamed namespace), so neither instruction set
// leaks into the other file's code.
#include <emmintrin.h>
#include <xmmintrin.h>

#include <cstdint>

#include "jpeg/jpeg_idct.h"

namespace {

// Four floats in one SSE register; a Lanes type adds its Wide to this.
struct FloatQuad {
    using Floats = __m128;
    static __m128 plus(__m128 a, __m128 b) { return _mm_add_ps(a, b); }
    static __m128 minus(__m128 a, __m128 b) { return _mm_sub_ps(a, b); }
};

// The four rows from p on as their eight columns, one to a register.
inline void loadRowsAsColumns(const float* p, __m128* v) {
    for (int half = 0; half < 2; ++half) {
        __m128* q = v + 4 * half;
        for (int i = 0; i < 4; ++i) q[i] = _mm_loadu_ps(p + 8 * i + 4 * half);
        _MM_TRANSPOSE4_PS(q[0], q[1], q[2], q[3]);
    }
}

// The column pass over the columns whose bits are set in columns, four at a
// time; the others get their first value repeated.
template <class L>
inline void columnPassQuad(float* block, uint32_t columns) {
    for (int col = 0; col < 8; col += 4) {
        if (columns & (15u << col)) {
            __m128 v[8];
            for (int i = 0; i < 8; ++i) v[i] = _mm_loadu_ps(block + 8 * i + col);
            transformLanes<L>(v, v);
            for (int i = 0; i < 8; ++i) _mm_storeu_ps(block + 8 * i + col, v[i]);
        } else {
            const __m128 first = _mm_loadu_ps(block + col);
            for (int i = 1; i < 8; ++i) _mm_storeu_ps(block + 8 * i + col, first);
        }
    }
}

// The row pass of rows row to row + 3, turned into columns of four lanes,
// straight into samples: the results, still one column to a register, each
// turned into its sample with sampleFromValue's clamps (max and min first,
// so that a NaN becomes -2048 as there; then truncation, shift and
// re-centring, and the 0..255 clamp in the saturating packs), then put in
// row order (the column-major 4 x 8 bytes interleaved three times), rows of
// samples stride bytes apart.
template <class L>
inline void transformRowQuadToSamples(const float* block, int row, uint8_t* samples,
                                      int32_t stride) {
    __m128 v[8];
    loadRowsAsColumns(block + 8 * row, v);
    transformLanes<L>(v, v);
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
    const __m128i rows01 = _mm_unpacklo_epi8(u0, u1), rows23 = _mm_unpackhi_epi8(u0, u1);
    uint8_t* out = samples + row * stride;
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), rows01);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + stride), _mm_unpackhi_epi64(rows01, rows01));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 2 * stride), rows23);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 3 * stride),
                     _mm_unpackhi_epi64(rows23, rows23));
}

// The column pass over the given columns, then the row pass into samples.
template <class L>
inline void fullTransformToSamplesQuad(float* block, uint32_t columns, uint8_t* samples,
                                       int32_t stride) {
    columnPassQuad<L>(block, columns);
    for (int row = 0; row < 8; row += 4) transformRowQuadToSamples<L>(block, row, samples, stride);
}

}  // namespace
