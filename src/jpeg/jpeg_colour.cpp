// Colour conversion: in place on jpegDecoder.pixels, or row by row from the
// scan's sample rows.
//
// The conversion per pixel is, in double and truncated toward zero,
//   red   = cr * redFromCr + y
//   green = (y - cb * greenFromCb) - cr * greenFromCr
//   blue  = cb * blueFromCb + y
// with cb and cr less 128, then clamped to 0..255. Truncation and flooring
// differ only below 0, where the clamp makes both 0; and y is a whole number,
// so each channel is y plus a whole offset that depends on the chroma alone:
// floor(cr * redFromCr) for red, floor(cb * blueFromCb) for blue, and for
// green the floor of minus the two products' sum, taken here in fixed point
// with 22 fractional bits. That the double sums never round across a whole
// number, and that 22 bits resolve every sum, is checked for all 2^24 inputs
// by the decoder's tests.
#include <cstdint>
#include <type_traits>

#include "jpeg/jpeg_internal.h"
#include "jpeg/jpeg_simd.h"

namespace {

inline uint8_t clampToByte(int32_t v) { return uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v)); }

int32_t arrayByteCount() {
    // The decoder caps the pixel count, so the product fits in 32 bits.
    return jpegDecoder.height * jpegDecoder.width * 4;
}

constexpr int32_t floorToInt(double v) {
    const int32_t t = int32_t(v);
    return double(t) > v ? t - 1 : t;
}

constexpr int32_t roundToInt(double v) { return int32_t(v + (v < 0 ? -0.5 : 0.5)); }

struct ChromaTables {
    int16_t red[256] = {};
    int16_t blue[256] = {};
    int32_t greenOfCb[256] = {};  // the products in units of 2^-22
    int32_t greenOfCr[256] = {};
    constexpr ChromaTables() {
        for (int32_t v = 0; v < 256; ++v) {
            // Cb and Cr less 128 are small integers, exact as floats.
            const double c = float(v - 128);
            red[v] = int16_t(floorToInt(c * redFromCr));
            blue[v] = int16_t(floorToInt(c * blueFromCb));
            greenOfCb[v] = roundToInt(c * greenFromCb * 4194304.0);
            greenOfCr[v] = roundToInt(c * greenFromCr * 4194304.0);
        }
    }
};

constexpr ChromaTables chroma;

inline int16_t redOffset(uint8_t cr) { return chroma.red[cr]; }
inline int16_t blueOffset(uint8_t cb) { return chroma.blue[cb]; }
inline int16_t greenOffset(uint8_t cb, uint8_t cr) {
    // An arithmetic shift of a negative sum is a floor.
    return int16_t(-(chroma.greenOfCb[cb] + chroma.greenOfCr[cr]) >> 22);
}

inline void storePixel(uint8_t* p, uint8_t y, int32_t red, int32_t green, int32_t blue) {
    p[0] = clampToByte(y + red);
    p[1] = clampToByte(y + green);
    p[2] = clampToByte(y + blue);
    p[3] = 255;
}

}  // namespace

void rgbFromYCbCr(uint8_t y, uint8_t cb, uint8_t cr, uint8_t* rgba) {
    storePixel(rgba, y, redOffset(cr), greenOffset(cb, cr), blueOffset(cb));
}

void convertYCbCrToRgb() {
    uint8_t* p = jpegDecoder.pixels;
    const int32_t end = arrayByteCount();
    for (int32_t i = 0; i < end; i += 4) rgbFromYCbCr(p[i], p[i + 1], p[i + 2], p + i);
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

void chromaRowOffsets(const uint8_t* cb, const uint8_t* cr, int32_t count, ChromaRow row) {
    int32_t i = 0;
#if CQ_JPEG_SSE2
    // Eight samples at a time, the same floors in integer arithmetic: red and
    // blue as the high half of a 16-bit product (chroma times 4 times the
    // factor in units of 2^-14), green in 21-bit fixed point from two
    // multiply-adds over the (cb, cr) pairs, the factors split at bit 11 so
    // that each half fits 16 bits. The decoder's tests hold these against the
    // tables for every input.
    constexpr int16_t redScale = 22970, blueScale = 29032;
    constexpr int32_t greenOfCbScale = 721713, greenOfCrScale = 1497660;
    auto pairOf = [](int32_t ofCb, int32_t ofCr) {
        return _mm_set_epi16(int16_t(ofCr), int16_t(ofCb), int16_t(ofCr), int16_t(ofCb),
                             int16_t(ofCr), int16_t(ofCb), int16_t(ofCr), int16_t(ofCb));
    };
    const __m128i greenHigh = pairOf(-(greenOfCbScale >> 11), -(greenOfCrScale >> 11));
    const __m128i greenLow = pairOf(-(greenOfCbScale & 2047), -(greenOfCrScale & 2047));
    const __m128i zero = _mm_setzero_si128(), centre = _mm_set1_epi16(128);
    auto centred = [&](const uint8_t* v) {
        const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(v));
        return _mm_sub_epi16(_mm_unpacklo_epi8(bytes, zero), centre);
    };
    auto green = [&](__m128i pairs) {
        const __m128i high = _mm_slli_epi32(_mm_madd_epi16(pairs, greenHigh), 11);
        return _mm_srai_epi32(_mm_add_epi32(high, _mm_madd_epi16(pairs, greenLow)), 21);
    };
    for (; i + 8 <= count; i += 8) {
        const __m128i b = centred(cb + i), r = centred(cr + i);
        const __m128i red = _mm_mulhi_epi16(_mm_slli_epi16(r, 2), _mm_set1_epi16(redScale));
        const __m128i blue = _mm_mulhi_epi16(_mm_slli_epi16(b, 2), _mm_set1_epi16(blueScale));
        const __m128i g = _mm_packs_epi32(green(_mm_unpacklo_epi16(b, r)),
                                          green(_mm_unpackhi_epi16(b, r)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row.red + i), red);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row.green + i), g);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row.blue + i), blue);
    }
#endif
    for (; i < count; ++i) {
        row.red[i] = redOffset(cr[i]);
        row.green[i] = greenOffset(cb[i], cr[i]);
        row.blue[i] = blueOffset(cb[i]);
    }
}

namespace {

// rgbaRowFromOffsets for a repeat known when compiled (0: any other, given
// at run time), so that a whole area's rows inline it.
template <int32_t kRepeat>
inline void rowFromOffsets(uint8_t* rgba, const uint8_t* y, ChromaRow row, int32_t width,
                           int32_t repeat) {
    int32_t x = 0;
#if CQ_JPEG_SSE2
    if (kRepeat == 1 || kRepeat == 2) {
        // Eight pixels at a time in 16-bit lanes; the saturating pack is the
        // clamp to 0..255.
        const __m128i zero = _mm_setzero_si128();
        const __m128i opaque = _mm_set1_epi8(char(0xFF));
        auto offsets = [&](const int16_t* o) {
            if (kRepeat == 1) return _mm_loadu_si128(reinterpret_cast<const __m128i*>(o + x));
            const __m128i four = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(o + x / 2));
            return _mm_unpacklo_epi16(four, four);
        };
        for (; x + 8 <= width; x += 8) {
            const __m128i luma =
                _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(y + x)), zero);
            const __m128i r = _mm_packus_epi16(_mm_add_epi16(luma, offsets(row.red)), zero);
            const __m128i g = _mm_packus_epi16(_mm_add_epi16(luma, offsets(row.green)), zero);
            const __m128i b = _mm_packus_epi16(_mm_add_epi16(luma, offsets(row.blue)), zero);
            const __m128i rg = _mm_unpacklo_epi8(r, g);
            const __m128i ba = _mm_unpacklo_epi8(b, opaque);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(rgba + 4 * x), _mm_unpacklo_epi16(rg, ba));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(rgba + 4 * x + 16),
                             _mm_unpackhi_epi16(rg, ba));
        }
    }
#endif
    if (kRepeat != 0) repeat = kRepeat;
    for (; x < width; ++x) {
        const int32_t i = x / repeat;
        storePixel(rgba + 4 * x, y[x], row.red[i], row.green[i], row.blue[i]);
    }
}

}  // namespace

void rgbaRowFromOffsets(uint8_t* rgba, const uint8_t* y, ChromaRow row, int32_t width,
                        int32_t repeat) {
    if (repeat == 1) return rowFromOffsets<1>(rgba, y, row, width, repeat);
    if (repeat == 2) return rowFromOffsets<2>(rgba, y, row, width, repeat);
    rowFromOffsets<0>(rgba, y, row, width, repeat);
}

void rgbaRowFromGrey(uint8_t* rgba, const uint8_t* y, int32_t width) {
    int32_t x = 0;
#if CQ_JPEG_SSE2
    // Eight pixels at a time (an MCU of one block is eight wide).
    const __m128i opaque = _mm_set1_epi8(char(0xFF));
    for (; x + 8 <= width; x += 8) {
        const __m128i v = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(y + x));
        const __m128i pairs = _mm_unpacklo_epi8(v, v), withAlpha = _mm_unpacklo_epi8(v, opaque);
        __m128i* out = reinterpret_cast<__m128i*>(rgba + 4 * x);
        _mm_storeu_si128(out + 0, _mm_unpacklo_epi16(pairs, withAlpha));
        _mm_storeu_si128(out + 1, _mm_unpackhi_epi16(pairs, withAlpha));
    }
#endif
    for (; x < width; ++x) {
        uint8_t* p = rgba + 4 * x;
        p[0] = p[1] = p[2] = y[x];
        p[3] = 255;
    }
}

void rgbaFromPlanes(uint8_t* rgba, int64_t rgbaStride, const SamplePlanes& planes,
                    int32_t columns, int32_t rows) {
    if (!planes.cb) {
        for (int32_t row = 0; row < rows; ++row)
            rgbaRowFromGrey(rgba + row * rgbaStride, planes.luma + row * planes.lumaStride,
                            columns);
        return;
    }
#if CQ_JPEG_AVX
    if (vectorPaths.avx2 && (planes.repeatX == 1 || planes.repeatX == 2))
        return rgbaFromPlanesAvx2(rgba, rgbaStride, planes, columns, rows);
#endif
    // Each repeat the MCUs use most with its row loop compiled for it.
    auto convert = [&](auto repeat) {
        colourAreaRows(rgba, rgbaStride, planes, columns, rows,
                       [&](uint8_t* out, const uint8_t* luma, ChromaRow offsets) {
                           rowFromOffsets<decltype(repeat)::value>(out, luma, offsets, columns,
                                                                   planes.repeatX);
                       });
    };
    if (planes.repeatX == 1) {
        convert(std::integral_constant<int32_t, 1>{});
    } else if (planes.repeatX == 2) {
        convert(std::integral_constant<int32_t, 2>{});
    } else {
        convert(std::integral_constant<int32_t, 0>{});
    }
}
