#pragma once
// The decoder's insides, shared by its own files only: the one process-wide
// state record, the constant tables and the stages decodeJpeg runs.
#include <cstdint>

#include "jpeg/jpeg_decoder.h"

struct ComponentInfo {
    int32_t id;
    int32_t h;           // horizontal sampling factor
    int32_t v;           // vertical sampling factor
    int32_t quantTable;  // the whole selector byte of the frame header
    int32_t dcTable;
    int32_t acTable;
};

struct HuffmanTable {
    uint8_t counts[16];    // entry i: number of codes of length i + 1
    uint8_t symbols[256];  // in code order
    uint8_t lengths[256];  // 0 past the table's last code
    uint16_t codes[256];   // right-aligned bit patterns, canonical order
};

struct JpegDecoder {
    int32_t position;  // next byte of input to read
    const uint8_t* input;
    int32_t width;
    int32_t height;
    uint8_t* pixels;  // RGBA, width * height * 4, malloc'd per decode
    int32_t precision;
    int32_t componentCount;
    int32_t restartInterval;
    ComponentInfo components[3];
    HuffmanTable acTables[4];
    HuffmanTable dcTables[4];
    int32_t quantTables[4][64];  // zigzag order, as the DQT segment lists them
    int32_t spectralStart;
    int32_t spectralEnd;
    int32_t approxHigh;
    int32_t approxLow;
    int32_t dcPredictors[3];
    int32_t bitPosition;  // bits already taken from currentByte, 0..7
    uint8_t currentByte;
    float block[64];  // natural order, the inverse DCT works in place
    // Zigzag order. The scan keeps only the DC value here, as stored; each
    // AC value goes straight into block, dequantised.
    float coefficients[64];

    // Bounds of the input. Kept after the fields above so that their layout
    // stays the documented one. Every read goes through one bounds check,
    // which never looks at input[size] or beyond: past the end reads yield 0
    // and set `exhausted`, after which the scan stops at the next MCU.
    int32_t size;
    uint8_t exhausted;
};

extern JpegDecoder jpegDecoder;

// Natural position (row * 8 + column) -> index in the zigzag sequence.
inline constexpr int32_t zigzagIndex[64] = {
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
inline constexpr float aanScale[8] = {1.0f, 1.3870399f,  1.306563f,  1.1758755f,
                                      1.0f, 0.78569496f, 0.5411961f, 0.27589938f};

// Inverse DCT constants: the single-precision roundings of the textbook
// values, held as doubles.
constexpr double K1 = 1.41421353816986083984375;  // sqrt(2)
constexpr double K2 = 1.8477590084075927734375;   // 2 cos(pi/8)
constexpr double K3 = 2.6131260395050048828125;   // 2 (cos(pi/8) + cos(3pi/8))
constexpr double K4 = 1.082392215728759765625;    // 2 (cos(pi/8) - cos(3pi/8))

// JFIF YCbCr -> RGB coefficients, single-precision roundings held as doubles.
constexpr double redFromCr = 1.401999950408935546875;
constexpr double greenFromCb = 0.344139993190765380859375;
constexpr double greenFromCr = 0.714139997959136962890625;
constexpr double blueFromCb = 1.77199995517730712890625;

// The first kLookupBits bits of the entropy-coded data -> the symbol and the
// code length that the linear search in code order (decodeHuffman) gives
// for them, wherever it decides within that many bits; built per decode from
// a HuffmanTable and exact for any table, odd ones included.
constexpr int32_t kLookupBits = 9;
struct HuffmanLookup {
    // symbol | length << 8; length 0 where the search reads more bits.
    uint16_t entries[1 << kLookupBits];
    // For the longer codes, the code numbers the search tries at each length
    // (start to end). The first `counting` of them have codes that count up
    // by one from firstCode, as every table a real encoder writes does, so
    // that a match among them is found by a subtraction; the rest (after the
    // longest length, the table's unused entries) are searched.
    struct Range {
        int32_t start;
        int32_t end;
        uint32_t firstCode;
        uint32_t counting;
    } longer[17];
    // For AC tables: where a code and its value bits end within the first
    // kLookupBits bits, the whole of it (value sign-extended, the run, and
    // the bits both take); length 0 elsewhere, and for symbols of size 0.
    struct Coefficient {
        int16_t value;
        uint8_t run;
        uint8_t length;
    } coefficients[1 << kLookupBits];
};
void buildHuffmanLookup(const HuffmanTable& table, HuffmanLookup& lookup);

// Headers up to and including the first scan header; 1 when a scan header
// was read, 0 when parsing stopped for any other reason.
int32_t parseMarkers();

// The parser's byte readers; the bit reader (readBits, decodeHuffman,
// extendSign) is inline in jpeg_bit_reader.h.
int32_t readWord();
int32_t readByte();

// Whether the parsed frame is one the scan decoder can run on without
// hanging or indexing outside the record: one to three components, sampling
// factors 1..15, table selectors 0..3. decodeJpeg delivers any other frame
// of non-zero size as no image, and decodeScan decodes nothing for it.
bool frameIsDecodable();

// Bytes the scan leaves unwritten (a truncated scan's remaining MCUs, the
// channels a two-component image lacks, its alpha) read as this value. Mid
// grey: a truncated photo then ends in grey, not in colour noise.
constexpr uint8_t unwrittenSampleValue = 0x80;

// Whether the scan decoder writes finished RGBA pixels itself, converting
// each MCU as soon as its blocks are decoded: one component, or three whose
// two chroma components share sampling factors that divide component 0's,
// all factors at most 4. Every byte of the array is then written. Other
// frames get their samples placed into the array, and decodeJpeg converts
// them afterwards.
bool scanConvertsEachMcu();

void decodeScan();
// The inverse DCT on jpegDecoder.block: inverseDct takes the build's fast
// path (four lanes where the target has SSE2); inverseDctScalar is the
// transform line by line, which every path matches to the bit.
void inverseDct();
void inverseDctScalar(float* block);

// The instruction sets beyond the build's baseline (SSE2 on x86) that the
// decoder's wider paths may use: those the CPU runs, found once at start-up,
// unless a test narrows them to see that every path gives the same bytes.
struct VectorPaths {
    bool avx;   // the inverse DCT's doubles four to a register
    bool avx2;  // colour conversion sixteen pixels at a time
};
VectorPaths vectorPathsTheCpuRuns();
extern VectorPaths vectorPaths;

// Where a dequantised block holds values other than zero: what the inverse
// DCT may skip, because the full transform would only move zeros and copies
// of one value around there.
struct BlockExtent {
    uint32_t columnsBelowFirstRow;  // bit u: column u has a value in rows 1..7
    bool pastFirstColumn;           // some value lies in columns 1..7
};

// inverseDct on jpegDecoder.block for a block of that extent, then every
// result turned into its sample: truncated toward zero, divided by 8 with an
// arithmetic shift, re-centred on 128 and clamped to 0..255. The samples are
// the same as the full transform's; block is working space afterwards.
// The eight rows of eight samples go to samples, stride bytes apart.
void inverseDctToSamples(BlockExtent extent, uint8_t* samples, int32_t stride);
void convertGreyToRgb();
void convertYCbCrToRgb();

// The colour conversion of one pixel: its stored Y, Cb and Cr -> red, green,
// blue and 255, written to rgba[0..3].
void rgbFromYCbCr(uint8_t y, uint8_t cb, uint8_t cr, uint8_t* rgba);

// The same conversion a row at a time, for the scan decoder: the offsets
// that one row of chroma samples adds to the luma of each channel, then the
// RGBA pixels of a row that uses them, `repeat` pixels per chroma sample.
struct ChromaRow {
    int16_t* red;
    int16_t* green;
    int16_t* blue;
};
void chromaRowOffsets(const uint8_t* cb, const uint8_t* cr, int32_t count, ChromaRow row);
void rgbaRowFromOffsets(uint8_t* rgba, const uint8_t* y, ChromaRow row, int32_t width,
                        int32_t repeat);
void rgbaRowFromGrey(uint8_t* rgba, const uint8_t* y, int32_t width);

// An area of columns x rows pixels from planes of samples, through the row
// functions above: luma rows of lumaStride bytes; without cb (a grey frame)
// the pixels are grey, else each row of cb and cr (chromaStride bytes)
// serves repeatY rows and each of its samples repeatX pixels (at most 4 of
// each). The pixels go to rgba, rows rgbaStride bytes apart.
struct SamplePlanes {
    const uint8_t* luma;
    const uint8_t* cb;
    const uint8_t* cr;
    int32_t lumaStride;
    int32_t chromaStride;
    int32_t repeatX;
    int32_t repeatY;
};
void rgbaFromPlanes(uint8_t* rgba, int64_t rgbaStride, const SamplePlanes& planes,
                    int32_t columns, int32_t rows);

// rgbaFromPlanes' loop over the rows of colour planes: each chroma row's
// offsets worked out once, then every row through
// rowFromOffsets(rgbaRow, lumaRow, offsets). With factors of at most 4 an
// area is at most 32 pixels wide, so a chroma row has at most 32 samples.
template <class RowFromOffsets>
inline void colourAreaRows(uint8_t* rgba, int64_t rgbaStride, const SamplePlanes& planes,
                           int32_t columns, int32_t rows, RowFromOffsets rowFromOffsets) {
    int16_t red[32], green[32], blue[32];
    const ChromaRow offsets{red, green, blue};
    const int32_t samples = (columns + planes.repeatX - 1) / planes.repeatX;
    for (int32_t row = 0; row < rows; ++row) {
        if (row % planes.repeatY == 0) {
            const int32_t chromaRow = row / planes.repeatY;
            chromaRowOffsets(planes.cb + chromaRow * planes.chromaStride,
                             planes.cr + chromaRow * planes.chromaStride, samples, offsets);
        }
        rowFromOffsets(rgba + row * rgbaStride, planes.luma + row * planes.lumaStride, offsets);
    }
}
// The same with AVX2 (jpeg_colour_avx2.cpp), for colour planes whose repeatX
// is 1 or 2, on a CPU that runs AVX2 only.
void rgbaFromPlanesAvx2(uint8_t* rgba, int64_t rgbaStride, const SamplePlanes& planes,
                        int32_t columns, int32_t rows);
