#pragma once
// A small baseline JPEG encoder for the tests: it writes chosen quantised
// coefficients, so that a test controls exactly what the decoder sees.
#include <cstdint>
#include <functional>
#include <vector>

namespace jpegtest {

struct HuffmanDefinition {
    uint8_t counts[16];
    std::vector<uint8_t> symbols;
};

// Every AC symbol (EOB, ZRL, run 0..15 x size 1..10) with an 8-bit code, and
// DC sizes 0..15 with 5-bit codes: not compact, but valid and complete.
HuffmanDefinition allAcSymbols();
HuffmanDefinition allDcSizes();

// Canonical codes, as T.81 Annex C assigns them.
struct HuffmanCoder {
    explicit HuffmanCoder(const HuffmanDefinition& layout);
    uint16_t code[256] = {};
    uint8_t length[256] = {};
};

class BitWriter {
public:
    void put(uint32_t bits, int count);  // most significant bit first
    void flush();                        // pads the last byte with 1 bits
    std::vector<uint8_t> bytes;

private:
    uint32_t pending = 0;
    int pendingCount = 0;
};

// Appends the DC difference and the AC run/size pairs of one block of
// quantised coefficients in zigzag order.
void encodeBlock(BitWriter& out, const int32_t zigzag[64], int32_t& predictor,
                 const HuffmanCoder& dc, const HuffmanCoder& ac);

struct FrameComponent {
    uint8_t id;
    uint8_t h;
    uint8_t v;
    uint8_t quantTable;
};

// Segment writers.
void putMarker(std::vector<uint8_t>& out, uint8_t code);
void putSegment(std::vector<uint8_t>& out, uint8_t code, const std::vector<uint8_t>& payload);
void putQuantTable(std::vector<uint8_t>& out, int number, const int32_t zigzag[64],
                   bool sixteenBit);
void putHuffmanTable(std::vector<uint8_t>& out, int tableClass, int number,
                     const HuffmanDefinition& layout);
void putFrame(std::vector<uint8_t>& out, int width, int height,
              const std::vector<FrameComponent>& components);
void putScanHeader(std::vector<uint8_t>& out, const std::vector<FrameComponent>& components);

// Fills the zigzag coefficients of one block: component, MCU position in
// pixels, block row and column inside the MCU.
using BlockSource = std::function<void(int c, int mcuX, int mcuY, int by, int bx, int32_t* zigzag)>;

struct ImageLayout {
    int width = 8;
    int height = 8;
    std::vector<FrameComponent> components{{1, 1, 1, 0}};
    int32_t quant[64];  // table 0 (and every component's table), zigzag order
    bool sixteenBitQuant = false;
    bool restartEveryRow = false;  // DRI of one MCU row, RSTn between rows
    ImageLayout();
};

// A whole file: SOI, DQT, SOF0, DHT (DC and AC table 0), optional DRI, SOS,
// the blocks in the decoder's MCU order, EOI.
std::vector<uint8_t> encodeImage(const ImageLayout& layout, const BlockSource& source);

}  // namespace jpegtest
