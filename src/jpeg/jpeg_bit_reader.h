#pragma once
// Reading the input: the one bounds check, the parser's byte readers, and
// the entropy decoder's per-bit work as inline functions, so that it
// compiles into the scan decoder's block loop: the byte-by-byte reader as
// the format defines it (readBits, decodeHuffman), and the scan's fast form
// of it (BitCursor, decodeSymbol), which reads the same bits and leaves the
// same state.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "jpeg/jpeg_huffman.h"
#include "jpeg/jpeg_record.h"

// The one bounds check on the input. Past the end the input reads as 0x00:
// the parser then finds no marker and stops, and the bit reader sees zero
// bits and no more fill bytes, so every loop ends. `position` stays at the
// end and `exhausted` is set.
inline int32_t nextInputByte() {
    JpegDecoder& d = jpegDecoder;
    if (uint32_t(d.position) < uint32_t(d.size)) return d.input[d.position++];
    d.exhausted = 1;
    return 0;
}

// The parser's readers: one byte (which also becomes currentByte, with no
// bits taken from it), and a big-endian 16-bit word.
int32_t readByte();
int32_t readWord();

// What follows a 0xFF in the entropy-coded data: fill bytes, then a stuffed
// zero (the 0xFF is data) or a marker, which is dropped (a restart marker
// also zeroes the DC predictors) before the next byte is loaded in its
// place.
void loadAfterFF();

// Loads the next data byte of the entropy-coded segment into currentByte;
// ordinary bytes take the short way.
inline void loadDataByte() {
    JpegDecoder& d = jpegDecoder;
    const int32_t byte = nextInputByte();
    d.bitPosition = 0;
    d.currentByte = uint8_t(byte);
    if (byte == 0xFF) loadAfterFF();
}

// The next n bits, most significant first; 0 for n <= 0. Takes as many bits
// at a time as currentByte still holds: the same bits and the same state as
// taking them one by one.
inline int32_t readBits(int32_t n) {
    JpegDecoder& d = jpegDecoder;
    uint32_t value = 0;
    while (n > 0) {
        if (d.bitPosition == 0) loadDataByte();
        const int32_t available = 8 - d.bitPosition;
        const int32_t take = n < available ? n : available;
        const uint32_t bits = (uint32_t(d.currentByte) >> (available - take)) & ((1u << take) - 1);
        value = (value << take) | bits;
        d.bitPosition = (d.bitPosition + take) & 7;
        n -= take;
    }
    return int32_t(value);
}

// The symbol of the next code: a linear scan in code order, one bit per
// step, over all 256 entries (those past the defined codes take part too);
// the 16-bit value of the bits read when none matches. The bit reader's
// state stays in locals for the length of the scan and is written back once.
inline int32_t decodeHuffman(const HuffmanTable& table) {
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

// The scan's fast form of the bit reader: the bits ahead in a 64-bit
// buffer, filled a word at a time from plain data, that is from bytes before
// the next 0xFF. Loading those one by one would do nothing but take their
// bits, so the buffer stands for exactly the record's state (position,
// currentByte, bitPosition), which store() writes back and load() takes:
// the scan does so around everything the byte-by-byte reader must handle
// (stuffed bytes, markers, the end of the input).
struct BitCursor {
    const uint8_t* input;
    int32_t size;
    uint64_t bits;  // the next `count` bits, the first at the top; zeros below
    int32_t count;
    int32_t fetched;  // the next byte not yet in the buffer
    int32_t start;    // where the buffer began, with firstByte the current byte then
    uint8_t firstByte;
    int32_t nextFF = -1;  // the first 0xFF at or after `fetched`, or size

    void load() {
        const JpegDecoder& d = jpegDecoder;
        input = d.input;
        size = d.size;
        start = fetched = d.position;
        firstByte = d.currentByte;
        // The current byte's bits not yet taken, if any.
        count = d.bitPosition == 0 ? 0 : 8 - d.bitPosition;
        bits = count == 0 ? 0 : uint64_t(d.currentByte) << (56 + d.bitPosition);
        if (fetched > nextFF) {
            const void* found = fetched < size
                                    ? std::memchr(input + fetched, 0xFF, size_t(size - fetched))
                                    : nullptr;
            nextFF = found ? int32_t(static_cast<const uint8_t*>(found) - input) : size;
        }
        refill();
    }
    // The buffer holds the unread rest of the current byte (count % 8 bits)
    // and whole bytes after it.
    void store() const {
        JpegDecoder& d = jpegDecoder;
        const int32_t position = fetched - count / 8;
        const int32_t rest = count % 8;
        d.position = position;
        d.bitPosition = rest == 0 ? 0 : 8 - rest;
        d.currentByte = position - 1 >= start ? input[position - 1] : firstByte;
    }
    // Called with at most 56 bits in the buffer, so that at least one whole
    // byte goes in.
    void refill() {
        if (fetched + 8 <= nextFF) {
            // Eight bytes read, as many used as fit whole.
            const uint8_t* p = input + fetched;
            const uint64_t word = uint64_t(p[0]) << 56 | uint64_t(p[1]) << 48 |
                                  uint64_t(p[2]) << 40 | uint64_t(p[3]) << 32 |
                                  uint64_t(p[4]) << 24 | uint64_t(p[5]) << 16 |
                                  uint64_t(p[6]) << 8 | uint64_t(p[7]);
            const int32_t whole = (64 - count) >> 3;
            bits |= (word & (~uint64_t(0) << (64 - 8 * whole))) >> count;
            fetched += whole;
            count += 8 * whole;
            return;
        }
        for (; count <= 56 && fetched < nextFF; count += 8)
            bits |= uint64_t(input[fetched++]) << (56 - count);
    }
    // Whether the next 31 bits, the most a code and its value take, are in
    // the buffer.
    bool ready() {
        if (count < 31) refill();
        return count >= 31;
    }
    uint32_t peek() const { return uint32_t(bits >> 32); }
    void skip(int32_t n) {
        bits <<= n;
        count -= n;
    }
    // The record's bitPosition = 0: the rest of the current byte is dropped.
    void dropPartialByte() { skip(count % 8); }
};

// decodeSymbol where the buffer cannot hold the next 31 bits: near a 0xFF or
// the end of the input. Works on the record's state.
int32_t decodeSymbolNearFF(const HuffmanTable& table, const HuffmanLookup& lookup, int32_t& raw);

// The next Huffman symbol and the raw value bits that follow it (as many as
// the symbol's low four bits say): from the buffer where it holds them.
// Inlined always: as a call, the cursor could not stay in registers.
[[gnu::always_inline]] inline int32_t decodeSymbol(BitCursor& cursor, const HuffmanTable& table,
                                                   const HuffmanLookup& lookup, int32_t& raw) {
    const bool full = cursor.ready();
    const uint32_t bits = cursor.peek();
    int32_t length;
    const int32_t symbol = decodeHuffmanBits(table, lookup, bits, length);
    const int32_t size = symbol & 0x0F;
    // Short of a 0xFF the buffer may hold fewer bits (zeros below them), but
    // the search decides on the code's own bits alone: enough when the code
    // and its value end within the bits it holds.
    if (!full && length + size > cursor.count) {
        cursor.store();
        const int32_t slowSymbol = decodeSymbolNearFF(table, lookup, raw);
        cursor.load();
        return slowSymbol;
    }
    raw = size ? int32_t((bits << length) >> (32 - size)) : 0;
    cursor.skip(length + size);
    return symbol;
}
