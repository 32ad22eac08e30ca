// The scan decoder: Huffman-coded blocks -> dequantised, transformed blocks
// -> samples placed into the RGBA array, subsampled components replicated;
// or, for the frames scanConvertsEachMcu names, each MCU's samples turned
// into finished RGBA pixels as soon as its blocks are decoded.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "jpeg/jpeg_bit_reader.h"
#include "jpeg/jpeg_internal.h"
#include "jpeg/jpeg_simd.h"

namespace {

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

// Sets the 64 floats to +0.0 with plain stores (the string store that
// compilers like to pick for this costs more at this size).
inline void clearBlock(float* block) {
#if CQ_JPEG_SSE2
    const __m128 zero = _mm_setzero_ps();
    for (int32_t n = 0; n < 64; n += 4) _mm_storeu_ps(block + n, zero);
#else
    for (int32_t n = 0; n < 64; ++n) block[n] = 0.0f;
#endif
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

// Writes the samples as component c's byte of every pixel they cover;
// pixels outside the image are skipped.
void placeBlock(int32_t c, const ScanComponent& sc, const uint8_t* samples, int32_t originX,
                int32_t originY) {
    JpegDecoder& d = jpegDecoder;
    const int32_t rx = sc.repeatX;
    const int32_t ry = sc.repeatY;
    const int32_t width = d.width;
    const int32_t height = d.height;
    uint8_t* pixels = d.pixels + c;

    if (originX + 8 * rx <= width && originY + 8 * ry <= height) {
        // The whole block lies inside the image: no per-pixel tests.
        for (int32_t row = 0; row < 8; ++row) {
            for (int32_t dy = 0; dy < ry; ++dy) {
                const int32_t y = originY + row * ry + dy;
                uint8_t* line = pixels + (int64_t(y) * width + originX) * 4;
                const uint8_t* src = samples + 8 * row;
                if (rx == 1) {
                    for (int32_t col = 0; col < 8; ++col) line[col * 4] = src[col];
                } else if (rx == 2) {
                    for (int32_t col = 0; col < 8; ++col)
                        line[col * 8] = line[col * 8 + 4] = src[col];
                } else {
                    for (int32_t col = 0; col < 8; ++col) {
                        for (int32_t dx = 0; dx < rx; ++dx) line[(col * rx + dx) * 4] = src[col];
                    }
                }
            }
        }
        return;
    }
    for (int32_t row = 0; row < 8; ++row) {
        for (int32_t col = 0; col < 8; ++col) {
            const uint8_t s = samples[8 * row + col];
            for (int32_t dy = 0; dy < ry; ++dy) {
                const int32_t y = originY + row * ry + dy;
                if (y >= height) continue;
                for (int32_t dx = 0; dx < rx; ++dx) {
                    const int32_t x = originX + col * rx + dx;
                    if (x < width) pixels[(int64_t(y) * width + x) * 4] = s;
                }
            }
        }
    }
}

// One MCU's samples, a plane per component (Vc * 8 rows of Hc * 8), for
// frames whose MCUs are converted as they are finished.
constexpr int32_t kMaxFactorConvertedPerMcu = 4;
struct McuSamples {
    uint8_t planes[3][kMaxFactorConvertedPerMcu * kMaxFactorConvertedPerMcu * 64];
};

// The finished MCU's pixels inside the image, in RGBA.
void convertMcu(const McuSamples& mcu, const ScanComponent* scan, int32_t mcuX, int32_t mcuY) {
    JpegDecoder& d = jpegDecoder;
    const int32_t lumaStride = 8 * d.components[0].h;
    const int32_t columns = std::min(lumaStride, d.width - mcuX);
    const int32_t rows = std::min(8 * d.components[0].v, d.height - mcuY);
    uint8_t* out = d.pixels + (int64_t(mcuY) * d.width + mcuX) * 4;
    SamplePlanes planes{mcu.planes[0], nullptr, nullptr, lumaStride, 0, 1, 1};
    if (d.componentCount == 3) {
        planes.cb = mcu.planes[1];
        planes.cr = mcu.planes[2];
        planes.chromaStride = 8 * d.components[1].h;
        planes.repeatX = scan[1].repeatX;
        planes.repeatY = scan[1].repeatY;
    }
    rgbaFromPlanes(out, int64_t(d.width) * 4, planes, columns, rows);
}

// A scan cut short: from the MCU at (mcuX, mcuY) on, the pixels are what
// samples of unwrittenSampleValue convert to.
void fillUndecoded(int32_t mcuX, int32_t mcuY) {
    JpegDecoder& d = jpegDecoder;
    uint8_t pixel[4];
    const uint8_t v = unwrittenSampleValue;
    if (d.componentCount == 1) {
        rgbaRowFromGrey(pixel, &v, 1);
    } else {
        rgbFromYCbCr(v, v, v, pixel);
    }
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
    bool built[2][4] = {};
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

bool scanConvertsEachMcu() {
    const JpegDecoder& d = jpegDecoder;
    if (!frameIsDecodable()) return false;
    const ComponentInfo* c = d.components;
    auto small = [](const ComponentInfo& ci) {
        return ci.h <= kMaxFactorConvertedPerMcu && ci.v <= kMaxFactorConvertedPerMcu;
    };
    if (d.componentCount == 1) return small(c[0]);
    return d.componentCount == 3 && small(c[0]) && c[1].h == c[2].h && c[1].v == c[2].v &&
           c[0].h % c[1].h == 0 && c[0].v % c[1].v == 0;
}

void decodeScan() {
    JpegDecoder& d = jpegDecoder;
    // Sampling factors of 0, table selectors above 3 or component counts
    // the record cannot hold would hang or index outside the record.
    if (!frameIsDecodable()) return;

    ScanComponent scan[3];
    HuffmanLookup dcLookups[4];
    HuffmanLookup acLookups[4];
    prepareScanComponents(scan, dcLookups, acLookups);
    d.dcPredictors[0] = 0;
    d.dcPredictors[1] = 0;
    d.dcPredictors[2] = 0;

    const bool convertEachMcu = scanConvertsEachMcu();
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
            if (d.exhausted) {
                if (convertEachMcu) fillUndecoded(mcuX, mcuY);
                return;
            }
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
                        if (convertEachMcu) {
                            // Straight into the MCU's plane.
                            const int32_t stride = 8 * info.h;
                            inverseDctToSamples(extent, mcu.planes[c] + 8 * (by * stride + bx),
                                                stride);
                        } else {
                            uint8_t samples[64];
                            inverseDctToSamples(extent, samples, 8);
                            placeBlock(c, sc, samples, mcuX + 8 * bx * sc.repeatX,
                                       mcuY + 8 * by * sc.repeatY);
                        }
                    }
                }
            }
            if (convertEachMcu) convertMcu(mcu, scan, mcuX, mcuY);
        }
    }
    cursor.store();
}
