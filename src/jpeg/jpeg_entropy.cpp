// Byte and bit readers and Huffman decoding (the per-bit loops are inline in
// jpeg_bit_reader.h). This file holds the decoder's only access to the input
// bytes (nextInputByte).
#include <cstdint>

#include "jpeg/jpeg_decoder.h"
#include "jpeg/jpeg_bit_reader.h"

namespace {

// The one bounds check. Past the end the input reads as 0x00: the parser
// then finds no marker and stops, and the bit reader sees zero bits and no
// more fill bytes, so every loop ends. `position` stays at the end.
inline int32_t nextInputByte() {
    JpegDecoder& d = jpegDecoder;
    if (uint32_t(d.position) < uint32_t(d.size)) return d.input[d.position++];
    d.exhausted = 1;
    return 0;
}

}  // namespace

// A stuffed 0xFF 0x00 is one 0xFF; fill bytes and markers are dropped, and
// a restart marker also zeroes the DC predictors.
void loadDataByte() {
    JpegDecoder& d = jpegDecoder;
    for (;;) {
        if (readByte() != 0xFF) return;
        int32_t marker;
        do {
            marker = readByte();
        } while (marker == 0xFF);
        if (marker >= 0xD0 && marker <= 0xD7) {
            d.dcPredictors[0] = 0;
            d.dcPredictors[1] = 0;
            d.dcPredictors[2] = 0;
        }
        if (marker == 0x00) {
            d.currentByte = 0xFF;
            return;
        }
    }
}

int32_t readByte() {
    JpegDecoder& d = jpegDecoder;
    int32_t byte = nextInputByte();
    d.bitPosition = 0;
    d.currentByte = uint8_t(byte);
    return byte;
}

int32_t readWord() {
    int32_t high = nextInputByte();
    int32_t low = nextInputByte();
    return (high << 8) | low;
}

int32_t readBit() {
    JpegDecoder& d = jpegDecoder;
    if (d.bitPosition == 0) loadDataByte();
    int32_t bit = (d.currentByte >> (7 - d.bitPosition)) & 1;
    d.bitPosition = (d.bitPosition + 1) & 7;
    return bit;
}

int32_t readBits(int32_t n) { return takeBits(n); }

int32_t extendSign(int32_t value, int32_t size) { return extendValue(value, size); }

int32_t decodeHuffman(const HuffmanTable& table) { return takeHuffmanSymbol(table); }
