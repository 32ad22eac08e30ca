// The asset generator composes each picture in screen space and stores it
// in the row order and size its slide needs; these tests check that what
// is drawn at a place on screen comes back at that place once the file is
// shown the way the show shows it.
#include "canvas.h"
#include "soundtrack.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace {

using assets::Canvas;
using assets::Placement;

// Screen y of the centre of file row `row` of a file of `rows` rows, as the
// show's corner table puts it: slide 0's quad spans the screen's 768 rows,
// the others 1024 rows from 128 above the screen; slide 2 alone has the
// file's first row at the top.
double screenYOfRow(int slide, int row, int rows) {
    double top = slide == 0 ? 0 : -128, height = slide == 0 ? 768 : 1024;
    double fromQuadTop = (row + 0.5) * height / rows;
    return slide == 2 ? top + fromQuadTop : top + height - fromQuadTop;
}

// Draws white bands over screen rows [40, 60) and [700, 720) on black,
// stores the picture as the slide's file would be stored and checks that
// every lit file row is shown inside one of the bands, and that both bands
// come back.
void checkBands(int slide, int fileW, int fileH) {
    SCOPED_TRACE("slide " + std::to_string(slide));
    const double bands[2] = {40, 700}, bandHeight = 20;
    Placement p = assets::slidePlacement(slide);
    Canvas c(1024, int(p.height), p.top, 1);
    c.forAll([&](double, double y, assets::Rgb& dst) {
        bool in = false;
        for (double b : bands) in = in || (y >= b && y < b + bandHeight);
        dst = in ? assets::rgb(1, 1, 1) : assets::rgb(0, 0, 0);
    });
    std::vector<uint8_t> px = c.resample(fileW, fileH, 1, p.firstRowAtBottom);
    int litPerBand[2] = {0, 0};
    for (int r = 0; r < fileH; ++r) {
        if (px[size_t(r) * fileW + fileW / 2] <= 200) continue;
        double y = screenYOfRow(slide, r, fileH);
        bool placed = false;
        for (int b = 0; b < 2; ++b)
            if (y >= bands[b] - 2 && y < bands[b] + bandHeight + 2) {
                ++litPerBand[b];
                placed = true;
            }
        EXPECT_TRUE(placed) << "file row " << r << " lit but shown at screen y " << y;
    }
    EXPECT_GT(litPerBand[0], 5);
    EXPECT_GT(litPerBand[1], 5);
}

TEST(SlideComposition, ScreenBandsLandWhereTheShowDrawsThem) {
    // Slide 0 fills the screen; 1 and 3 are stretched and flipped; slide 2
    // is stretched and upright; slide 3's file is not 1024 x 768.
    checkBands(0, 1024, 768);
    checkBands(1, 1024, 768);
    checkBands(2, 1024, 768);
    checkBands(3, 1000, 750);
}

TEST(Resample, BoxFilterKeepsTheMeanAndHardEdges) {
    // A canvas whose left third is white: downsampled by a factor that is
    // not a whole number, the white area keeps its share of the picture.
    Canvas c(300, 100, 0, 2);
    c.forAll([&](double x, double, assets::Rgb& dst) {
        dst = x < 100 ? assets::rgb(1, 1, 1) : assets::rgb(0, 0, 0);
    });
    std::vector<uint8_t> px = c.resample(130, 40, 1, false);
    double sum = 0;
    for (uint8_t v : px) sum += v;
    EXPECT_NEAR(sum / px.size() / 255.0, 1.0 / 3, 0.005);
    // Well inside either side: pure white and pure black (dither is below
    // half a level).
    EXPECT_EQ(px[20 * 130 + 10], 255);
    EXPECT_EQ(px[20 * 130 + 120], 0);
}

TEST(Wav, HeaderAndClampedSamples) {
    assets::Stereo s;
    s.left = {0.0, 1.5, -1.5, 0.5};
    s.right = {1.0, -1.0, 0.25, -0.5};
    std::string path = ::testing::TempDir() + "cq_generator_test.wav";
    ASSERT_TRUE(assets::writeWav(path, s));
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), {});
    std::remove(path.c_str());
    ASSERT_EQ(b.size(), 44u + 4 * 4);
    auto u32 = [&](size_t at) {
        return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
               uint32_t(b[at + 3]) << 24;
    };
    auto s16 = [&](size_t at) { return int16_t(uint16_t(b[at] | b[at + 1] << 8)); };
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
    EXPECT_EQ(u32(4), 36u + 16);
    EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(s16(22), 2);       // channels
    EXPECT_EQ(u32(24), 44100u);  // sample rate
    EXPECT_EQ(s16(34), 16);      // bits
    EXPECT_EQ(u32(40), 16u);     // data bytes
    // Interleaved left, right; out-of-range values clamp instead of wrapping.
    const int16_t expected[8] = {0, 32767, 32767, -32767, -32767, 8192, 16384, -16383};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(s16(44 + 2 * size_t(i)), expected[i]) << "sample " << i;
}

}  // namespace
