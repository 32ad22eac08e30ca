// The show's two steps in the program's own window (on the screen that
// tests/support/with_xvfb.sh provides): the load step with real JPEG files,
// then which slide each show time draws and how.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "shell/entry.h"
#include "shell/gl.h"
#include "shell/platform.h"
#include "show/show.h"
#include "support/support.h"
#include "surfaces/pixel_memory.h"

// First, while the slides are as empty as at start-up.
TEST(LoadStep, DecodesWhatIsThereReportsTheRestAndGoesOn) {
    char folder[] = "/tmp/cq_show_test_XXXXXX";
    ASSERT_TRUE(mkdtemp(folder) && chdir(folder) == 0);
    // Three pixels for slide 0 whose read-back from the importer finds no
    // memory, no file for slide 1, for slide 2 a grey image a pixel wider than
    // a texture can be, and one pixel of colour (200, 40, 90) for slide 3.
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    ASSERT_LT(largest, 65535);  // the widest JPEG
    const std::string wide = std::to_string(largest + 1);
    const std::string files =
        "printf 'P6 3 1 255 123456789' | cjpeg -outfile drooo.jpg && "
        "printf 'P6 1 1 255 \\310(Z' | cjpeg -outfile Quorvath04_iso.jpg && { printf 'P5 " +
        wide + " 8 255 '; head -c " + std::to_string((largest + 1) * 8) +
        " /dev/zero; } | cjpeg -outfile 'Harno Quorvath - Ashenthornveil - moro.jpg'";
    ASSERT_EQ(system(files.c_str()), 0);
    MessageRecorder recorder;
    pixelMemoryRefuses = [](uint64_t bytes) { return bytes == 3 * 4; };
    loadShow();
    pixelMemoryRefuses = nullptr;
    const MessageRecorder::Message decoder = {",-.-.-.-.-.-.",
                                              "jotai ongelmii jpegin lataukses, debuggaa. kato "
                                              "ettet oo tallentanu jpegia progressivena."};
    EXPECT_EQ(recorder.messages(),
              (std::vector<MessageRecorder::Message>{
                  {"khar bax", "ei avaudu: 08-iso_remix.jpg"}, decoder, decoder}));
    for (int i : {0, 2}) EXPECT_TRUE(slides[i].width == 0 && slides[i].height == 0) << i;
    const uint8_t* p = slides[3].readBack();
    EXPECT_TRUE(slides[3].width == 1 && slides[3].height == 1 && std::abs(p[0] - 200) < 4 &&
                std::abs(p[1] - 40) < 4 && std::abs(p[2] - 90) < 4 && p[3] == 255);
    system(("rm -rf " + std::string(folder)).c_str());
}

struct Rgba {
    int r, g, b, a;
};

// One pixel of the back buffer, from the bottom-left corner: what the frame
// would show after the swap.
static Rgba backBufferPixel(int x, int y) {
    uint8_t p[4] = {0, 0, 0, 0};
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return {p[0], p[1], p[2], p[3]};
}

static void clearBackBuffer(float r, float g, float b) {
    glClearColor(r, g, b, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}

// 2 x 4 images: red tells the columns apart, green the rows (row 0 is the
// image's first), blue the slides.
static Rgba texel(int slide, int column, int row) {
    return {40 + 150 * column, 20 + 60 * row, 40 * slide, 255};
}

static void expectSlideAt(float t, int slide) {
    clearBackBuffer(1.0f, 0.0f, 1.0f);
    demoTime = t;
    drawSlides();
    // Rows 1 and 2 land on these heights: slide 0 fills the 1.5-high view,
    // the others span 2 (an eighth cut off each end), slide 2 upside down.
    const int low = slide == 0 ? 288 : 256, high = slide == 0 ? 480 : 512;
    const int lowRow = slide == 2 ? 2 : 1;
    for (int column = 0; column < 2; ++column)
        for (int y : {low, high}) {
            const Rgba got = backBufferPixel(256 + 512 * column, y);
            const Rgba want = texel(slide, column, y == low ? lowRow : 3 - lowRow);
            EXPECT_TRUE(
                std::abs(got.r - want.r) + std::abs(got.g - want.g) + std::abs(got.b - want.b) < 8)
                << "t " << t << " column " << column << " y " << y;
        }
}

TEST(DrawStep, SlideByShowTimeNothingFromFortyAndTheMatricesRestored) {
    for (int slide = 0; slide < 4; ++slide) {
        uint8_t image[2 * 4 * 4];
        for (int i = 0; i < 8; ++i) {
            const Rgba c = texel(slide, i % 2, i / 2);
            image[4 * i] = c.r, image[4 * i + 1] = c.g, image[4 * i + 2] = c.b,
                      image[4 * i + 3] = 255;
        }
        slides[slide].upload(image, 2, 4);
        expectSlideAt(10.0f * slide, slide);  // lower bounds are inclusive
        expectSlideAt(std::nextafter(10.0f * (slide + 1), 0.0f), slide);
    }
    expectSlideAt(-3.0f, 0);

    glMatrixMode(GL_PROJECTION);
    glFrustum(-1, 1, -1, 1, 1, 10);
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(1.0f, 2.0f, 3.0f);
    auto matrices = [] {
        std::vector<GLfloat> m(34);
        glGetFloatv(GL_PROJECTION_MATRIX, m.data());
        glGetFloatv(GL_MODELVIEW_MATRIX, m.data() + 16);
        glGetFloatv(GL_MATRIX_MODE, m.data() + 32);
        glGetFloatv(GL_MODELVIEW_STACK_DEPTH, m.data() + 33);
        return m;
    };
    const std::vector<GLfloat> before = matrices();
    for (float t : {40.0f, 59.9f, 5.0f}) {
        clearBackBuffer(1.0f, 0.0f, 1.0f);
        demoTime = t;
        drawSlides();
        const Rgba centre = backBufferPixel(512, 384);
        EXPECT_EQ(t >= 40.0f, centre.r == 255 && centre.g == 0 && centre.b == 255) << t;
        EXPECT_EQ(matrices(), before) << t;
    }
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // A test that hangs must end on the first SIGTERM, not turn it into a
    // quit request that nobody reads; and no sound device is wanted.
    setenv("SDL_NO_SIGNAL_HANDLERS", "1", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    {
        MessageRecorder recorder;
        setupDisplay(appWindow);
        for (const MessageRecorder::Message& m : recorder.messages())
            std::fprintf(stderr, "display set-up: %s: %s\n", m.first.c_str(), m.second.c_str());
        if (!appWindow.running) return 1;
    }
    return RUN_ALL_TESTS();
}
