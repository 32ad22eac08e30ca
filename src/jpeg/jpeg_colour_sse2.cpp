// Colour conversion eight pixels at a time with SSE2: the chroma offsets in
// the fixed-point scheme of jpeg_colour.h, and luma plus offsets in 16-bit
// lanes, clamped to 0..255 by the saturating pack.
#include <emmintrin.h>

#include <cstdint>
#include <type_traits>

#include "jpeg/jpeg_colour.h"
#include "jpeg/jpeg_colour_x86.h"

namespace {

// Red and blue as the high half of a 16-bit product: the chroma value
// shifted up so that the half drops exactly kRedBlueBits bits.
constexpr int32_t kRedBlueShift = 16 - kRedBlueBits;
static_assert(kRedBlueShift >= 0 && (127 << kRedBlueShift) < 32768 && kRedFromCr < 32768 &&
                  kBlueFromCb < 32768,
              "red and blue fit 16-bit lanes");
// Green from two multiply-adds over the (cb, cr) pairs, the factors split at
// bit 11 so that each half fits 16 bits.
constexpr int32_t kGreenSplit = 11;
static_assert((kGreenFromCb >> kGreenSplit) < 32768 && (kGreenFromCr >> kGreenSplit) < 32768,
              "green's high halves fit 16-bit lanes");

// rgbaFromOffsetsSse2 for a repeat known when compiled (0: any other, given
// at run time), so that a whole area's rows inline it.
template <int32_t kRepeat>
inline void rowFromOffsets(uint8_t* rgba, const uint8_t* y, ChromaRow row, int32_t width,
                           int32_t repeat) {
    int32_t x = 0;
    if (kRepeat == 1 || kRepeat == 2) {
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
    rgbaFromOffsetsFrom(x, rgba, y, row, width, kRepeat != 0 ? kRepeat : repeat);
}

void greyRow(uint8_t* rgba, const uint8_t* y, int32_t width) {
    int32_t x = 0;
    // An MCU of one block is eight wide.
    const __m128i opaque = _mm_set1_epi8(char(0xFF));
    for (; x + 8 <= width; x += 8) {
        const __m128i v = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(y + x));
        const __m128i pairs = _mm_unpacklo_epi8(v, v), withAlpha = _mm_unpacklo_epi8(v, opaque);
        __m128i* out = reinterpret_cast<__m128i*>(rgba + 4 * x);
        _mm_storeu_si128(out + 0, _mm_unpacklo_epi16(pairs, withAlpha));
        _mm_storeu_si128(out + 1, _mm_unpackhi_epi16(pairs, withAlpha));
    }
    rgbaFromGreyFrom(x, rgba, y, width);
}

}  // namespace

void chromaOffsetsSse2(const uint8_t* cb, const uint8_t* cr, int32_t count, ChromaRow row) {
    auto pairOf = [](int32_t ofCb, int32_t ofCr) {
        return _mm_set_epi16(int16_t(ofCr), int16_t(ofCb), int16_t(ofCr), int16_t(ofCb),
                             int16_t(ofCr), int16_t(ofCb), int16_t(ofCr), int16_t(ofCb));
    };
    const int32_t low = (1 << kGreenSplit) - 1;
    const __m128i greenHigh =
        pairOf(-(kGreenFromCb >> kGreenSplit), -(kGreenFromCr >> kGreenSplit));
    const __m128i greenLow = pairOf(-(kGreenFromCb & low), -(kGreenFromCr & low));
    const __m128i zero = _mm_setzero_si128(), centre = _mm_set1_epi16(128);
    auto centred = [&](const uint8_t* v) {
        const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(v));
        return _mm_sub_epi16(_mm_unpacklo_epi8(bytes, zero), centre);
    };
    auto green = [&](__m128i pairs) {
        const __m128i high = _mm_slli_epi32(_mm_madd_epi16(pairs, greenHigh), kGreenSplit);
        return _mm_srai_epi32(_mm_add_epi32(high, _mm_madd_epi16(pairs, greenLow)), kGreenBits);
    };
    int32_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m128i b = centred(cb + i), r = centred(cr + i);
        const __m128i red =
            _mm_mulhi_epi16(_mm_slli_epi16(r, kRedBlueShift), _mm_set1_epi16(int16_t(kRedFromCr)));
        const __m128i blue =
            _mm_mulhi_epi16(_mm_slli_epi16(b, kRedBlueShift), _mm_set1_epi16(int16_t(kBlueFromCb)));
        const __m128i g =
            _mm_packs_epi32(green(_mm_unpacklo_epi16(b, r)), green(_mm_unpackhi_epi16(b, r)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row.red + i), red);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row.green + i), g);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row.blue + i), blue);
    }
    chromaOffsetsFrom(i, cb, cr, count, row);
}

void rgbaFromOffsetsSse2(uint8_t* rgba, const uint8_t* y, ChromaRow row, int32_t width,
                         int32_t repeat) {
    if (repeat == 1) return rowFromOffsets<1>(rgba, y, row, width, repeat);
    if (repeat == 2) return rowFromOffsets<2>(rgba, y, row, width, repeat);
    rowFromOffsets<0>(rgba, y, row, width, repeat);
}

void colourAreaSse2(uint8_t* rgba, int64_t rgbaStride, const SamplePlanes& planes, int32_t columns,
                    int32_t rows) {
    // Each repeat the MCUs use most with its row loop compiled for it.
    auto convert = [&](auto repeat) {
        colourAreaRows(rgba, rgbaStride, planes, columns, rows, chromaOffsetsSse2,
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

void greyAreaSse2(uint8_t* rgba, int64_t rgbaStride, const SamplePlanes& planes, int32_t columns,
                  int32_t rows) {
    for (int32_t row = 0; row < rows; ++row)
        greyRow(rgba + row * rgbaStride, planes.luma + row * planes.lumaStride, columns);
}
