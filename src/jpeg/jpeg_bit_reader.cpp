// The bit reader's out-of-line parts: what follows a 0xFF, the parser's
// byte readers and the scan's symbols near a 0xFF. The per-bit loops,
// Huffman decoding and the one bounds check on the input (nextInputByte) are
// inline in jpeg_bit_reader.h.
#include "jpeg/jpeg_bit_reader.h"

#include <cstdint>

void loadAfterFF() {
    JpegDecoder& d = jpegDecoder;
    for (;;) {
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
        if (readByte() != 0xFF) return;
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

// decodeSymbol near a 0xFF or the end of the input, on the record's state.
// A stuffed 0xFF 0x00 is one data byte 0xFF and loading it does nothing
// else, so up to four data bytes are gathered that way, up to a marker or
// the end of the input. Where the code and its value end within them (the
// search decides on the code's own bits alone), they are taken from there;
// otherwise the byte-by-byte reader takes them, which also deals with
// markers and the end of the input.
int32_t decodeSymbolNearFF(const HuffmanTable& table, const HuffmanLookup& lookup, int32_t& raw) {
    JpegDecoder& d = jpegDecoder;
    const uint8_t* input = d.input;
    uint32_t ahead = 0;
    int32_t after[4];  // the input position after each data byte
    uint8_t data[4];
    int32_t count = 0;
    for (int32_t p = d.position; count < 4 && p < d.size; ++count) {
        if (input[p] == 0xFF) {
            if (p + 1 >= d.size || input[p + 1] != 0x00) break;
            after[count] = p + 2;
        } else {
            after[count] = p + 1;
        }
        data[count] = input[p];
        ahead |= uint32_t(input[p]) << (24 - 8 * count);
        p = after[count];
    }
    const int32_t consumed = d.bitPosition == 0 ? 8 : d.bitPosition;
    const uint32_t bits =
        uint32_t(((uint64_t(d.currentByte) << 32 | ahead) << (24 + consumed)) >> 32);
    int32_t length;
    const int32_t symbol = decodeHuffmanBits(table, lookup, bits, length);
    const int32_t size = symbol & 0x0F;
    const int32_t total = consumed + length + size;
    if (total <= 8 * (count + 1)) {
        raw = size ? int32_t((bits << length) >> (32 - size)) : 0;
        const int32_t bytes = (total - 1) >> 3;
        if (bytes > 0) {
            d.currentByte = data[bytes - 1];
            d.position = after[bytes - 1];
        }
        d.bitPosition = (total - 8 * bytes) & 7;
        return symbol;
    }
    const int32_t slowSymbol = decodeHuffman(table);
    raw = readBits(slowSymbol & 0x0F);
    return slowSymbol;
}
