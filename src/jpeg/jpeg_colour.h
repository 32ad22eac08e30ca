#pragma once
// Colour conversion: an area of an MCU's sample planes into RGBA pixels,
// from YCbCr with the JFIF equations, or from grey.
//
// The conversion per pixel is, in double and truncated toward zero,
//   red   = cr * redFromCr + y
//   green = (y - cb * greenFromCb) - cr * greenFromCr
//   blue  = cb * blueFromCb + y
// with cb and cr less 128, then clamped to 0..255; alpha is 255. Truncation
// and flooring differ only below 0, where the clamp makes both 0; and y is a
// whole number, so each channel is y plus a whole offset that depends on the
// chroma alone: floor(cr * redFromCr) for red, floor(cb * blueFromCb) for
// blue, and for green the floor of minus the two products' sum. Every path
// works those floors out in the one fixed-point scheme below.
#include <cstdint>

// The JFIF factors rounded to float, held as doubles.
constexpr double redFromCr = float(1.402);
constexpr double greenFromCb = float(0.34414);
constexpr double greenFromCr = float(0.71414);
constexpr double blueFromCb = float(1.772);
static_assert(redFromCr == 1.401999950408935546875 && greenFromCb == 0.344139993190765380859375 &&
                  greenFromCr == 0.714139997959136962890625 &&
                  blueFromCb == 1.77199995517730712890625,
              "the colour factors are single-precision values");

// The factors in fixed point: red and blue with 14 fractional bits (so that
// four times a chroma value times the factor fits a 16-bit multiply's high
// half), green with 21 (so that the sum of both products fits 32 bits).
// A product's floor is then an arithmetic shift. That the red and blue
// floors are the double ones for every input is checked here; that the
// green floor is, and that the double sums never round across a whole
// number, for all 2^24 inputs by the decoder's tests.
constexpr int32_t kRedBlueBits = 14;
constexpr int32_t kGreenBits = 21;
constexpr int32_t fixedPoint(double factor, int32_t bits) {
    return int32_t(factor * double(int64_t(1) << bits));  // cut toward zero
}
constexpr int32_t kRedFromCr = fixedPoint(redFromCr, kRedBlueBits);
constexpr int32_t kBlueFromCb = fixedPoint(blueFromCb, kRedBlueBits);
constexpr int32_t kGreenFromCb = fixedPoint(greenFromCb, kGreenBits);
constexpr int32_t kGreenFromCr = fixedPoint(greenFromCr, kGreenBits);

// The offsets of one chroma sample (its stored value; 128 is zero). An
// arithmetic shift of a negative product is a floor.
constexpr int32_t redOffset(int32_t cr) { return ((cr - 128) * kRedFromCr) >> kRedBlueBits; }
constexpr int32_t blueOffset(int32_t cb) { return ((cb - 128) * kBlueFromCb) >> kRedBlueBits; }
constexpr int32_t greenOffset(int32_t cb, int32_t cr) {
    return -((cb - 128) * kGreenFromCb + (cr - 128) * kGreenFromCr) >> kGreenBits;
}

namespace colour_checks {
constexpr int32_t floorOf(double v) {
    const int32_t t = int32_t(v);
    return double(t) > v ? t - 1 : t;
}
constexpr bool redAndBlueAreTheDoubleFloors() {
    for (int32_t v = 0; v < 256; ++v) {
        const double c = float(v - 128);
        if (redOffset(v) != floorOf(c * redFromCr) || blueOffset(v) != floorOf(c * blueFromCb))
            return false;
    }
    return true;
}
static_assert(redAndBlueAreTheDoubleFloors(), "14 fractional bits resolve red and blue");
}  // namespace colour_checks

inline uint8_t clampToByte(int32_t v) { return uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v)); }

inline void storePixel(uint8_t* p, int32_t y, int32_t red, int32_t green, int32_t blue) {
    p[0] = clampToByte(y + red);
    p[1] = clampToByte(y + green);
    p[2] = clampToByte(y + blue);
    p[3] = 255;
}

// One pixel: its stored Y, Cb and Cr -> red, green, blue and 255.
inline void rgbFromYCbCr(uint8_t y, uint8_t cb, uint8_t cr, uint8_t* rgba) {
    storePixel(rgba, y, redOffset(cr), greenOffset(cb, cr), blueOffset(cb));
}

// One grey pixel.
inline void rgbFromGrey(uint8_t v, uint8_t* rgba) {
    rgba[0] = rgba[1] = rgba[2] = v;
    rgba[3] = 255;
}

// The areas the kernels convert are those of MCUs whose sampling factors are
// at most this (an MCU of larger ones is converted pixel by pixel): at most
// 8 * kMaxAreaFactor pixels across, so a chroma row has at most that many
// samples.
constexpr int32_t kMaxAreaFactor = 4;
constexpr int32_t kMaxChromaRowSamples = 8 * kMaxAreaFactor;

// Offsets of one row of chroma samples, one array per channel.
struct ChromaRow {
    int16_t* red;
    int16_t* green;
    int16_t* blue;
};

// Entries i to count - 1 of a row of offsets, one at a time.
inline void chromaOffsetsFrom(int32_t i, const uint8_t* cb, const uint8_t* cr, int32_t count,
                              ChromaRow row) {
    for (; i < count; ++i) {
        row.red[i] = int16_t(redOffset(cr[i]));
        row.green[i] = int16_t(greenOffset(cb[i], cr[i]));
        row.blue[i] = int16_t(blueOffset(cb[i]));
    }
}

// Pixels x to width - 1 of a row, one at a time, `repeat` pixels per chroma
// sample.
inline void rgbaFromOffsetsFrom(int32_t x, uint8_t* rgba, const uint8_t* y, ChromaRow row,
                                int32_t width, int32_t repeat) {
    for (; x < width; ++x) {
        const int32_t i = x / repeat;
        storePixel(rgba + 4 * x, y[x], row.red[i], row.green[i], row.blue[i]);
    }
}

// Grey pixels x to width - 1 of a row, one at a time.
inline void rgbaFromGreyFrom(int32_t x, uint8_t* rgba, const uint8_t* y, int32_t width) {
    for (; x < width; ++x) rgbFromGrey(y[x], rgba + 4 * x);
}

// An area of columns x rows pixels from planes of samples: luma rows of
// lumaStride bytes; for colour, each row of cb and cr (chromaStride bytes)
// serves repeatY rows and each of its samples repeatX pixels (each at most
// kMaxAreaFactor). The pixels go to rgba, rows rgbaStride bytes apart.
struct SamplePlanes {
    const uint8_t* luma;
    const uint8_t* cb;
    const uint8_t* cr;
    int32_t lumaStride;
    int32_t chromaStride;
    int32_t repeatX;
    int32_t repeatY;
};

// The conversion of such an area, colour or grey; one per instruction set
// (jpeg_kernels.h picks one).
using ConvertArea = void (*)(uint8_t* rgba, int64_t rgbaStride, const SamplePlanes& planes,
                             int32_t columns, int32_t rows);
void colourAreaScalar(uint8_t* rgba, int64_t rgbaStride, const SamplePlanes& planes,
                      int32_t columns, int32_t rows);
void greyAreaScalar(uint8_t* rgba, int64_t rgbaStride, const SamplePlanes& planes, int32_t columns,
                    int32_t rows);

// The loop over the rows of a colour area that every kernel shares: each
// chroma row's offsets worked out once, by
// chromaOffsets(cb, cr, count, offsets), then every row through
// rowFromOffsets(rgbaRow, lumaRow, offsets).
template <class ChromaOffsets, class RowFromOffsets>
inline void colourAreaRows(uint8_t* rgba, int64_t rgbaStride, const SamplePlanes& planes,
                           int32_t columns, int32_t rows, ChromaOffsets chromaOffsets,
                           RowFromOffsets rowFromOffsets) {
    int16_t red[kMaxChromaRowSamples], green[kMaxChromaRowSamples], blue[kMaxChromaRowSamples];
    const ChromaRow offsets{red, green, blue};
    const int32_t samples = (columns + planes.repeatX - 1) / planes.repeatX;
    for (int32_t row = 0; row < rows; ++row) {
        if (row % planes.repeatY == 0) {
            const int32_t chromaRow = row / planes.repeatY;
            chromaOffsets(planes.cb + chromaRow * planes.chromaStride,
                          planes.cr + chromaRow * planes.chromaStride, samples, offsets);
        }
        rowFromOffsets(rgba + row * rgbaStride, planes.luma + row * planes.lumaStride, offsets);
    }
}
