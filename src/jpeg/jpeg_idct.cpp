// The AAN inverse DCT in floating point, in place on jpegDecoder.block.
//
// Every line is evaluated in double and rounded to float once, when it is
// stored; the partial results inside a line stay in double. Together with
// the fixed pass order (columns, then rows) this makes the output the same
// to the bit on every compiler and target.
#include "jpeg/jpeg_internal.h"

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

}  // namespace

void inverseDct() {
    float* block = jpegDecoder.block;
    for (int col = 0; col < 8; ++col) transform8(block + col, 8);
    for (int row = 0; row < 8; ++row) transform8(block + 8 * row, 1);
}
