// The marker parser: headers from SOI up to the first scan header.
#include "jpeg/jpeg_markers.h"

#include <cstdint>

#include "jpeg/jpeg_bit_reader.h"
#include "jpeg/jpeg_record.h"

namespace {

bool validFactor(int32_t f) { return f >= 1 && f <= kMaxSamplingFactor; }

bool validSelector(int32_t s) { return s >= 0 && s < kTableCount; }

// Segment skips move within the input only; a skip past the end leaves the
// reader at the end, where every further read yields 0. Once the input has
// run out nothing moves back into it: a length word read past the end must
// not send the parser round the same bytes again.
void skipBytes(int32_t count) {
    JpegDecoder& d = jpegDecoder;
    if (d.exhausted) return;
    int64_t target = int64_t(d.position) + count;
    if (target < 0) target = 0;
    if (target > d.size) target = d.size;
    d.position = int32_t(target);
}

// SOF0. Returns 0 on a length that does not match the component count, and
// for more than three components, which the record cannot hold (the frame is
// then refused; the four header values stay stored).
int32_t readFrameHeader(int32_t length) {
    JpegDecoder& d = jpegDecoder;
    d.precision = readByte();
    d.height = readWord();
    d.width = readWord();
    d.componentCount = readByte();
    if (length - 8 != 3 * d.componentCount) return 0;
    if (d.componentCount > kMaxComponents) return 0;
    for (int32_t i = 0; i < d.componentCount; ++i) {
        ComponentInfo& c = d.components[i];
        c.id = readByte();
        int32_t sampling = readByte();
        c.h = sampling >> 4;
        c.v = sampling & 0x0F;
        c.quantTable = readByte();
    }
    return 1;
}

// Canonical code assignment (T.81 Annex C): entry k gets the length and code
// of the k-th code the counts define; entries past the last code keep what
// they hold (zero, or an earlier definition's codes).
void buildHuffmanCodes(HuffmanTable& table) {
    int32_t code = 0;
    int32_t k = 0;
    for (int32_t length = 1; length <= 16; ++length) {
        for (int32_t i = 0; i < table.counts[length - 1]; ++i) {
            table.lengths[k] = uint8_t(length);
            table.codes[k] = uint16_t(code);
            ++code;
            ++k;
        }
        code <<= 1;
    }
}

// DHT. A table whose number is above 3, or whose counts add up to more than
// the 256 entries a table holds, is read past and ignored.
void readHuffmanTables(int32_t remaining) {
    JpegDecoder& d = jpegDecoder;
    while (remaining > 0) {
        int32_t t = readByte();
        int32_t number = t & 0x0F;
        uint8_t counts[16];
        int32_t codeCount = 0;
        for (int32_t i = 0; i < 16; ++i) {
            counts[i] = uint8_t(readByte());
            codeCount += counts[i];
        }
        remaining -= 17;
        if (number >= kTableCount || codeCount > kMaxCodes) {
            skipBytes(codeCount);
        } else {
            HuffmanTable& table = (t & 0x10) ? d.acTables[number] : d.dcTables[number];
            for (int32_t i = 0; i < 16; ++i) table.counts[i] = counts[i];
            for (int32_t i = 0; i < codeCount; ++i) table.symbols[i] = uint8_t(readByte());
            buildHuffmanCodes(table);
        }
        remaining -= codeCount;
    }
}

// DQT, 8-bit or 16-bit entries. A table number above 3 is read past and
// ignored.
void readQuantTables(int32_t remaining) {
    JpegDecoder& d = jpegDecoder;
    while (remaining > 0) {
        int32_t t = readByte();
        int32_t precision = t >> 4;
        int32_t number = t & 0x0F;
        int32_t ignored[64];
        int32_t* table = number < kTableCount ? d.quantTables[number] : ignored;
        for (int32_t i = 0; i < 64; ++i) table[i] = precision != 0 ? readWord() : readByte();
        remaining -= precision != 0 ? 129 : 65;
    }
}

void readScanHeader() {
    JpegDecoder& d = jpegDecoder;
    int32_t scanComponents = readByte();
    int32_t frameComponents = d.componentCount < kMaxComponents ? d.componentCount : kMaxComponents;
    for (int32_t i = 0; i < scanComponents; ++i) {
        int32_t selector = readByte();
        int32_t tables = readByte();
        for (int32_t j = 0; j < frameComponents; ++j) {
            if (d.components[j].id == selector) {
                d.components[j].dcTable = tables >> 4;
                d.components[j].acTable = tables & 0x0F;
            }
        }
    }
    d.spectralStart = readByte();
    d.spectralEnd = readByte();
    int32_t approximation = readByte();
    d.approxHigh = approximation >> 4;
    d.approxLow = approximation & 0x0F;
}

}  // namespace

int32_t parseMarkers() {
    JpegDecoder& d = jpegDecoder;
    for (;;) {
        if (readByte() != 0xFF) return 0;
        int32_t code = readByte();
        if (code == 0xD8) continue;  // SOI
        int32_t length = readWord();
        // A marker code or length cut off by the end of the input ends the
        // parse; a short length would otherwise step back onto the same bytes
        // and read them again for ever.
        if (d.exhausted) return 0;
        int32_t remaining = length - 2;
        switch (code) {
            case 0xC0:
                if (!readFrameHeader(length)) return 0;
                break;
            case 0xC4:
                readHuffmanTables(remaining);
                break;
            case 0xDB:
                readQuantTables(remaining);
                break;
            case 0xDD:
                d.restartInterval = readWord();
                break;
            case 0xDA:
                readScanHeader();
                return 1;
            // clang-format off
            case 0xC1: case 0xC2: case 0xC3:  // extended, progressive, lossless
            case 0xC5: case 0xC6: case 0xC7:  // differential
            case 0xC8:                        // reserved
            case 0xC9: case 0xCA: case 0xCB:  // arithmetic
            case 0xCD: case 0xCE: case 0xCF:  // differential arithmetic
            // clang-format on
            case 0xD9:  // EOI before any scan
                return 0;
            default:  // APPn, COM, DAC, DNL, RSTn, reserved: contents unused
                skipBytes(remaining);
                break;
        }
    }
}

bool frameIsDecodable() {
    const JpegDecoder& d = jpegDecoder;
    if (d.componentCount < 1 || d.componentCount > kMaxComponents) return false;
    for (int32_t c = 0; c < d.componentCount; ++c) {
        const ComponentInfo& ci = d.components[c];
        if (!validFactor(ci.h) || !validFactor(ci.v)) return false;
        if (!validSelector(ci.quantTable) || !validSelector(ci.dcTable) ||
            !validSelector(ci.acTable))
            return false;
    }
    return true;
}
