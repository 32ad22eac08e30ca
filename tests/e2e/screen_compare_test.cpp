#include "screen_compare.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

std::vector<uint8_t> bytesOf(const std::string& header, std::vector<uint8_t> raster) {
    std::vector<uint8_t> bytes(header.begin(), header.end());
    bytes.insert(bytes.end(), raster.begin(), raster.end());
    return bytes;
}

// A grey picture whose row k has the value 32k, so a screen pixel's value
// tells which image row (and fraction) it came from.
Picture rowRamp(int width, int height) {
    Picture p;
    p.width = width;
    p.height = height;
    p.channels = 1;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) p.pixels.push_back(static_cast<uint8_t>(32 * y));
    return p;
}

int grey(const Picture& p, int x, int y) {
    return p.pixels[(static_cast<size_t>(y) * p.width + x) * p.channels];
}

// A detailed RGB picture with no symmetry, for the match tests.
Picture pattern(int width, int height) {
    Picture p;
    p.width = width;
    p.height = height;
    p.channels = 3;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            p.pixels.push_back(static_cast<uint8_t>(y * 255 / height));
            p.pixels.push_back(static_cast<uint8_t>((x * 7 + y * 3) % 256));
            p.pixels.push_back(static_cast<uint8_t>(x < width / 3 && y < height / 4 ? 255 : 40));
        }
    }
    return p;
}

TEST(Netpbm, ReadsTheDecoderPamAndDjpegOutput) {
    Picture p;
    std::string error;
    ASSERT_TRUE(parseNetpbm(
        bytesOf("P7\nWIDTH 2\nHEIGHT 1\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n",
                {1, 2, 3, 255, 4, 5, 6, 255}),
        p, error))
        << error;
    EXPECT_EQ(p.width, 2);
    EXPECT_EQ(p.channels, 4);
    double c[3];
    p.rgb(1, 0, c);
    EXPECT_EQ(c[0], 4);
    EXPECT_EQ(c[2], 6);

    ASSERT_TRUE(
        parseNetpbm(bytesOf("P6\n# made by a tool\n1 2\n255\n", {9, 8, 7, 6, 5, 4}), p, error))
        << error;
    p.rgb(0, 1, c);
    EXPECT_EQ(c[0], 6);

    ASSERT_TRUE(parseNetpbm(bytesOf("P5 1 1 255\n", {77}), p, error)) << error;
    p.rgb(0, 0, c);
    EXPECT_EQ(c[1], 77);  // grey fills all three channels
}

TEST(Netpbm, RefusesWhatItCannotReadWhole) {
    Picture p;
    std::string error;
    EXPECT_FALSE(parseNetpbm(bytesOf("P6\n2 2\n255\n", {1, 2, 3}), p, error));  // short raster
    EXPECT_FALSE(parseNetpbm(bytesOf("P6\n1 1\n65535\n", {0, 0, 0, 0, 0, 0}), p, error));  // 16-bit
    EXPECT_FALSE(
        parseNetpbm(bytesOf("P7\nWIDTH 1\nHEIGHT 1\nDEPTH 4\n", {}), p, error));  // no ENDHDR
    EXPECT_FALSE(parseNetpbm(bytesOf("P3\n1 1\n255\n0 0 0\n", {}), p, error));    // text PPM
    EXPECT_FALSE(parseNetpbm(bytesOf("P6\n-1 1\n255\n", {0, 0, 0}), p, error));
    EXPECT_FALSE(parseNetpbm({}, p, error));
}

// Screen rows: 0 is the top. With 8 image rows of 32k, a screen row that
// samples image row v (in pixels from the first row's edge) reads about
// 32 * (v - 0.5).
TEST(RenderSlide, SlideZeroFillsTheViewWithTheFirstRowAtTheBottom) {
    Picture screen = renderSlide(rowRamp(4, 8), 0, 1024, 768);
    EXPECT_EQ(grey(screen, 500, 767), 0);    // first row, clamped at the edge
    EXPECT_EQ(grey(screen, 500, 0), 224);    // last row
    EXPECT_EQ(grey(screen, 500, 384), 112);  // the middle: half-way between rows 3 and 4
}

TEST(RenderSlide, SlidesOneAndThreeCutAnEighthAtTopAndBottom) {
    for (int slide : {1, 3}) {
        Picture screen = renderSlide(rowRamp(4, 8), slide, 1024, 768);
        // The bottom edge of the view is 1/8 into the image: row 1's edge.
        EXPECT_EQ(grey(screen, 10, 767), 16) << slide;
        EXPECT_EQ(grey(screen, 10, 0), 208) << slide;
    }
}

TEST(RenderSlide, SlideTwoShowsTheFirstRowAtTheTop) {
    Picture screen = renderSlide(rowRamp(4, 8), 2, 1024, 768);
    EXPECT_EQ(grey(screen, 10, 0), 16);
    EXPECT_EQ(grey(screen, 10, 767), 208);
}

TEST(RenderSlide, ImageColumnsRunLeftToRightAndNoSlideIsBlack) {
    Picture image;
    image.width = 2;
    image.height = 1;
    image.channels = 3;
    image.pixels = {255, 0, 0, 0, 255, 0};
    // Any screen of the show's shape will do here; a small one keeps the
    // sanitizer build quick.
    for (int slide : {0, 1, 2, 3}) {
        Picture screen = renderSlide(image, slide, 256, 192);
        double left[3], right[3];
        screen.rgb(0, 100, left);
        screen.rgb(255, 100, right);
        EXPECT_EQ(left[0], 255) << slide;
        EXPECT_EQ(right[1], 255) << slide;
    }
    Picture none = renderSlide(image, 4, 256, 192);
    EXPECT_EQ(largestChannelSpread(none), 0);
    EXPECT_EQ(grey(none, 128, 96), 0);
}

TEST(Match, TellsTheRightSlideFromTheOthersAndFromAFlip) {
    Picture image = pattern(320, 240);
    std::vector<Picture> expected;
    const int w = 256, h = 192;
    for (int slide = 0; slide < 4; ++slide) expected.push_back(renderSlide(image, slide, w, h));
    // What GL shows differs a little in filtering: the same image one
    // screen pixel off must still pass.
    Picture shot = expected[2];
    for (int y = 0; y + 1 < h; ++y)
        for (int x = 0; x < (w - 1) * 3; ++x)
            shot.pixels[static_cast<size_t>(y) * w * 3 + x] =
                expected[2].pixels[(static_cast<size_t>(y + 1) * w + 1) * 3 + x];

    SlideMatch wanted = matchSlide(shot, {expected[2], expected[1], expected[0]}, 0, 12.0, 10.0);
    EXPECT_TRUE(wanted.accepted) << wanted.differences[0] << " " << wanted.differences[1];
    EXPECT_LT(wanted.differences[0], 6.0);   // well inside the limit of 12
    EXPECT_GT(wanted.differences[1], 20.0);  // the flip of the same picture

    SlideMatch wrong = matchSlide(shot, {expected[1], expected[2]}, 0, 12.0, 10.0);
    EXPECT_FALSE(wrong.accepted);
    EXPECT_EQ(wrong.closest, 1);
}

TEST(Match, RefusesWhenAnotherCandidateIsAsClose) {
    Picture screen = renderSlide(pattern(64, 48), 1, 256, 192);
    SlideMatch m = matchSlide(screen, {screen, screen}, 0, 12.0, 10.0);
    EXPECT_EQ(m.differences[0], 0);
    EXPECT_FALSE(m.accepted);
    Picture small = pattern(64, 48);
    EXPECT_EQ(coarseDifference(screen, small, 16), 255.0);  // sizes differ: never a match
}

TEST(Spread, OneColourAgainstTwo) {
    Picture p = rowRamp(4, 2);  // rows 0 and 32
    EXPECT_DOUBLE_EQ(largestChannelSpread(p), 16.0);
    std::fill(p.pixels.begin(), p.pixels.end(), 90);
    EXPECT_EQ(largestChannelSpread(p), 0);
}

TEST(Audio, MeasuresSigned16BitLittleEndian) {
    AudioLevel silent = measureAudio(std::vector<uint8_t>(4000, 0));
    EXPECT_EQ(silent.rms, 0);
    EXPECT_EQ(silent.samples, 2000u);

    // 1000 and -1000 (0x03E8, 0xFC18), then a dangling odd byte.
    AudioLevel tone = measureAudio({0xE8, 0x03, 0x18, 0xFC, 0x7F});
    EXPECT_EQ(tone.samples, 2u);
    EXPECT_DOUBLE_EQ(tone.rms, 1000.0);
    EXPECT_EQ(tone.peak, 1000);
    EXPECT_DOUBLE_EQ(tone.nonZeroFraction, 1.0);
}

}  // namespace
