// Colour conversion sixteen pixels at a time with AVX2, for frames whose
// chroma samples each serve one or two pixels of a row; the others, and the
// chroma offsets, as with SSE2. The build compiles this file alone with AVX2
// enabled; the decoder picks it only on a CPU that runs AVX2. The arithmetic
// is the SSE2 row's (jpeg_colour_sse2.cpp), on twice the lanes: luma plus
// each channel's offset in 16 bits, clamped to 0..255 by the saturating
// pack.
#include <immintrin.h>

#include <cstdint>
#include <type_traits>

#include "jpeg/jpeg_colour.h"
#include "jpeg/jpeg_colour_x86.h"

namespace {

// Sixteen offsets for pixels x to x + 15, each repeated kRepeat times.
template <int32_t kRepeat>
inline __m256i offsetsAt(const int16_t* o, int32_t x) {
    if (kRepeat == 1) return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(o + x));
    const __m128i eight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(o + x / 2));
    return _mm256_set_m128i(_mm_unpackhi_epi16(eight, eight), _mm_unpacklo_epi16(eight, eight));
}

template <int32_t kRepeat>
void rowFromOffsets(uint8_t* rgba, const uint8_t* y, ChromaRow row, int32_t width) {
    const __m256i opaque = _mm256_set1_epi16(255);
    int32_t x = 0;
    for (; x + 16 <= width; x += 16) {
        const __m256i luma =
            _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(y + x)));
        const __m256i r = _mm256_add_epi16(luma, offsetsAt<kRepeat>(row.red, x));
        const __m256i g = _mm256_add_epi16(luma, offsetsAt<kRepeat>(row.green, x));
        const __m256i b = _mm256_add_epi16(luma, offsetsAt<kRepeat>(row.blue, x));
        // Packs and unpacks work within each 128-bit half: the low half
        // carries pixels 0..7, the high half 8..15.
        const __m256i rg = _mm256_packus_epi16(r, g);       // r0..7 g0..7 | r8..15 g8..15
        const __m256i ba = _mm256_packus_epi16(b, opaque);  // b0..7 255.. | b8..15 255..
        const __m256i rgPairs = _mm256_unpacklo_epi8(rg, _mm256_srli_si256(rg, 8));
        const __m256i baPairs = _mm256_unpacklo_epi8(ba, _mm256_srli_si256(ba, 8));
        const __m256i low = _mm256_unpacklo_epi16(rgPairs, baPairs);   // pixels 0..3 | 8..11
        const __m256i high = _mm256_unpackhi_epi16(rgPairs, baPairs);  // pixels 4..7 | 12..15
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(rgba + 4 * x),
                            _mm256_permute2x128_si256(low, high, 0x20));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(rgba + 4 * x + 32),
                            _mm256_permute2x128_si256(low, high, 0x31));
    }
    if (x < width) {
        const int32_t i = x / kRepeat;
        rgbaFromOffsetsSse2(rgba + 4 * x, y + x,
                            ChromaRow{row.red + i, row.green + i, row.blue + i}, width - x,
                            kRepeat);
    }
}

}  // namespace

void colourAreaAvx2(uint8_t* rgba, int64_t rgbaStride, const SamplePlanes& planes, int32_t columns,
                    int32_t rows) {
    auto convert = [&](auto repeat) {
        colourAreaRows(rgba, rgbaStride, planes, columns, rows, chromaOffsetsSse2,
                       [&](uint8_t* out, const uint8_t* luma, ChromaRow offsets) {
                           rowFromOffsets<decltype(repeat)::value>(out, luma, offsets, columns);
                       });
    };
    if (planes.repeatX == 1) {
        convert(std::integral_constant<int32_t, 1>{});
    } else if (planes.repeatX == 2) {
        convert(std::integral_constant<int32_t, 2>{});
    } else {
        colourAreaSse2(rgba, rgbaStride, planes, columns, rows);
    }
}
