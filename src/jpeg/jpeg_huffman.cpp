// The Huffman lookup tables, built per decode from the tables as parsed.
#include "jpeg/jpeg_huffman.h"

#include <cstdint>

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
