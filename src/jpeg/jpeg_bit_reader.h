#pragma once
// The entropy decoder's per-bit work (readBits, decodeHuffman, extendSign)
// as inline functions, so that it compiles into the scan decoder's block
// loop.
#include <cstdint>

#include "jpeg/jpeg_internal.h"

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

// What follows a 0xFF in the entropy-coded data: fill bytes, then a stuffed
// zero (the 0xFF is data) or a marker, which is dropped (a restart marker
// also zeroes the DC predictors) before the next byte is loaded in its
// place; jpeg_entropy.cpp.
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

// EXTEND of T.81 (F.2.2.1).
inline int32_t extendSign(int32_t value, int32_t size) {
    if (size <= 0) return 0;
    if (size > 31) size = 31;  // callers pass 0..15; keep the shift defined
    if ((int64_t(value) >> (size - 1)) & 1) return value;
    return int32_t(int64_t(value) - (int64_t(1) << size) + 1);
}
