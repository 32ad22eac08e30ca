// The load step with real JPEG files made by cjpeg, one of them missing.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "gl_window.h"
#include "show/show.h"

namespace {
// A flat-coloured picture as binary PPM (or PGM for grey), then cjpeg.
bool makeJpeg(const std::string& name, int width, int height, int r, int g, int b, bool grey,
              const std::string& cjpegOptions) {
    const std::string source = name + (grey ? ".pgm" : ".ppm");
    FILE* f = std::fopen(source.c_str(), "wb");
    if (!f) return false;
    std::fprintf(f, "P%d\n%d %d\n255\n", grey ? 5 : 6, width, height);
    for (int i = 0; i < width * height; ++i) {
        if (grey) {
            std::fputc(r, f);
        } else {
            std::fputc(r, f);
            std::fputc(g, f);
            std::fputc(b, f);
        }
    }
    std::fclose(f);
    const std::string command =
        "cjpeg -quality 95 " + cjpegOptions + " -outfile '" + name + "' '" + source + "'";
    return std::system(command.c_str()) == 0;
}

void expectFlatColour(Bitmap& slide, int r, int g, int b) {
    const uint8_t* p = slide.readBack();
    ASSERT_NE(p, nullptr);
    const int count = slide.width * slide.height;
    int wrong = 0;
    for (int i = 0; i < count; ++i, p += 4) {
        if (std::abs(p[0] - r) > 3 || std::abs(p[1] - g) > 3 || std::abs(p[2] - b) > 3 ||
            p[3] != 255)
            ++wrong;
    }
    EXPECT_EQ(wrong, 0) << "of " << count << " pixels";
}
}  // namespace

TEST(LoadShow, DecodesThePresentImagesAndReportsTheMissingOne) {
    char folder[] = "/tmp/cq_load_show_XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(folder), 0);

    // 4:2:0, 4:2:2 with restarts at every MCU row, and greyscale.
    ASSERT_TRUE(makeJpeg("drooo.jpg", 33, 17, 200, 40, 90, false, "-sample 2x2"));
    ASSERT_TRUE(
        makeJpeg("Harno Quorvath - Ashenthornveil - moro.jpg", 20, 10, 128, 0, 0, true, ""));
    ASSERT_TRUE(
        makeJpeg("Quorvath04_iso.jpg", 40, 24, 30, 160, 220, false, "-sample 2x1 -restart 1"));

    recordedMessages.clear();
    loadShow();

    ASSERT_EQ(recordedMessages.size(), 2u);
    EXPECT_EQ(recordedMessages[0].text, "ei avaudu: 08-iso_remix.jpg");
    EXPECT_EQ(recordedMessages[0].caption, "khar bax");
    EXPECT_EQ(recordedMessages[1].text,
              "jotai ongelmii jpegin lataukses, debuggaa. kato ettet oo tallentanu jpegia "
              "progressivena.");
    EXPECT_EQ(recordedMessages[1].caption, ",-.-.-.-.-.-.");

    EXPECT_EQ(slides[0].width, 33);
    EXPECT_EQ(slides[0].height, 17);
    EXPECT_EQ(slides[2].width, 20);
    EXPECT_EQ(slides[2].height, 10);
    EXPECT_EQ(slides[3].width, 40);
    EXPECT_EQ(slides[3].height, 24);
    expectFlatColour(slides[0], 200, 40, 90);
    expectFlatColour(slides[2], 128, 128, 128);
    expectFlatColour(slides[3], 30, 160, 220);

    // The missing image leaves an empty slide with a 1 x 1 texture that can
    // still be drawn.
    EXPECT_EQ(slides[1].width, 0);
    EXPECT_EQ(slides[1].height, 0);
    EXPECT_EQ(slides[1].textureCreated, 1);
    EXPECT_EQ(slides[1].scaleS, 0.0f);
    EXPECT_EQ(slides[1].scaleT, 0.0f);

    EXPECT_EQ(chdir(previous), 0);
    std::system(("rm -rf '" + std::string(folder) + "'").c_str());
}
