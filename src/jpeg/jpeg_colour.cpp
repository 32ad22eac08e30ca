// Colour conversion, in place on jpegDecoder.pixels.
#include <cstdint>

#include "jpeg/jpeg_internal.h"

namespace {

inline uint8_t clampToByte(int32_t v) { return uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v)); }

int32_t arrayByteCount() {
    // The decoder caps the pixel count, so the product fits in 32 bits.
    return jpegDecoder.height * jpegDecoder.width * 4;
}

// The four products for every stored byte, built at compile time, each the
// same correctly rounded double that the per-pixel multiplication would
// give: only the repetition is saved.
struct ChromaProducts {
    double redOfCr[256] = {};
    double greenOfCb[256] = {};
    double greenOfCr[256] = {};
    double blueOfCb[256] = {};
    constexpr ChromaProducts() {
        for (int32_t v = 0; v < 256; ++v) {
            // Cb and Cr less 128 are small integers, exact as floats.
            const double c = float(v - 128);
            redOfCr[v] = c * redFromCr;
            greenOfCb[v] = c * greenFromCb;
            greenOfCr[v] = c * greenFromCr;
            blueOfCb[v] = c * blueFromCb;
        }
    }
};

constexpr ChromaProducts chroma;

}  // namespace

void convertYCbCrToRgb() {
    uint8_t* p = jpegDecoder.pixels;
    const int32_t end = arrayByteCount();
    for (int32_t i = 0; i < end; i += 4) {
        // Double arithmetic, truncated toward zero, never rounded.
        const double y = float(p[i]);
        const uint8_t cb = p[i + 1];
        const uint8_t cr = p[i + 2];
        const int32_t red = int32_t(chroma.redOfCr[cr] + y);
        const int32_t green = int32_t((y - chroma.greenOfCb[cb]) - chroma.greenOfCr[cr]);
        const int32_t blue = int32_t(chroma.blueOfCb[cb] + y);
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
