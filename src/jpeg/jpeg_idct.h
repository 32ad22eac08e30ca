#pragma once
// The AAN inverse DCT in floating point, from a dequantised, prescaled block
// in jpegDecoder.block to the 64 samples it gives.
//
// Every line of the transform is evaluated in double and rounded to float
// once, when it is stored; the partial results inside a line stay in
// double. Together with the fixed pass order (columns, then rows) this makes
// the output the same to the bit on every compiler and target. The
// transform is written once, over a Lanes type that says how one or more
// values are held (ScalarLanes below: one float; jpeg_idct_quad.h: four).
#include <cstdint>

// The transform's constants: the single-precision roundings of the textbook
// values, held as doubles.
constexpr double K1 = float(1.41421356237309504880);  // sqrt(2)
constexpr double K2 = float(1.84775906502257351225);  // 2 cos(pi/8)
constexpr double K3 = float(2.61312592975275305571);  // 2 (cos(pi/8) + cos(3pi/8))
constexpr double K4 = float(1.08239220029239396880);  // 2 (cos(pi/8) - cos(3pi/8))
static_assert(K1 == 1.41421353816986083984375 && K2 == 1.8477590084075927734375 &&
                  K3 == 2.6131260395050048828125 && K4 == 1.082392215728759765625,
              "the transform's constants are single-precision values");

// One 8-point transform, x[0..7] in, y[0..7] out (they may be the same
// array). Lanes supplies Floats (values rounded to float) and Wide (the same
// values in double), with
//   plus, minus (Floats, Floats) -> Floats: one addition or subtraction,
//     rounded to float;
//   widen (Floats) -> Wide, narrow (Wide) -> Floats, set (double) -> Wide;
//   add, sub, mul (Wide, Wide) -> Wide.
// A line that is one addition or subtraction of two floats gives the same
// bits in float arithmetic as in double rounded to float (a double holds
// more than twice a float's precision, so rounding twice cannot differ from
// rounding once); so plus and minus may work in float. The lines with more
// than one operation keep their partial results in Wide.
template <class L>
inline void transformLanes(const typename L::Floats* x, typename L::Floats* y) {
    using F = typename L::Floats;
    using W = typename L::Wide;
    const W k1 = L::set(K1), k2 = L::set(K2), k3 = L::set(K3), k4 = L::set(K4);

    // Even part.
    const F a10 = L::plus(x[0], x[4]);
    const F a11 = L::minus(x[0], x[4]);
    const F a13 = L::plus(x[2], x[6]);
    const F a12 =
        L::narrow(L::sub(L::mul(L::sub(L::widen(x[2]), L::widen(x[6])), k1), L::widen(a13)));
    const F e0 = L::plus(a10, a13);
    const F e3 = L::minus(a10, a13);
    const F e1 = L::plus(a11, a12);
    const F e2 = L::minus(a11, a12);

    // Odd part.
    const F z13 = L::plus(x[5], x[3]);
    const F z10 = L::minus(x[5], x[3]);
    const F z11 = L::plus(x[1], x[7]);
    const F z12 = L::minus(x[1], x[7]);
    const F o7 = L::plus(z11, z13);
    const W z10d = L::widen(z10), z11d = L::widen(z11);
    const W z12d = L::widen(z12), z13d = L::widen(z13);
    const F z5 = L::narrow(L::mul(L::add(z12d, z10d), k2));
    const W z5d = L::widen(z5);
    const F b12 = L::narrow(L::sub(z5d, L::mul(z10d, k3)));
    const F o6 = L::minus(b12, o7);
    const F b11 = L::narrow(L::mul(L::sub(z11d, z13d), k1));
    const F o5 = L::minus(b11, o6);
    const F b10 = L::narrow(L::sub(L::mul(z12d, k4), z5d));
    const F o4 = L::plus(b10, o5);

    y[0] = L::plus(e0, o7);
    y[7] = L::minus(e0, o7);
    y[1] = L::plus(e1, o6);
    y[6] = L::minus(e1, o6);
    y[2] = L::plus(e2, o5);
    y[5] = L::minus(e2, o5);
    y[4] = L::plus(e3, o4);
    y[3] = L::minus(e3, o4);
}

// One value at a time, in plain C++.
struct ScalarLanes {
    using Floats = float;
    using Wide = double;
    static float plus(float a, float b) { return float(double(a) + double(b)); }
    static float minus(float a, float b) { return float(double(a) - double(b)); }
    static double widen(float v) { return v; }
    static float narrow(double v) { return float(v); }
    static double set(double k) { return k; }
    static double add(double a, double b) { return a + b; }
    static double sub(double a, double b) { return a - b; }
    static double mul(double a, double b) { return a * b; }
};

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

// Where a dequantised block holds values other than zero: what the inverse
// DCT may skip, because the full transform would only move zeros and copies
// of one value around there.
struct BlockExtent {
    uint32_t columnsBelowFirstRow;  // bit u: column u has a value in rows 1..7
    bool pastFirstColumn;           // some value lies in columns 1..7
};

// The full transform of a block with values below its first row and right
// of its first column, into samples: the column pass over the columns whose
// bits are set in `columns` (bit u: column u has a value in rows 1..7), in
// place; columns whose rows 1..7 are zero transform into their first value,
// repeated (only the sign of a zero can differ from the full transform
// there, and no sample depends on it). Then the row pass, each result turned
// into its sample (sampleFromValue); the eight rows of eight samples go to
// samples, stride bytes apart. block holds the column pass's results
// afterwards. One per instruction set (jpeg_kernels.h picks one).
using FullTransformToSamples = void (*)(float* block, uint32_t columns, uint8_t* samples,
                                        int32_t stride);
void fullTransformToSamplesScalar(float* block, uint32_t columns, uint8_t* samples, int32_t stride);

// The inverse DCT on jpegDecoder.block for a block of that extent, then
// every result turned into its sample: the same samples as the full
// transform's, with the work that would only copy values skipped for sparse
// blocks, and `full` for the others. block is working space afterwards.
void inverseDctToSamples(BlockExtent extent, uint8_t* samples, int32_t stride,
                         FullTransformToSamples full);
