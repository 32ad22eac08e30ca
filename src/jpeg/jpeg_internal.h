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
    float block[64];         // natural order, the inverse DCT works in place
    float coefficients[64];  // zigzag order, as decoded

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

void decodeScan();
void inverseDct();
void convertGreyToRgb();
void convertYCbCrToRgb();
