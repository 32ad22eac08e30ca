// Byte and bit readers, the Huffman lookup tables and the scan's symbols
// near a 0xFF. The per-bit loops, Huffman decoding and the one bounds check
// on the input (nextInputByte) are inline in jpeg_bit_reader.h.
#include <cstdint>

#include "jpeg/jpeg_bit_reader.h"
#include "jpeg/jpeg_internal.h"

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

// The linear search tries, at each length len, the entries from where the
// previous length stopped up to the first one longer than len, whatever the
// bits: only the match depends on them. So the entry it returns for a bit
// pattern is the first, in that order, whose code equals the pattern's first
// len bits. Filling in that same order and keeping the first entry written
// to each slot gives its answer for every pattern it decides within
// kLookupBits bits.
void buildHuffmanLookup(const HuffmanTable& table, HuffmanLookup& lookup) {
    for (uint16_t& entry : lookup.entries) entry = 0;
    int32_t k = 0;
    for (int32_t len = 1; len <= kLookupBits; ++len) {
        for (; k < 256 && table.lengths[k] <= len; ++k) {
            const uint32_t code = table.codes[k];
            if (code >> len) continue;  // more bits than len: never equal
            const int32_t spare = kLookupBits - len;
            uint16_t* slots = lookup.entries + (code << spare);
            // A slot already taken was taken by an earlier entry whose code
            // is a prefix of this one (or equal to it), and so is the rest
            // of the span.
            if (slots[0] != 0) continue;
            const uint16_t entry = uint16_t(table.symbols[k] | len << 8);
            for (int32_t i = 0; i < (1 << spare); ++i) slots[i] = entry;
        }
    }
    for (int32_t len = kLookupBits + 1; len <= 16; ++len) {
        HuffmanLookup::Range& range = lookup.longer[len];
        range.start = k;
        range.firstCode = k < 256 ? table.codes[k] : 0;
        range.counting = 0;
        for (; k < 256 && table.lengths[k] <= len; ++k)
            if (range.counting == uint32_t(k - range.start) &&
                table.codes[k] == range.firstCode + range.counting)
                ++range.counting;
        range.end = k;
    }
    for (int32_t bits = 0; bits < (1 << kLookupBits); ++bits) {
        HuffmanLookup::Coefficient& coefficient = lookup.coefficients[bits];
        coefficient = {0, 0, 0};
        const int32_t entry = lookup.entries[bits];
        const int32_t length = entry >> 8, size = entry & 0x0F;
        if (length == 0 || size == 0 || length + size > kLookupBits) continue;
        const int32_t raw = (bits >> (kLookupBits - length - size)) & ((1 << size) - 1);
        coefficient = {int16_t(extendSign(raw, size)), uint8_t((entry >> 4) & 0x0F),
                       uint8_t(length + size)};
    }
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
