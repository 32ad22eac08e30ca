#pragma once
// Huffman codes as the scan reads them: a lookup on the first bits of the
// data that gives what the linear search in code order (decodeHuffman,
// jpeg_bit_reader.h) gives, and EXTEND of T.81 for the value bits after a
// code. Pure functions of a table and bits; the reading itself is the bit
// reader's.
#include <cstdint>

#include "jpeg/jpeg_record.h"

// EXTEND of T.81 (F.2.2.1), for a value of `size` bits as readBits gives it
// (0 <= value < 2^size): its top bit set, the value itself; clear, the
// value less 2^size - 1. A selection rather than a branch, as the scan's
// inner loop calls it for every coefficient.
inline int32_t extendSign(int32_t value, int32_t size) {
    if (size <= 0) return 0;
    if (size > 31) size = 31;  // callers pass 0..15; keep the shift defined
    const int64_t half = int64_t(1) << (size - 1);
    return int32_t(value < half ? value - 2 * half + 1 : value);
}

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

// What decodeHuffman gives for the stream whose next bits are `bits` (the
// first in the top bit), and the number of bits it reads: the lookup for the
// first kLookupBits, then the linear search from where the lookup stopped.
inline int32_t decodeHuffmanBits(const HuffmanTable& table, const HuffmanLookup& lookup,
                                 uint32_t bits, int32_t& length) {
    const uint32_t entry = lookup.entries[bits >> (32 - kLookupBits)];
    if (entry != 0) {
        length = int32_t(entry >> 8);
        return int32_t(entry & 0xFF);
    }
    for (int32_t len = kLookupBits + 1; len <= 16; ++len) {
        const uint32_t code = bits >> (32 - len);
        const HuffmanLookup::Range& range = lookup.longer[len];
        const uint32_t index = code - range.firstCode;  // wraps when below
        if (index < range.counting) {
            length = len;
            return table.symbols[range.start + int32_t(index)];
        }
        // Codes distinct from all the counting ones: only the rest can match.
        for (int32_t k = range.start + int32_t(range.counting); k < range.end; ++k) {
            if (table.codes[k] == code) {
                length = len;
                return table.symbols[k];
            }
        }
    }
    length = 16;
    return int32_t(bits >> 16);
}
