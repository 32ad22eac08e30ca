#pragma once
#include <cstdint>

class PBuffer;

// A baseline (sequential, Huffman-coded, 8-bit) JPEG decoder: a set of free
// operations over one process-wide state record. One image is decoded at a
// time; nothing carries over from one image to the next.

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
extern const int32_t zigzagIndex[64];
// cos(k*pi/16)*sqrt(2) for k >= 1, 1 for k = 0, in single precision.
extern const float aanScale[8];

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

// Frames with more pixels than this are refused (no image, the decoder's
// message box, nothing written): 16 Mpixel (4096 x 4096) is far beyond any
// slide and keeps a decode of any input up to 1 MiB within a second and
// 256 MiB, the RGBA array (64 MiB) and the surface's copy of it included.
constexpr int64_t maxPixelCount = int64_t(1) << 24;

// The entry: decodes `size` bytes of JPEG data and delivers the RGBA image
// through surface->upload; shows the decoder's message box when the surface
// ends up 0 wide or 0 high. The surface must be freshly constructed (0 x 0),
// as a BitmapImporter is. Returns the surface.
PBuffer* decodeJpeg(PBuffer* surface, const uint8_t* bytes, int32_t size);

// Headers up to and including the first scan header; 1 when a scan header
// was read, 0 when parsing stopped for any other reason.
int32_t parseMarkers();

int32_t readWord();
int32_t readByte();
int32_t readBit();
int32_t readBits(int32_t n);
int32_t extendSign(int32_t value, int32_t size);
int32_t decodeHuffman(const HuffmanTable& table);

void decodeScan();
// One transformed value (eight times the level-shifted sample) to a byte:
// truncation toward zero, arithmetic shift by 3, +128, clamp to 0..255.
uint8_t sampleFromValue(float value);
void inverseDct();
void convertGreyToRgb();
void convertYCbCrToRgb();

// Test helpers: the record reset of decodeJpeg's first step, and whether the
// parsed frame is one the scan decoder can safely run on.
void resetDecoder(const uint8_t* bytes, int32_t size);
bool frameIsDecodable();
