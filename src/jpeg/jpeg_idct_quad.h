#pragma once
// The inverse DCT four columns or four rows at a time, for jpeg_idct.cpp
// (SSE2) and jpeg_idct_avx.cpp (AVX). Both compile the same code over their
// own way of holding four doubles, each into a private copy (the templates
// live in an unnamed namespace), so neither instruction set leaks into the
// other file's code.
//
// A line of the transform that is one addition or subtraction of two floats
// gives the same bits in float arithmetic as in double rounded to float (a
// double holds more than twice a float's precision, so rounding twice
// cannot differ from rounding once); those lines run on four float lanes.
// The lines with more than one operation keep their partial results in
// double, four lanes of them in the Doubles type's Wide:
//   Wide widen(__m128), __m128 narrow(Wide), Wide set(double),
//   Wide add(Wide, Wide), sub(Wide, Wide), mul(Wide, Wide).
#include <emmintrin.h>
#include <xmmintrin.h>

#include <cstdint>

#include "jpeg/jpeg_internal.h"

// jpeg_idct_avx.cpp: the full transform with the doubles in AVX registers,
// for a CPU that runs AVX only. Same contract as fullTransformToSamples
// below.
void fullTransformToSamplesAvx(float* block, uint32_t columns, uint8_t* samples,
                               int32_t stride);

namespace {

// transform8 on four lanes: x[0..7] in, y[0..7] out.
template <class D>
inline void transformQuad(const __m128* x, __m128* y) {
    using Wide = typename D::Wide;
    const Wide k1 = D::set(K1), k2 = D::set(K2), k3 = D::set(K3), k4 = D::set(K4);

    const __m128 a10 = _mm_add_ps(x[0], x[4]);
    const __m128 a11 = _mm_sub_ps(x[0], x[4]);
    const __m128 a13 = _mm_add_ps(x[2], x[6]);
    const __m128 a12 =
        D::narrow(D::sub(D::mul(D::sub(D::widen(x[2]), D::widen(x[6])), k1), D::widen(a13)));
    const __m128 e0 = _mm_add_ps(a10, a13);
    const __m128 e3 = _mm_sub_ps(a10, a13);
    const __m128 e1 = _mm_add_ps(a11, a12);
    const __m128 e2 = _mm_sub_ps(a11, a12);

    const __m128 z13 = _mm_add_ps(x[5], x[3]);
    const __m128 z10 = _mm_sub_ps(x[5], x[3]);
    const __m128 z11 = _mm_add_ps(x[1], x[7]);
    const __m128 z12 = _mm_sub_ps(x[1], x[7]);
    const __m128 o7 = _mm_add_ps(z11, z13);
    const Wide z10d = D::widen(z10), z11d = D::widen(z11);
    const Wide z12d = D::widen(z12), z13d = D::widen(z13);
    const __m128 z5 = D::narrow(D::mul(D::add(z12d, z10d), k2));
    const Wide z5d = D::widen(z5);
    const __m128 b12 = D::narrow(D::sub(z5d, D::mul(z10d, k3)));
    const __m128 o6 = _mm_sub_ps(b12, o7);
    const __m128 b11 = D::narrow(D::mul(D::sub(z11d, z13d), k1));
    const __m128 o5 = _mm_sub_ps(b11, o6);
    const __m128 b10 = D::narrow(D::sub(D::mul(z12d, k4), z5d));
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

// The four rows from p on as their eight columns, one to a register.
inline void loadRowsAsColumns(const float* p, __m128* v) {
    for (int half = 0; half < 2; ++half) {
        __m128* q = v + 4 * half;
        for (int i = 0; i < 4; ++i) q[i] = _mm_loadu_ps(p + 8 * i + 4 * half);
        _MM_TRANSPOSE4_PS(q[0], q[1], q[2], q[3]);
    }
}

// The column pass over the columns whose bits are set in columns (bit u:
// column u has a value in rows 1..7), four at a time. Columns whose rows
// 1..7 are zero transform into their first value, repeated: only the sign
// of a zero can differ from the full transform there, and no sample depends
// on it.
template <class D>
inline void columnPassQuad(float* block, uint32_t columns) {
    for (int col = 0; col < 8; col += 4) {
        if (columns & (15u << col)) {
            __m128 v[8];
            for (int i = 0; i < 8; ++i) v[i] = _mm_loadu_ps(block + 8 * i + col);
            transformQuad<D>(v, v);
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
template <class D>
inline void transformRowQuadToSamples(const float* block, int row, uint8_t* samples,
                                      int32_t stride) {
    __m128 v[8];
    loadRowsAsColumns(block + 8 * row, v);
    transformQuad<D>(v, v);
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
template <class D>
inline void fullTransformToSamples(float* block, uint32_t columns, uint8_t* samples,
                                   int32_t stride) {
    columnPassQuad<D>(block, columns);
    for (int row = 0; row < 8; row += 4) transformRowQuadToSamples<D>(block, row, samples, stride);
}

}  // namespace
