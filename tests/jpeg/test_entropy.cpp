// Byte and bit reading, sign extension and Huffman decoding.
#include <gtest/gtest.h>

#include <vector>

#include "jpeg/jpeg_decoder.h"

namespace {

// The reader works on the global record; keep the bytes alive meanwhile.
struct Input {
    std::vector<uint8_t> bytes;
    explicit Input(std::vector<uint8_t> b) : bytes(std::move(b)) {
        resetDecoder(bytes.data(), int32_t(bytes.size()));
    }
};

int32_t readByteOfBits() { return readBits(8); }

void setPredictors(int32_t a, int32_t b, int32_t c) {
    jpegDecoder.dcPredictors[0] = a;
    jpegDecoder.dcPredictors[1] = b;
    jpegDecoder.dcPredictors[2] = c;
}

bool predictorsAre(int32_t a, int32_t b, int32_t c) {
    return jpegDecoder.dcPredictors[0] == a && jpegDecoder.dcPredictors[1] == b &&
           jpegDecoder.dcPredictors[2] == c;
}

TEST(BitReader, TakesBitsMostSignificantFirstAcrossBytes) {
    Input in({0xA5, 0x3C});
    std::vector<int32_t> bits;
    for (int i = 0; i < 16; ++i) bits.push_back(readBit());
    EXPECT_EQ(bits, (std::vector<int32_t>{1, 0, 1, 0, 0, 1, 0, 1, 0, 0, 1, 1, 1, 1, 0, 0}));
    EXPECT_EQ(jpegDecoder.position, 2);
    EXPECT_EQ(jpegDecoder.bitPosition, 0);
}

TEST(BitReader, StuffedAndFillBytes) {
    {
        Input in({0xFF, 0x00, 0x12});
        EXPECT_EQ(readByteOfBits(), 0xFF);
        EXPECT_EQ(jpegDecoder.position, 2);
    }
    {
        Input in({0xFF, 0xFF, 0x00, 0x12});
        EXPECT_EQ(readByteOfBits(), 0xFF);
        EXPECT_EQ(jpegDecoder.position, 3);
        EXPECT_EQ(readByteOfBits(), 0x12);
    }
}

TEST(BitReader, MarkersInsideTheData) {
    {
        // A restart marker zeroes the predictors and is stepped over.
        Input in({0xFF, 0xD3, 0x5A});
        setPredictors(5, -6, 7);
        EXPECT_EQ(readByteOfBits(), 0x5A);
        EXPECT_TRUE(predictorsAre(0, 0, 0));
    }
    {
        // Any other marker is dropped without touching the predictors.
        Input in({0xFF, 0xD9, 0x12});
        setPredictors(5, -6, 7);
        EXPECT_EQ(readByteOfBits(), 0x12);
        EXPECT_TRUE(predictorsAre(5, -6, 7));
    }
    {
        // A stuffed pair right after a restart marker is one data byte.
        Input in({0xFF, 0xD0, 0xFF, 0x00, 0x77});
        setPredictors(1, 2, 3);
        EXPECT_EQ(readByteOfBits(), 0xFF);
        EXPECT_TRUE(predictorsAre(0, 0, 0));
        EXPECT_EQ(jpegDecoder.position, 4);
    }
}

TEST(BitReader, ReadBitsOfNothingReadsNothing) {
    Input in({0x80});
    EXPECT_EQ(readBits(0), 0);
    EXPECT_EQ(readBits(-4), 0);
    EXPECT_EQ(jpegDecoder.position, 0);
    EXPECT_EQ(readBits(3), 4);
    EXPECT_EQ(jpegDecoder.bitPosition, 3);
}

TEST(BitReader, ReadByteRealignsAndReadWordLeavesTheBitState) {
    Input in({0xF0, 0x12, 0x34, 0x56, 0x0F});
    EXPECT_EQ(readBits(3), 7);
    EXPECT_EQ(readWord(), 0x1234);
    EXPECT_EQ(jpegDecoder.bitPosition, 3);
    EXPECT_EQ(jpegDecoder.currentByte, 0xF0);
    EXPECT_EQ(readByte(), 0x56);
    EXPECT_EQ(jpegDecoder.bitPosition, 0);
    // The next bit comes from a fresh byte, not from the rest of 0x56.
    EXPECT_EQ(readBits(4), 0);
    EXPECT_EQ(readBits(4), 0xF);
}

TEST(BitReader, EndOfInputReadsAsZeroAndEveryLoopEnds) {
    {
        Input in({0x12});
        EXPECT_EQ(readByte(), 0x12);
        EXPECT_EQ(jpegDecoder.exhausted, 0);
        EXPECT_EQ(readByte(), 0);
        EXPECT_EQ(readWord(), 0);
        EXPECT_EQ(jpegDecoder.position, 1);
        EXPECT_EQ(jpegDecoder.exhausted, 1);
    }
    {
        // Fill bytes up to the very end: the fill loop stops there.
        Input in({0xFF, 0xFF, 0xFF, 0xFF});
        EXPECT_EQ(readByteOfBits(), 0xFF);
        EXPECT_EQ(jpegDecoder.position, 4);
        EXPECT_EQ(readByteOfBits(), 0);
        EXPECT_EQ(jpegDecoder.exhausted, 1);
    }
    {
        Input in({});
        EXPECT_EQ(readBits(16), 0);
        EXPECT_EQ(jpegDecoder.position, 0);
    }
}

TEST(ExtendSign, ExamplesOfTheExtendProcedure) {
    struct Case {
        int32_t value, size, result;
    } cases[] = {{0, 0, 0},      {1, 1, 1},         {0, 1, -1},         {2, 2, 2},
                 {3, 2, 3},      {1, 2, -2},        {0, 2, -3},         {1024, 11, 1024},
                 {0, 11, -2047}, {1023, 11, -1024}, {32767, 15, 32767}, {0, 15, -32767}};
    for (const Case& c : cases)
        EXPECT_EQ(extendSign(c.value, c.size), c.result) << c.value << ", " << c.size;
}

// Codes 00, 01 and 100 for the symbols 0x11, 0x22, 0x33.
HuffmanTable smallTable() {
    HuffmanTable t{};
    t.counts[1] = 2;
    t.counts[2] = 1;
    const uint8_t symbols[] = {0x11, 0x22, 0x33};
    const uint8_t lengths[] = {2, 2, 3};
    const uint16_t codes[] = {0, 1, 4};
    for (int k = 0; k < 3; ++k) {
        t.symbols[k] = symbols[k];
        t.lengths[k] = lengths[k];
        t.codes[k] = codes[k];
    }
    return t;
}

TEST(DecodeHuffman, FindsEachCodeAfterExactlyItsLength) {
    HuffmanTable t = smallTable();
    {
        Input in({0x80});  // 100...
        EXPECT_EQ(decodeHuffman(t), 0x33);
        EXPECT_EQ(jpegDecoder.bitPosition, 3);
    }
    {
        Input in({0x40});  // 01...
        EXPECT_EQ(decodeHuffman(t), 0x22);
        EXPECT_EQ(jpegDecoder.bitPosition, 2);
    }
    {
        Input in({0x00});  // 00...
        EXPECT_EQ(decodeHuffman(t), 0x11);
        EXPECT_EQ(jpegDecoder.bitPosition, 2);
    }
}

TEST(DecodeHuffman, UnmatchedBitsGiveTheirSixteenBitValue) {
    HuffmanTable t = smallTable();
    Input in({0xB7, 0x3C, 0x99});  // 101 matches nothing
    EXPECT_EQ(decodeHuffman(t), 0xB73C);
    EXPECT_EQ(jpegDecoder.position, 2);
    EXPECT_EQ(jpegDecoder.bitPosition, 0);
    EXPECT_EQ(readByteOfBits(), 0x99);
}

TEST(DecodeHuffman, UndefinedTable) {
    HuffmanTable empty{};
    {
        Input in({0x7F});
        EXPECT_EQ(decodeHuffman(empty), 0);
        EXPECT_EQ(jpegDecoder.bitPosition, 1);
    }
    {
        Input in({0xC0, 0x01});
        EXPECT_EQ(decodeHuffman(empty), 0xC001);
    }
}

TEST(DecodeHuffman, EntriesLeftFromAnEarlierLongerDefinitionTakePart) {
    // Defined: one code "0" (symbol 5). Entry 1 keeps an old length-2 code
    // "10" (symbol 9) from an earlier definition with more codes.
    HuffmanTable t{};
    t.counts[0] = 1;
    t.symbols[0] = 5;
    t.lengths[0] = 1;
    t.codes[0] = 0;
    t.symbols[1] = 9;
    t.lengths[1] = 2;
    t.codes[1] = 2;
    Input in({0x80});
    EXPECT_EQ(decodeHuffman(t), 9);
}

}  // namespace
