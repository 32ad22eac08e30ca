#pragma once
// Near-miss versions of the decoder's arithmetic: what a plausible but wrong
// implementation would compute. The sensitive test files are built so that
// each of these changes at least one output byte.
#include <cstdint>

#include "jpeg/jpeg_decoder.h"

namespace jpegtest {

// The 8-point AAN transform; RoundPartials stores the partial results of the
// multi-operation lines in float, as plain float code would.
template <bool RoundPartials>
inline void variantTransform8(float* p, int stride) {
    auto partial = [](double v) { return RoundPartials ? double(float(v)) : v; };
    const double x0 = p[0], x1 = p[stride], x2 = p[2 * stride], x3 = p[3 * stride];
    const double x4 = p[4 * stride], x5 = p[5 * stride], x6 = p[6 * stride], x7 = p[7 * stride];
    const float a10 = float(x0 + x4), a11 = float(x0 - x4), a13 = float(x2 + x6);
    const float a12 = float(partial((x2 - x6) * K1) - a13);
    const float e0 = float(double(a10) + a13), e3 = float(double(a10) - a13);
    const float e1 = float(double(a11) + a12), e2 = float(double(a11) - a12);
    const float z13 = float(x5 + x3), z10 = float(x5 - x3), z11 = float(x1 + x7),
                z12 = float(x1 - x7);
    const float o7 = float(double(z11) + z13);
    const float z5 = float(partial(double(z12) + z10) * K2);
    const float b12 = float(double(z5) - partial(double(z10) * K3));
    const float o6 = float(double(b12) - o7);
    const float b11 = float(partial(double(z11) - z13) * K1);
    const float o5 = float(double(b11) - o6);
    const float b10 = float(partial(double(z12) * K4) - z5);
    const float o4 = float(double(b10) + o5);
    p[0] = float(double(e0) + o7);
    p[7 * stride] = float(double(e0) - o7);
    p[stride] = float(double(e1) + o6);
    p[6 * stride] = float(double(e1) - o6);
    p[2 * stride] = float(double(e2) + o5);
    p[5 * stride] = float(double(e2) - o5);
    p[4 * stride] = float(double(e3) + o4);
    p[3 * stride] = float(double(e3) - o4);
}

// Rows first, then columns.
inline void idctRowsFirst(float* block) {
    for (int row = 0; row < 8; ++row) variantTransform8<false>(block + 8 * row, 1);
    for (int col = 0; col < 8; ++col) variantTransform8<false>(block + col, 8);
}

// Columns first, partial results rounded to float.
inline void idctRoundedPartials(float* block) {
    for (int col = 0; col < 8; ++col) variantTransform8<true>(block + col, 8);
    for (int row = 0; row < 8; ++row) variantTransform8<true>(block + 8 * row, 1);
}

// YCbCr to RGB with every operation in single precision.
inline void ycbcrSinglePrecision(const uint8_t* in, uint8_t* out) {
    const float y = in[0], cb = float(in[1] - 128), cr = float(in[2] - 128);
    const float red = cr * float(redFromCr) + y;
    const float green = (y - cb * float(greenFromCb)) - cr * float(greenFromCr);
    const float blue = cb * float(blueFromCb) + y;
    auto clamp = [](float v) {
        int32_t i = int32_t(v);
        return uint8_t(i < 0 ? 0 : (i > 255 ? 255 : i));
    };
    out[0] = clamp(red);
    out[1] = clamp(green);
    out[2] = clamp(blue);
    out[3] = 255;
}

}  // namespace jpegtest
