// The marker parser on hand-built header sequences.
#include <gtest/gtest.h>

#include <vector>

#include "jpeg/jpeg_decoder.h"
#include "jpeg_writer.h"

namespace {

using jpegtest::putMarker;
using jpegtest::putSegment;
using Bytes = std::vector<uint8_t>;

// Parses the bytes as decodeJpeg would; the bytes must outlive the checks.
struct Parsed {
    Bytes bytes;
    int32_t result;
    explicit Parsed(Bytes b) : bytes(std::move(b)) {
        resetDecoder(bytes.data(), int32_t(bytes.size()));
        result = parseMarkers();
    }
};

Bytes soi() { return {0xFF, 0xD8}; }

Bytes append(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes quantTable(int number, int first, bool sixteenBit) {
    int32_t values[64];
    for (int i = 0; i < 64; ++i) values[i] = first + i;
    Bytes out;
    jpegtest::putQuantTable(out, number, values, sixteenBit);
    return out;
}

Bytes frame3() {
    Bytes out;
    jpegtest::putFrame(out, 40, 24, {{1, 2, 2, 0}, {2, 1, 1, 1}, {3, 1, 1, 1}});
    return out;
}

Bytes scan3() {
    // Component 1 uses DC 0 / AC 0, components 2 and 3 DC 1 / AC 1.
    return {0xFF, 0xDA, 0x00, 0x0C, 3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0};
}

Bytes huffmanTable(int tableClass, int number, std::vector<int> counts, uint8_t firstSymbol) {
    jpegtest::HuffmanDefinition layout{};
    int n = 0;
    for (size_t i = 0; i < counts.size(); ++i) {
        layout.counts[i] = uint8_t(counts[i]);
        n += counts[i];
    }
    for (int i = 0; i < n; ++i) layout.symbols.push_back(uint8_t(firstSymbol + i));
    Bytes out;
    jpegtest::putHuffmanTable(out, tableClass, number, layout);
    return out;
}

Bytes eoi() { return {0xFF, 0xD9}; }

TEST(ParseMarkers, CommonBaselineHeaders) {
    Bytes app0;
    putSegment(app0, 0xE0, {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
    Bytes file = soi();
    for (const Bytes& part :
         {app0, quantTable(0, 1, false), quantTable(1, 100, false), frame3(),
          huffmanTable(0, 0, {0, 1, 5, 1}, 0), huffmanTable(1, 0, {0, 2, 1}, 1),
          huffmanTable(0, 1, {0, 3}, 0), huffmanTable(1, 1, {0, 2, 1}, 0x11), scan3()})
        file = append(file, part);
    const size_t entropyStart = file.size();
    file = append(file, {0x12, 0x34});
    Parsed p(file);

    EXPECT_EQ(p.result, 1);
    EXPECT_EQ(jpegDecoder.position, int32_t(entropyStart));
    EXPECT_EQ(jpegDecoder.bitPosition, 0);
    EXPECT_EQ(jpegDecoder.width, 40);
    EXPECT_EQ(jpegDecoder.height, 24);
    EXPECT_EQ(jpegDecoder.precision, 8);
    EXPECT_EQ(jpegDecoder.componentCount, 3);
    EXPECT_EQ(jpegDecoder.quantTables[0][63], 64);
    EXPECT_EQ(jpegDecoder.quantTables[1][0], 100);
    EXPECT_EQ(jpegDecoder.dcTables[0].counts[2], 5);
    EXPECT_EQ(jpegDecoder.acTables[0].counts[1], 2);
    EXPECT_EQ(jpegDecoder.dcTables[1].counts[1], 3);
    EXPECT_EQ(jpegDecoder.acTables[1].symbols[2], 0x13);
    const ComponentInfo* c = jpegDecoder.components;
    EXPECT_EQ(c[0].h, 2);
    EXPECT_EQ(c[0].v, 2);
    EXPECT_EQ(c[1].quantTable, 1);
    EXPECT_EQ(c[0].dcTable, 0);
    EXPECT_EQ(c[0].acTable, 0);
    EXPECT_EQ(c[1].dcTable, 1);
    EXPECT_EQ(c[2].acTable, 1);
    EXPECT_EQ(jpegDecoder.spectralEnd, 63);
}

TEST(ParseMarkers, SegmentsHoldingSeveralTablesAnd16BitQuantisation) {
    Bytes twoTables;
    {
        Bytes payload;
        for (int t = 0; t < 2; ++t) {
            payload.push_back(uint8_t(t));
            for (int i = 0; i < 64; ++i) payload.push_back(uint8_t(10 * t + 1));
        }
        putSegment(twoTables, 0xDB, payload);
        ASSERT_EQ(twoTables[3], 132);
    }
    Bytes fourHuffman;
    {
        Bytes payload;
        for (int t : {0x00, 0x01, 0x10, 0x11}) {
            payload.push_back(uint8_t(t));
            for (int i = 0; i < 16; ++i) payload.push_back(i == 0 ? 1 : 0);
            payload.push_back(uint8_t(t + 7));
        }
        putSegment(fourHuffman, 0xC4, payload);
    }
    Bytes wide = quantTable(2, 1000, true);
    ASSERT_EQ(wide[3], 131);
    Parsed p(append(append(append(append(append(soi(), twoTables), fourHuffman), wide), frame3()),
                    scan3()));
    EXPECT_EQ(p.result, 1);
    EXPECT_EQ(jpegDecoder.quantTables[0][5], 1);
    EXPECT_EQ(jpegDecoder.quantTables[1][5], 11);
    EXPECT_EQ(jpegDecoder.quantTables[2][0], 1000);
    EXPECT_EQ(jpegDecoder.quantTables[2][63], 1063);
    EXPECT_EQ(jpegDecoder.dcTables[0].symbols[0], 7);
    EXPECT_EQ(jpegDecoder.dcTables[1].symbols[0], 8);
    EXPECT_EQ(jpegDecoder.acTables[0].symbols[0], 0x17);
    EXPECT_EQ(jpegDecoder.acTables[1].symbols[0], 0x18);
}

TEST(ParseMarkers, FrameHeaderLengthMustMatchItsComponents) {
    Bytes ok = frame3();
    ASSERT_EQ(ok[3], 17);
    EXPECT_EQ(Parsed(append(append(soi(), ok), scan3())).result, 1);

    Bytes tooLong = ok;
    tooLong[3] = 18;
    Parsed p(append(soi(), tooLong));
    EXPECT_EQ(p.result, 0);
    EXPECT_EQ(jpegDecoder.width, 40);
    EXPECT_EQ(jpegDecoder.height, 24);
    EXPECT_EQ(jpegDecoder.precision, 8);
    EXPECT_EQ(jpegDecoder.componentCount, 3);
    EXPECT_EQ(jpegDecoder.position, 2 + 4 + 6);
}

TEST(ParseMarkers, MarkerSequenceRules) {
    // Two SOIs in a row are both accepted.
    EXPECT_EQ(Parsed(append(append(append(soi(), soi()), frame3()), scan3())).result, 1);
    // Not a marker at the start: stop after one byte.
    Parsed notMarker({0x00, 0xFF, 0xD8});
    EXPECT_EQ(notMarker.result, 0);
    EXPECT_EQ(jpegDecoder.position, 1);
    // End of image before any scan.
    EXPECT_EQ(Parsed(append(append(soi(), frame3()), eoi())).result, 0);
    // A progressive frame stops the parse with no size stored.
    Bytes progressive = frame3();
    progressive[1] = 0xC2;
    Parsed p(append(append(soi(), progressive), scan3()));
    EXPECT_EQ(p.result, 0);
    EXPECT_EQ(jpegDecoder.width, 0);
    EXPECT_EQ(jpegDecoder.height, 0);
}

TEST(ParseMarkers, SkippedSegments) {
    Bytes emptyComment{0xFF, 0xFE, 0x00, 0x02};
    Bytes app1;
    putSegment(app1, 0xE1, {0xFF, 0xD9, 0xFF, 0xC2, 0x00});  // contents never looked at
    Bytes emptyTables{0xFF, 0xC4, 0x00, 0x02, 0xFF, 0xDB, 0x00, 0x02};
    Parsed p(append(
        append(append(append(append(soi(), emptyComment), app1), emptyTables), frame3()), scan3()));
    EXPECT_EQ(p.result, 1);
    EXPECT_EQ(jpegDecoder.dcTables[0].counts[0], 0);
    EXPECT_EQ(jpegDecoder.quantTables[0][0], 0);

    // A fill byte before a marker code is itself taken as the code 0xFF,
    // whose "length" is then skipped.
    Bytes fill{0xFF, 0xFF, 0x00, 0x04, 0xAA, 0xBB};
    EXPECT_EQ(Parsed(append(append(append(soi(), fill), frame3()), scan3())).result, 1);

    // A length below 2 steps back onto the length bytes: no marker there.
    EXPECT_EQ(Parsed(append(append(soi(), {0xFF, 0xE0, 0x00, 0x01}), frame3())).result, 0);
    EXPECT_EQ(Parsed(append(append(soi(), {0xFF, 0xE0, 0x00, 0x00}), frame3())).result, 0);
}

TEST(ParseMarkers, CanonicalCodeAssignment) {
    {
        Parsed p(append(soi(), huffmanTable(0, 0, {0, 2, 1}, 0)));
        const HuffmanTable& t = jpegDecoder.dcTables[0];
        EXPECT_EQ(t.codes[0], 0b00);
        EXPECT_EQ(t.codes[1], 0b01);
        EXPECT_EQ(t.codes[2], 0b100);
        EXPECT_EQ(t.lengths[0], 2);
        EXPECT_EQ(t.lengths[1], 2);
        EXPECT_EQ(t.lengths[2], 3);
        EXPECT_EQ(t.lengths[3], 0);
    }
    {
        Parsed p(append(soi(), huffmanTable(0, 0, {0, 0, 2}, 0)));
        EXPECT_EQ(jpegDecoder.dcTables[0].codes[0], 0);
        EXPECT_EQ(jpegDecoder.dcTables[0].lengths[0], 3);
        EXPECT_EQ(jpegDecoder.dcTables[0].codes[1], 1);
    }
    {
        Parsed p(
            append(soi(), huffmanTable(1, 2, {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, 0)));
        EXPECT_EQ(jpegDecoder.acTables[2].codes[0], 0);
        EXPECT_EQ(jpegDecoder.acTables[2].codes[1], 0x8000);
        EXPECT_EQ(jpegDecoder.acTables[2].lengths[1], 16);
    }
}

TEST(ParseMarkers, ScanHeaderSelectors) {
    // Identifier 9 is not in the frame: ignored; the others are still set.
    Bytes scan{0xFF, 0xDA, 0x00, 0x0C, 3, 9, 0x33, 1, 0x12, 3, 0x21, 0, 63, 0};
    Parsed p(append(append(soi(), frame3()), scan));
    EXPECT_EQ(p.result, 1);
    const ComponentInfo* c = jpegDecoder.components;
    EXPECT_EQ(c[0].dcTable, 1);
    EXPECT_EQ(c[0].acTable, 2);
    EXPECT_EQ(c[1].dcTable, 0);
    EXPECT_EQ(c[1].acTable, 0);
    EXPECT_EQ(c[2].dcTable, 2);
    EXPECT_EQ(c[2].acTable, 1);
}

// Input beyond what the record holds is read past and ignored, and the
// parse stays in step with the segments that follow.
TEST(ParseMarkers, TablesBeyondTheRecordAreIgnored) {
    Bytes file = soi();
    file = append(file, huffmanTable(0, 5, {1}, 0x42));  // table number 5
    {
        jpegtest::HuffmanDefinition many{};  // 300 codes do not fit in 256 entries
        many.counts[8] = 255;
        many.counts[9] = 45;
        many.symbols.assign(300, 0x07);
        jpegtest::putHuffmanTable(file, 1, 0, many);
    }
    file = append(file, quantTable(7, 50, false));  // table number 7
    file = append(file, append(frame3(), scan3()));
    Parsed p(file);
    EXPECT_EQ(p.result, 1);
    for (int t = 0; t < 4; ++t) {
        EXPECT_EQ(jpegDecoder.dcTables[t].counts[0], 0);
        EXPECT_EQ(jpegDecoder.acTables[t].counts[8], 0);
        EXPECT_EQ(jpegDecoder.quantTables[t][0], 0);
    }
    EXPECT_EQ(jpegDecoder.componentCount, 3);

    // Four components: stored count, parse refused.
    Bytes four;
    jpegtest::putFrame(four, 8, 8, {{1, 1, 1, 0}, {2, 1, 1, 0}, {3, 1, 1, 0}, {4, 1, 1, 0}});
    Parsed q(append(append(soi(), four), scan3()));
    EXPECT_EQ(q.result, 0);
    EXPECT_EQ(jpegDecoder.componentCount, 4);
}

TEST(ParseMarkers, SegmentsRunningPastTheEnd) {
    // A segment length far beyond the data, a table cut short, a frame cut
    // short: each ends the parse at the end of the input.
    EXPECT_EQ(Parsed({0xFF, 0xD8, 0xFF, 0xE0, 0xFF, 0xFF, 0x01}).result, 0);
    EXPECT_EQ(jpegDecoder.position, 7);
    Bytes cutTable = append(soi(), quantTable(0, 1, true));
    cutTable.resize(cutTable.size() - 30);
    EXPECT_EQ(Parsed(cutTable).result, 0);
    Bytes cutFrame = append(soi(), frame3());
    cutFrame.resize(cutFrame.size() - 4);
    EXPECT_EQ(Parsed(cutFrame).result, 0);
    EXPECT_EQ(Parsed({}).result, 0);
}

}  // namespace
