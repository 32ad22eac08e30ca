// The scan decoder: Huffman-coded blocks -> dequantised, transformed blocks
// -> samples placed into the RGBA array, subsampled components replicated.
#include <cstdint>

#include "jpeg/jpeg_bit_reader.h"
#include "jpeg/jpeg_internal.h"

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

// Zigzag positions of the coefficients a block's stream gave a value other
// than 0, DC always first: only these need the multiplication chain.
struct NonZero {
    int32_t count;
    int32_t zigzag[64];
};

// DC difference against the component's predictor, then AC run/size pairs,
// into coefficients (zigzag order).
void decodeBlockCoefficients(int32_t c, const ScanComponent& sc, NonZero& nonZero) {
    JpegDecoder& d = jpegDecoder;
    float* coefficients = d.coefficients;
    for (int32_t k = 1; k < 64; ++k) coefficients[k] = 0.0f;

    int32_t size = decodeHuffman(*sc.dcTable) & 0x0F;
    int32_t diff = extendSign(readBits(size), size);
    // In 64 bits so that a long run of large differences cannot overflow;
    // the predictor saturates instead.
    coefficients[0] = float(int64_t(d.dcPredictors[c]) + diff);
    d.dcPredictors[c] = truncateToInt(coefficients[0]);
    nonZero.zigzag[0] = 0;
    nonZero.count = 1;

    int32_t k = 1;
    while (k < 64) {
        int32_t symbol = decodeHuffman(*sc.acTable);
        if (symbol == 0) break;  // end of block: the rest stays 0
        int32_t run = (symbol >> 4) & 0x0F;
        size = symbol & 0x0F;
        k += run;
        if (k > 63) {
            // A corrupt run past the last position: the rest of the block is
            // zero and the value's bits are read and dropped.
            readBits(size);
            break;
        }
        int32_t value = extendSign(readBits(size), size);
        if (value != 0) {
            coefficients[k] = float(value);
            nonZero.zigzag[nonZero.count++] = k;
        }
        ++k;
    }
}

// Dequantise, reorder to natural order and fold in the AAN prescale: one
// multiplication chain per coefficient, rounded to float once. A zero
// coefficient gives +0.0 whatever the factors (all are non-negative), so
// only the others are multiplied.
void dequantizeBlock(const ScanComponent& sc, const NonZero& nonZero) {
    JpegDecoder& d = jpegDecoder;
    for (float& b : d.block) b = 0.0f;
    for (int32_t i = 0; i < nonZero.count; ++i) {
        const int32_t z = nonZero.zigzag[i];
        const int32_t n = natural.index[z];
        const double c = d.coefficients[z];
        d.block[n] =
            float(((sc.quant[n] * c) * double(aanScale[n & 7])) * double(aanScale[n >> 3]));
    }
}

// B[n] holds eight times the level-shifted sample: truncate, divide by 8 with
// an arithmetic shift, re-centre and clamp. Outside +-2048 the clamp decides
// alone, which also keeps the conversion defined for any value.
uint8_t sampleFromValue(float value) {
    int32_t t;
    if (value >= 2048.0f) {
        t = 2048;
    } else if (value > -2048.0f) {
        t = int32_t(value);
    } else {
        t = -2048;  // also NaN
    }
    int32_t s = (t >> 3) + 128;
    return uint8_t(s < 0 ? 0 : (s > 255 ? 255 : s));
}

// Writes the transformed block as component c's byte of every pixel its
// samples cover; pixels outside the image are skipped.
void placeBlock(int32_t c, const ScanComponent& sc, int32_t originX, int32_t originY) {
    JpegDecoder& d = jpegDecoder;
    const int32_t rx = sc.repeatX;
    const int32_t ry = sc.repeatY;
    if (rx <= 0 || ry <= 0) return;
    const int32_t width = d.width;
    const int32_t height = d.height;
    uint8_t* pixels = d.pixels + c;

    uint8_t samples[64];
    for (int32_t n = 0; n < 64; ++n) samples[n] = sampleFromValue(d.block[n]);

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

void prepareScanComponents(ScanComponent* scan) {
    JpegDecoder& d = jpegDecoder;
    for (int32_t c = 0; c < d.componentCount; ++c) {
        const ComponentInfo& info = d.components[c];
        ScanComponent& sc = scan[c];
        sc.dcTable = &d.dcTables[info.dcTable];
        sc.acTable = &d.acTables[info.acTable];
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

    ScanComponent scan[3];
    prepareScanComponents(scan);
    d.dcPredictors[0] = 0;
    d.dcPredictors[1] = 0;
    d.dcPredictors[2] = 0;

    const int32_t mcuWidth = 8 * d.components[0].h;
    const int32_t mcuHeight = 8 * d.components[0].v;
    for (int32_t mcuY = 0; mcuY < d.height; mcuY += mcuHeight) {
        if (d.restartInterval != 0) d.bitPosition = 0;
        for (int32_t mcuX = 0; mcuX < d.width; mcuX += mcuWidth) {
            // Once the input has run out, the remaining MCUs would only be
            // decoded from the zero bytes read past the end: stop instead.
            if (d.exhausted) return;
            for (int32_t c = 0; c < d.componentCount; ++c) {
                const ComponentInfo& info = d.components[c];
                const ScanComponent& sc = scan[c];
                for (int32_t by = 0; by < info.v; ++by) {
                    for (int32_t bx = 0; bx < info.h; ++bx) {
                        NonZero nonZero;
                        decodeBlockCoefficients(c, sc, nonZero);
                        // A component whose factors exceed component 0's lands
                        // nowhere: its blocks are read from the stream, but
                        // transforming them would only cost time (up to four
                        // million such blocks fit in 1 MiB).
                        if (sc.repeatX <= 0 || sc.repeatY <= 0) continue;
                        dequantizeBlock(sc, nonZero);
                        inverseDct();
                        placeBlock(c, sc, mcuX + 8 * bx * sc.repeatX, mcuY + 8 * by * sc.repeatY);
                    }
                }
            }
        }
    }
}
