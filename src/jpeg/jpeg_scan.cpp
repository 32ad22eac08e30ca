// The scan decoder: Huffman-coded blocks -> dequantised, transformed blocks
// -> each MCU's samples in planes, one per component -> the MCU's RGBA
// pixels, converted as soon as its blocks are decoded.
#include "jpeg/jpeg_scan.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "jpeg/jpeg_bit_reader.h"
#include "jpeg/jpeg_colour.h"
#include "jpeg/jpeg_huffman.h"
#include "jpeg/jpeg_idct.h"
#include "jpeg/jpeg_kernels.h"
#include "jpeg/jpeg_markers.h"
#include "jpeg/jpeg_record.h"

namespace {

// Natural position (row * 8 + column) -> index in the zigzag sequence.
constexpr int32_t zigzagIndex[64] = {
    0,  1,  5,  6,  14, 15, 27, 28,  //
    2,  4,  7,  13, 16, 26, 29, 42,  //
    3,  8,  12, 17, 25, 30, 41, 43,  //
    9,  11, 18, 24, 31, 40, 44, 53,  //
    10, 19, 23, 32, 39, 45, 52, 54,  //
    20, 22, 33, 38, 46, 51, 55, 60,  //
    21, 34, 37, 47, 50, 56, 59, 61,  //
    35, 36, 48, 49, 57, 58, 62, 63,
};

// cos(k*pi/16)*sqrt(2) for k >= 1, 1 for k = 0, in single precision.
constexpr float aanScale[8] = {1.0f, 1.3870399f,  1.306563f,  1.1758755f,
                               1.0f, 0.78569496f, 0.5411961f, 0.27589938f};

// Samples the scan never writes (the channels a two-component frame lacks,
// its alpha, the chroma of pixels a component does not cover, a truncated
// scan's remaining MCUs) count as this value. Mid grey: a truncated photo
// then ends in grey, not in colour noise.
constexpr uint8_t unwrittenSampleValue = 0x80;

// Float to int32 truncating toward zero; values outside the range saturate
// (and NaN gives 0) instead of being undefined.
inline int32_t truncateToInt(double v) {
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    if (!(v == v)) return 0;
    return int32_t(v);
}

struct ScanComponent {
    const HuffmanTable* dcTable;
    const HuffmanTable* acTable;
    const HuffmanLookup* dcLookup;
    const HuffmanLookup* acLookup;
    double quant[64];  // the quantisation table in natural order
    int32_t repeatX;
    int32_t repeatY;
};

// Natural position of each zigzag index: the inverse of zigzagIndex, built
// at compile time.
struct NaturalOrder {
    int32_t index[64] = {};
    constexpr NaturalOrder() {
        for (int32_t n = 0; n < 64; ++n) index[zigzagIndex[n]] = n;
    }
};
constexpr NaturalOrder natural;

// Per natural position n: the AAN prescale factors of its column and row as
// doubles, and the bits it adds to a block's extent (bit u: column u below
// the first row; bit 8: past the first column).
struct PositionTables {
    double columnScale[64] = {};
    double rowScale[64] = {};
    uint32_t extent[64] = {};
    constexpr PositionTables() {
        for (int32_t n = 0; n < 64; ++n) {
            columnScale[n] = double(aanScale[n & 7]);
            rowScale[n] = double(aanScale[n >> 3]);
            extent[n] = (n >= 8 ? 1u << (n & 7) : 0u) | ((n & 7) != 0 ? 0x100u : 0u);
        }
    }
};
constexpr PositionTables positions;

// Sets the 64 floats to +0.0, four at a time (the string store that
// compilers like to pick for a plain loop costs more at this size).
inline void clearBlock(float* block) {
    struct Four {
        float v[4];
    };
    const Four zero{};
    for (int32_t n = 0; n < 64; n += 4) std::memcpy(block + n, &zero, sizeof zero);
}

// Dequantise and fold in the AAN prescale: one multiplication chain per
// coefficient, in this order, rounded to float once.
inline float dequantize(const ScanComponent& sc, int32_t n, double coefficient) {
    return float(((sc.quant[n] * coefficient) * positions.columnScale[n]) * positions.rowScale[n]);
}

// The DC difference against the component's predictor, then AC run/size
// pairs, each value dequantised into block at its natural position as it is
// decoded. Positions without a value stay +0.0, which is also what the
// multiplication chain gives for a zero coefficient (every factor is
// non-negative). coefficients[0] holds the DC value as stored. Returns where
// the block holds values, for the inverse DCT's shortcuts.
BlockExtent decodeBlock(int32_t c, const ScanComponent& sc, BitCursor& cursor) {
    JpegDecoder& d = jpegDecoder;
    float* block = d.block;
    clearBlock(block);
    int32_t raw;
    const int32_t dcSize = decodeSymbol(cursor, *sc.dcTable, *sc.dcLookup, raw) & 0x0F;
    // The predictor is read after the bits: a restart marker met on the way
    // has zeroed it. In 64 bits so that a long run of large differences
    // cannot overflow; the predictor saturates instead.
    d.coefficients[0] = float(int64_t(d.dcPredictors[c]) + extendSign(raw, dcSize));
    d.dcPredictors[c] = truncateToInt(d.coefficients[0]);
    block[0] = dequantize(sc, 0, d.coefficients[0]);

    uint32_t extent = 0;
    auto put = [&](int32_t k, int32_t value) {
        const int32_t n = natural.index[k];
        block[n] = dequantize(sc, n, double(value));
        extent |= positions.extent[n];
    };
    int32_t k = 1;
    while (k < 64) {
        // Most coefficients are small: code and value in the first bits,
        // read in one step.
        if (cursor.count >= kLookupBits) {
            const HuffmanLookup::Coefficient coefficient =
                sc.acLookup->coefficients[cursor.peek() >> (32 - kLookupBits)];
            if (coefficient.length != 0) {
                cursor.skip(coefficient.length);
                k += coefficient.run;
                if (k > 63) break;
                put(k++, coefficient.value);
                continue;
            }
        }
        const int32_t symbol = decodeSymbol(cursor, *sc.acTable, *sc.acLookup, raw);
        if (symbol == 0) break;  // end of block: the rest stays 0
        k += (symbol >> 4) & 0x0F;
        // A corrupt run past the last position: the rest of the block is
        // zero and the value's bits, already read, are dropped.
        if (k > 63) break;
        // A size of 0 is a value of 0; any other size gives a value that
        // is not.
        const int32_t size = symbol & 0x0F;
        if (size != 0) put(k, extendSign(raw, size));
        ++k;
    }
    return BlockExtent{extent & 0xFF, (extent & 0x100) != 0};
}

// One MCU's samples, a plane per component (Vc * 8 rows of Hc * 8). A
// component whose samples land in the image has factors no larger than
// component 0's.
constexpr int32_t kMaxMcuSide = 8 * kMaxSamplingFactor;
struct McuSamples {
    uint8_t planes[kMaxComponents][kMaxMcuSide * kMaxMcuSide];
};

// Whether the MCUs' areas go to the colour kernel: three components, the
// two chroma ones alike, with factors that divide component 0's, all at
// most what the kernels take (kMaxAreaFactor).
bool mcusFitColourKernel() {
    const JpegDecoder& d = jpegDecoder;
    const ComponentInfo* c = d.components;
    return d.componentCount == 3 && c[0].h <= kMaxAreaFactor && c[0].v <= kMaxAreaFactor &&
           c[1].h == c[2].h && c[1].v == c[2].v && c[0].h % c[1].h == 0 && c[0].v % c[1].v == 0;
}

// For MCUs converted pixel by pixel: where component c's sample for each
// column and row of the MCU lies in its plane, -1 where it has none. A
// sample of component c serves repeatX x repeatY pixels from the MCU's
// top-left corner on, so it covers Hc * 8 * repeatX by Vc * 8 * repeatY
// pixels, which may be less than the MCU (factors that do not divide
// component 0's) or nothing (larger ones).
struct SampleMap {
    int32_t column[kMaxComponents][kMaxMcuSide];
    int32_t row[kMaxComponents][kMaxMcuSide];
};

void mapSamples(const ScanComponent* scan, SampleMap& map) {
    const JpegDecoder& d = jpegDecoder;
    for (int32_t c = 0; c < d.componentCount; ++c) {
        const ComponentInfo& info = d.components[c];
        const int32_t rx = scan[c].repeatX, ry = scan[c].repeatY;
        const bool lands = rx > 0 && ry > 0;
        for (int32_t i = 0; i < kMaxMcuSide; ++i) {
            map.column[c][i] = lands && i < 8 * info.h * rx ? i / rx : -1;
            map.row[c][i] = lands && i < 8 * info.v * ry ? (i / ry) * 8 * info.h : -1;
        }
    }
}

// A pixel from its component samples: grey, YCbCr, or for two components
// the samples as they are, with what is missing unwritten.
void pixelFromSamples(const uint8_t* s, uint8_t* rgba) {
    switch (jpegDecoder.componentCount) {
        case 1:
            rgbFromGrey(s[0], rgba);
            break;
        case 3:
            rgbFromYCbCr(s[0], s[1], s[2], rgba);
            break;
        default:
            rgba[0] = s[0];
            rgba[1] = s[1];
            rgba[2] = s[2];
            rgba[3] = unwrittenSampleValue;
            break;
    }
}

// The finished MCU's pixels inside the image, in RGBA: grey and the usual
// colour frames by the kernels, the rest pixel by pixel.
void convertMcu(const McuSamples& mcu, const ScanComponent* scan, const SampleMap& map,
                int32_t mcuX, int32_t mcuY, bool colourKernel) {
    JpegDecoder& d = jpegDecoder;
    const int32_t lumaStride = 8 * d.components[0].h;
    const int32_t columns = std::min(lumaStride, d.width - mcuX);
    const int32_t rows = std::min(8 * d.components[0].v, d.height - mcuY);
    const int64_t rgbaStride = int64_t(d.width) * 4;
    uint8_t* out = d.pixels + (int64_t(mcuY) * d.width + mcuX) * 4;
    if (d.componentCount == 1) {
        const SamplePlanes planes{mcu.planes[0], nullptr, nullptr, lumaStride, 0, 1, 1};
        return jpegKernels.convertGreyToRgb(out, rgbaStride, planes, columns, rows);
    }
    if (colourKernel) {
        const SamplePlanes planes{mcu.planes[0],  mcu.planes[1],         mcu.planes[2],
                                  lumaStride,     8 * d.components[1].h, scan[1].repeatX,
                                  scan[1].repeatY};
        return jpegKernels.convertYCbCrToRgb(out, rgbaStride, planes, columns, rows);
    }
    for (int32_t y = 0; y < rows; ++y) {
        for (int32_t x = 0; x < columns; ++x) {
            uint8_t s[kMaxComponents] = {unwrittenSampleValue, unwrittenSampleValue,
                                         unwrittenSampleValue};
            for (int32_t c = 0; c < d.componentCount; ++c) {
                const int32_t column = map.column[c][x], row = map.row[c][y];
                if (column >= 0 && row >= 0) s[c] = mcu.planes[c][row + column];
            }
            pixelFromSamples(s, out + y * rgbaStride + 4 * x);
        }
    }
}

// A scan cut short: from the MCU at (mcuX, mcuY) on, the pixels are what
// samples of unwrittenSampleValue convert to.
void fillUndecoded(int32_t mcuX, int32_t mcuY) {
    JpegDecoder& d = jpegDecoder;
    uint8_t pixel[4];
    const uint8_t unwritten[kMaxComponents] = {unwrittenSampleValue, unwrittenSampleValue,
                                               unwrittenSampleValue};
    pixelFromSamples(unwritten, pixel);
    const int32_t mcuBottom = std::min(mcuY + 8 * d.components[0].v, d.height);
    for (int32_t y = mcuY; y < d.height; ++y) {
        uint8_t* p = d.pixels + int64_t(y) * d.width * 4;
        for (int32_t x = y < mcuBottom ? mcuX : 0; x < d.width; ++x)
            std::memcpy(p + 4 * x, pixel, 4);
    }
}

void prepareScanComponents(ScanComponent* scan, HuffmanLookup* dcLookups,
                           HuffmanLookup* acLookups) {
    JpegDecoder& d = jpegDecoder;
    bool built[2][kTableCount] = {};
    for (int32_t c = 0; c < d.componentCount; ++c) {
        const ComponentInfo& info = d.components[c];
        ScanComponent& sc = scan[c];
        sc.dcTable = &d.dcTables[info.dcTable];
        sc.acTable = &d.acTables[info.acTable];
        sc.dcLookup = &dcLookups[info.dcTable];
        sc.acLookup = &acLookups[info.acTable];
        if (!built[0][info.dcTable]) buildHuffmanLookup(*sc.dcTable, dcLookups[info.dcTable]);
        if (!built[1][info.acTable]) buildHuffmanLookup(*sc.acTable, acLookups[info.acTable]);
        built[0][info.dcTable] = built[1][info.acTable] = true;
        for (int32_t n = 0; n < 64; ++n)
            sc.quant[n] = d.quantTables[info.quantTable][zigzagIndex[n]];
        if (c == 0) {
            sc.repeatX = 1;
            sc.repeatY = 1;
        } else {
            // Three components as JFIF has them; a second component of a
            // two-component frame is replicated the same way.
            sc.repeatX = d.components[0].h / info.h;
            sc.repeatY = d.components[0].v / info.v;
        }
    }
}

}  // namespace

void decodeScan() {
    JpegDecoder& d = jpegDecoder;
    // Sampling factors of 0, table selectors above 3 or component counts
    // the record cannot hold would hang or index outside the record.
    if (!frameIsDecodable()) return;

    ScanComponent scan[kMaxComponents];
    HuffmanLookup dcLookups[kTableCount];
    HuffmanLookup acLookups[kTableCount];
    prepareScanComponents(scan, dcLookups, acLookups);
    d.dcPredictors[0] = 0;
    d.dcPredictors[1] = 0;
    d.dcPredictors[2] = 0;

    const bool colourKernel = mcusFitColourKernel();
    SampleMap map;
    mapSamples(scan, map);
    McuSamples mcu;
    BitCursor cursor;
    cursor.load();
    const int32_t mcuWidth = 8 * d.components[0].h;
    const int32_t mcuHeight = 8 * d.components[0].v;
    for (int32_t mcuY = 0; mcuY < d.height; mcuY += mcuHeight) {
        if (d.restartInterval != 0) cursor.dropPartialByte();
        for (int32_t mcuX = 0; mcuX < d.width; mcuX += mcuWidth) {
            // Once the input has run out, the remaining MCUs would only be
            // decoded from the zero bytes read past the end: stop instead.
            if (d.exhausted) return fillUndecoded(mcuX, mcuY);
            for (int32_t c = 0; c < d.componentCount; ++c) {
                const ComponentInfo& info = d.components[c];
                const ScanComponent& sc = scan[c];
                for (int32_t by = 0; by < info.v; ++by) {
                    for (int32_t bx = 0; bx < info.h; ++bx) {
                        const BlockExtent extent = decodeBlock(c, sc, cursor);
                        // A component whose factors exceed component 0's lands
                        // nowhere: its blocks are read from the stream, but
                        // transforming them would only cost time (up to four
                        // million such blocks fit in 1 MiB).
                        if (sc.repeatX <= 0 || sc.repeatY <= 0) continue;
                        const int32_t stride = 8 * info.h;
                        inverseDctToSamples(extent, mcu.planes[c] + 8 * (by * stride + bx), stride,
                                            jpegKernels.fullTransformToSamples);
                    }
                }
            }
            convertMcu(mcu, scan, map, mcuX, mcuY, colourKernel);
        }
    }
    cursor.store();
}
