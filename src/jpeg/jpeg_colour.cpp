// Colour conversion, in place on jpegDecoder.pixels.
#include <cstdint>

#include "jpeg/jpeg_decoder.h"

namespace {

inline uint8_t clampToByte(int32_t v) { return uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v)); }

int32_t arrayByteCount() {
    // The decoder caps the pixel count, so the product fits in 32 bits.
    return jpegDecoder.height * jpegDecoder.width * 4;
}

}  // namespace

void convertYCbCrToRgb() {
    uint8_t* p = jpegDecoder.pixels;
    const int32_t end = arrayByteCount();
    for (int32_t i = 0; i < end; i += 4) {
        // Each input is a small integer, exact as a float; the arithmetic is
        // done in double and truncated toward zero, never rounded.
        const double y = float(p[i]);
        const double cb = float(int32_t(p[i + 1]) - 128);
        const double cr = float(int32_t(p[i + 2]) - 128);
        const int32_t red = int32_t(cr * redFromCr + y);
        const int32_t green = int32_t((y - cb * greenFromCb) - cr * greenFromCr);
        const int32_t blue = int32_t(cb * blueFromCb + y);
        p[i] = clampToByte(red);
        p[i + 1] = clampToByte(green);
        p[i + 2] = clampToByte(blue);
        p[i + 3] = 255;
    }
}

void convertGreyToRgb() {
    uint8_t* p = jpegDecoder.pixels;
    const int32_t end = arrayByteCount();
    for (int32_t i = 0; i < end; i += 4) {
        p[i + 1] = p[i];
        p[i + 2] = p[i];
        p[i + 3] = 255;
    }
}
