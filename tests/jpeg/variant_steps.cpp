// Replaces one step of the decoder with a near-miss variant (variants.h) for
// the sensitivity tests; exactly one CQ_VARIANT_* is defined per build.
#include <cstdint>

#include "jpeg/jpeg_decoder.h"
#include "variants.h"

#if defined(CQ_VARIANT_IDCT_ROWS_FIRST)
void inverseDct() { jpegtest::idctRowsFirst(jpegDecoder.block); }
#elif defined(CQ_VARIANT_IDCT_ROUNDED_PARTIALS)
void inverseDct() { jpegtest::idctRoundedPartials(jpegDecoder.block); }
#elif defined(CQ_VARIANT_SINGLE_PRECISION_COLOUR)
void convertYCbCrToRgb() {
    uint8_t* p = jpegDecoder.pixels;
    for (int32_t i = 0; i < jpegDecoder.width * jpegDecoder.height * 4; i += 4)
        jpegtest::ycbcrSinglePrecision(p + i, p + i);
}
void convertGreyToRgb() {
    uint8_t* p = jpegDecoder.pixels;
    for (int32_t i = 0; i < jpegDecoder.width * jpegDecoder.height * 4; i += 4) {
        p[i + 1] = p[i + 2] = p[i];
        p[i + 3] = 255;
    }
}
#endif
