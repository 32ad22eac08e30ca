// Byte and bit readers and Huffman decoding. This file holds the decoder's
// only access to the input bytes (nextInputByte).
#include <cstdint>

#include "jpeg/jpeg_decoder.h"

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

// Loads the next data byte of the entropy-coded segment into currentByte:
// a stuffed 0xFF 0x00 is one 0xFF; fill bytes and markers are dropped, and
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

// readBit's body, inlined into the Huffman and value loops that call it for
// every bit of the scan.
inline int32_t nextBit() {
    JpegDecoder& d = jpegDecoder;
    if (d.bitPosition == 0) loadDataByte();
    int32_t bit = (d.currentByte >> (7 - d.bitPosition)) & 1;
    d.bitPosition = (d.bitPosition + 1) & 7;
    return bit;
}

}  // namespace

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

int32_t readBit() { return nextBit(); }

int32_t readBits(int32_t n) {
    uint32_t value = 0;
    for (int32_t i = 0; i < n; ++i) value = (value << 1) | uint32_t(nextBit());
    return int32_t(value);
}

int32_t extendSign(int32_t value, int32_t size) {
    if (size <= 0) return 0;
    if (size > 31) size = 31;  // callers pass 0..15; keep the shift defined
    if ((int64_t(value) >> (size - 1)) & 1) return value;
    return int32_t(int64_t(value) - (int64_t(1) << size) + 1);
}

int32_t decodeHuffman(const HuffmanTable& table) {
    // The bit reader's state is kept in locals for the length of the scan
    // and written back once: same bits, fewer loads and stores per bit.
    JpegDecoder& d = jpegDecoder;
    int32_t bitPosition = d.bitPosition;
    uint32_t currentByte = d.currentByte;
    int32_t code = 0;
    int32_t k = 0;
    for (int32_t len = 1; len <= 16; ++len) {
        if (bitPosition == 0) {
            loadDataByte();
            currentByte = d.currentByte;
        }
        code = (code << 1) | int32_t((currentByte >> (7 - bitPosition)) & 1);
        bitPosition = (bitPosition + 1) & 7;
        while (k < 256 && table.lengths[k] <= len) {
            if (table.codes[k] == code) {
                d.bitPosition = bitPosition;
                return table.symbols[k];
            }
            ++k;
        }
    }
    d.bitPosition = bitPosition;
    return code;
}
