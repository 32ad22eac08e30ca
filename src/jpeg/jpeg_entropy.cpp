// Byte and bit readers. The per-bit loops, Huffman decoding and the one
// bounds check on the input (nextInputByte) are inline in jpeg_bit_reader.h.
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
