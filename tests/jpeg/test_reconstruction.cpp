// Sample conversion, the inverse DCT, colour conversion and the scan
// decoder's block order and placement, on hand-built streams.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "jpeg/jpeg_decoder.h"
#include "jpeg_writer.h"
#include "test_support.h"

namespace {

using jpegtest::Decoded;
using jpegtest::ImageLayout;

TEST(SampleFromValue, TruncatesShiftsAndClamps) {
    struct Case {
        float value;
        int sample;
    } cases[] = {{1023.9f, 255}, {1024.0f, 255}, {8.0f, 129},  {7.9f, 128},   {-0.9f, 128},
                 {-1.0f, 127},   {-8.0f, 127},   {-9.0f, 126}, {-1016.0f, 1}, {-1023.9f, 0},
                 {-1024.5f, 0},  {3.0e9f, 255},  {-3.0e9f, 0}, {0.0f, 128}};
    for (const Case& c : cases) EXPECT_EQ(sampleFromValue(c.value), c.sample) << c.value;
}

// The transform as T.81 defines it, in double: 8 * f(x, y) for the
// prescaled input.
void referenceIdct(const double* coefficients, double* out) {
    const double pi = 3.14159265358979323846;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            double sum = 0;
            for (int v = 0; v < 8; ++v)
                for (int u = 0; u < 8; ++u) {
                    double cu = u == 0 ? std::sqrt(0.5) : 1.0, cv = v == 0 ? std::sqrt(0.5) : 1.0;
                    sum += cu * cv * coefficients[8 * v + u] * std::cos((2 * x + 1) * u * pi / 16) *
                           std::cos((2 * y + 1) * v * pi / 16);
                }
            out[8 * y + x] = 8 * sum / 4;
        }
}

TEST(InverseDct, DcOnlyAndZeroBlocks) {
    for (float d : {8.0f, -1016.0f, 123.456f, 0.0f}) {
        for (float& b : jpegDecoder.block) b = 0;
        jpegDecoder.block[0] = d;
        inverseDct();
        for (float b : jpegDecoder.block) EXPECT_EQ(b, d);
    }
}

TEST(InverseDct, MatchesTheTextbookTransform) {
    uint32_t seed = 1;
    for (int trial = 0; trial < 50; ++trial) {
        double f[64], expected[64];
        for (int n = 0; n < 64; ++n) {
            seed = seed * 1103515245u + 12345u;
            f[n] = (n % 9 == 0 || trial % 5 == 0) ? int((seed >> 16) % 401) - 200 : 0;
            jpegDecoder.block[n] = float(f[n] * aanScale[n % 8] * aanScale[n / 8]);
        }
        referenceIdct(f, expected);
        inverseDct();
        for (int n = 0; n < 64; ++n)
            ASSERT_NEAR(jpegDecoder.block[n], expected[n], 0.05 + 2e-5 * std::fabs(expected[n]))
                << trial << "/" << n;
    }
}

TEST(ColourConversion, TruncatesEachChannelBeforeClamping) {
    struct Case {
        uint8_t in[3];
        uint8_t out[3];
    } cases[] = {{{128, 128, 128}, {128, 128, 128}}, {{100, 128, 127}, {98, 100, 100}},
                 {{100, 129, 128}, {100, 99, 101}},  {{0, 128, 0}, {0, 91, 0}},
                 {{255, 255, 255}, {255, 120, 255}}, {{255, 0, 0}, {75, 255, 28}}};
    std::vector<uint8_t> pixels;
    for (const Case& c : cases) pixels.insert(pixels.end(), {c.in[0], c.in[1], c.in[2], 0});
    jpegDecoder.pixels = pixels.data();
    jpegDecoder.width = 3;
    jpegDecoder.height = 2;
    convertYCbCrToRgb();
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(pixels[4 * i + 0], cases[i].out[0]) << i;
        EXPECT_EQ(pixels[4 * i + 1], cases[i].out[1]) << i;
        EXPECT_EQ(pixels[4 * i + 2], cases[i].out[2]) << i;
        EXPECT_EQ(pixels[4 * i + 3], 255) << i;
    }

    std::vector<uint8_t> grey{37, 1, 2, 3, 200, 9, 9, 9};
    jpegDecoder.pixels = grey.data();
    jpegDecoder.width = 2;
    jpegDecoder.height = 1;
    convertGreyToRgb();
    EXPECT_EQ(grey, (std::vector<uint8_t>{37, 37, 37, 255, 200, 200, 200, 255}));

    // Nothing is touched for an empty image.
    jpegDecoder.width = 0;
    jpegDecoder.height = 5;
    convertYCbCrToRgb();
    convertGreyToRgb();
    EXPECT_EQ(grey[1], 37);
    jpegDecoder.pixels = nullptr;
}

// A flat block's DC coefficient (quantiser 1) for a wanted sample value.
int32_t flatDc(int sample) { return 8 * (sample - 128); }

// Sample of a flat block per (component, MCU column, MCU row, block row,
// block column): distinct enough that misplacement shows.
int flatSample(int c, int mcuCol, int mcuRow, int by, int bx) {
    return 20 + ((c * 71 + mcuCol * 13 + mcuRow * 29 + by * 7 + bx * 3) % 200);
}

std::vector<uint8_t> flatBlockFile(ImageLayout layout) {
    const int mcuW = 8 * layout.components[0].h, mcuH = 8 * layout.components[0].v;
    return jpegtest::encodeImage(
        layout, [&](int c, int mcuX, int mcuY, int by, int bx, int32_t* zz) {
            zz[0] = flatDc(flatSample(c, mcuX / mcuW, mcuY / mcuH, by, bx));
        });
}

// Where each component's flat sample must land, from the sampling factors
// alone, converted as the decoder converts.
std::vector<uint8_t> expectedFlat(const ImageLayout& layout) {
    const int h0 = layout.components[0].h, v0 = layout.components[0].v;
    std::vector<uint8_t> out(size_t(layout.width) * layout.height * 4, 0x80);
    for (int y = 0; y < layout.height; ++y)
        for (int x = 0; x < layout.width; ++x)
            for (size_t c = 0; c < layout.components.size(); ++c) {
                int rx = h0 / layout.components[c].h, ry = v0 / layout.components[c].v;
                if (rx == 0 || ry == 0) continue;
                int mx = x / (8 * h0), my = y / (8 * v0);
                int bx = (x % (8 * h0)) / (8 * rx), by = (y % (8 * v0)) / (8 * ry);
                out[(size_t(y) * layout.width + x) * 4 + c] =
                    uint8_t(flatSample(int(c), mx, my, by, bx));
            }
    jpegDecoder.pixels = out.data();
    jpegDecoder.width = layout.width;
    jpegDecoder.height = layout.height;
    if (layout.components.size() == 3) convertYCbCrToRgb();
    if (layout.components.size() == 1) convertGreyToRgb();
    jpegDecoder.pixels = nullptr;
    return out;
}

void expectFlatLayout(const ImageLayout& layout) {
    Decoded d = jpegtest::decode(flatBlockFile(layout));
    ASSERT_EQ(d.width, layout.width);
    ASSERT_EQ(d.height, layout.height);
    EXPECT_TRUE(d.messages.empty());
    EXPECT_EQ(d.uploads, 1);
    std::vector<uint8_t> expected = expectedFlat(layout);
    ASSERT_EQ(d.rgba.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        ASSERT_EQ(d.rgba[i], expected[i]) << "pixel " << i / 4 << " byte " << i % 4;
}

TEST(ScanLayout, SubsampledMcusAndOddSizes) {
    ImageLayout s420;
    s420.width = 40;
    s420.height = 24;
    s420.components = {{1, 2, 2, 0}, {2, 1, 1, 0}, {3, 1, 1, 0}};
    expectFlatLayout(s420);

    ImageLayout s422 = s420;
    s422.components = {{1, 2, 1, 0}, {2, 1, 1, 0}, {3, 1, 1, 0}};
    expectFlatLayout(s422);

    ImageLayout odd;
    odd.width = 17;
    odd.height = 9;
    odd.components = {{1, 1, 1, 0}, {2, 1, 1, 0}, {3, 1, 1, 0}};
    expectFlatLayout(odd);

    ImageLayout greyQuad;  // one component that declares 2 x 2
    greyQuad.width = 20;
    greyQuad.height = 18;
    greyQuad.components = {{1, 2, 2, 0}};
    expectFlatLayout(greyQuad);

    // Component 1 declares more than component 0: its blocks are read and
    // dropped; component 2 stays in step behind them.
    ImageLayout wideChroma;
    wideChroma.width = 16;
    wideChroma.height = 8;
    wideChroma.components = {{1, 1, 1, 0}, {2, 2, 1, 0}, {3, 1, 1, 0}};
    expectFlatLayout(wideChroma);

    // Two components: no conversion; the unwritten bytes hold 0x80.
    ImageLayout two = odd;
    two.components = {{1, 1, 1, 0}, {2, 1, 1, 0}};
    expectFlatLayout(two);
}

TEST(ScanLayout, RestartAtEveryRowResetsPredictorsAndDropsPadding) {
    ImageLayout layout;
    layout.width = 24;
    layout.height = 40;
    layout.components = {{1, 2, 2, 0}, {2, 1, 1, 0}, {3, 1, 1, 0}};
    layout.restartEveryRow = true;
    expectFlatLayout(layout);
}

// One grey block's samples through the decoder's own steps, for blocks the
// stream itself cannot describe.
std::vector<uint8_t> samplesOfCoefficients(const float* zigzag) {
    for (int n = 0; n < 64; ++n)
        jpegDecoder.block[n] =
            float((double(zigzag[zigzagIndex[n]]) * aanScale[n % 8]) * aanScale[n / 8]);
    inverseDct();
    std::vector<uint8_t> s(64);
    for (int n = 0; n < 64; ++n) s[n] = sampleFromValue(jpegDecoder.block[n]);
    return s;
}

TEST(ScanLayout, AcRunPastTheLastPositionStopsTheBlock) {
    // Block 0: DC 0, then four times (run 15, size 2, value 3): the fourth
    // run would reach position 64. Block 1 must still decode in step.
    jpegtest::HuffmanCoder dc(jpegtest::allDcSizes()), ac(jpegtest::allAcSymbols());
    jpegtest::BitWriter bits;
    bits.put(dc.code[0], dc.length[0]);
    for (int i = 0; i < 4; ++i) {
        bits.put(ac.code[0xF2], ac.length[0xF2]);
        bits.put(3, 2);
    }
    int32_t predictor = 0;
    int32_t second[64] = {flatDc(200)};
    jpegtest::encodeBlock(bits, second, predictor, dc, ac);
    bits.flush();

    ImageLayout layout;
    layout.width = 16;
    std::vector<uint8_t> file =
        jpegtest::encodeImage(layout, [](int, int, int, int, int, int32_t*) {});  // headers only
    // Swap the generated entropy data for the hand-made one.
    size_t sos = 0;
    while (!(file[sos] == 0xFF && file[sos + 1] == 0xDA)) ++sos;
    file.resize(sos + 2 + (size_t(file[sos + 2]) << 8 | file[sos + 3]));
    file.insert(file.end(), bits.bytes.begin(), bits.bytes.end());
    file.insert(file.end(), {0xFF, 0xD9});

    Decoded d = jpegtest::decode(file);
    ASSERT_EQ(d.width, 16);
    float zz[64] = {};
    zz[16] = zz[32] = zz[48] = 3;
    std::vector<uint8_t> first = samplesOfCoefficients(zz);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            EXPECT_EQ(d.rgba[(size_t(y) * 16 + x) * 4], first[8 * y + x]);
            EXPECT_EQ(d.rgba[(size_t(y) * 16 + x + 8) * 4], 200);
        }
}

TEST(ScanLayout, DcPredictorSaturatesInsteadOfOverflowing) {
    // Every block adds 32767 to the DC value: past 65537 blocks the sum
    // leaves 32 bits. The value must stay at the top, never wrap round.
    ImageLayout layout;
    layout.width = 8 * 8191;
    layout.height = 8 * 9;
    int32_t running = 0;
    Decoded d =
        jpegtest::decode(jpegtest::encodeImage(layout, [&](int, int, int, int, int, int32_t* zz) {
            running = int32_t(std::min<int64_t>(int64_t(running) + 32767, INT32_MAX));
            zz[0] = running;
        }));
    ASSERT_EQ(d.width, layout.width);
    ASSERT_EQ(d.height, layout.height);
    size_t low = 0;
    for (size_t i = 0; i < d.rgba.size(); i += 4) low += d.rgba[i] != 255;
    EXPECT_EQ(low, 0u);
}

}  // namespace
