#pragma once
// The decoder's one process-wide state record, which every stage works on,
// and the limits of what it holds. Every other decoder file builds on this
// one; it builds on none of them.
#include <cstdint>

// What the record has room for: three components, four Huffman tables of
// each class and four quantisation tables, 256 codes per Huffman table.
constexpr int32_t kMaxComponents = 3;
constexpr int32_t kTableCount = 4;
constexpr int32_t kMaxCodes = 256;

// The largest sampling factor a frame header can give (four bits).
constexpr int32_t kMaxSamplingFactor = 15;

struct ComponentInfo {
    int32_t id;
    int32_t h;           // horizontal sampling factor
    int32_t v;           // vertical sampling factor
    int32_t quantTable;  // the whole selector byte of the frame header
    int32_t dcTable;
    int32_t acTable;
};

struct HuffmanTable {
    uint8_t counts[16];          // entry i: number of codes of length i + 1
    uint8_t symbols[kMaxCodes];  // in code order
    uint8_t lengths[kMaxCodes];  // 0 past the table's last code
    uint16_t codes[kMaxCodes];   // right-aligned bit patterns, canonical order
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
    ComponentInfo components[kMaxComponents];
    HuffmanTable acTables[kTableCount];
    HuffmanTable dcTables[kTableCount];
    int32_t quantTables[kTableCount][64];  // zigzag order, as the DQT segment lists them
    int32_t spectralStart;
    int32_t spectralEnd;
    int32_t approxHigh;
    int32_t approxLow;
    int32_t dcPredictors[kMaxComponents];
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
