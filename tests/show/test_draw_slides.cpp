// The draw step at chosen show times, in the program's window.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <new>
#include <vector>

#include "gl_window.h"
#include "shell/app_window.h"
#include "shell/entry.h"
#include "show/show.h"

namespace {
constexpr int kColumns = 4;
constexpr int kRows = 8;

// Red counts columns, green counts rows (row 0 is the image's first row),
// blue tells the slides apart.
Rgba texel(int slide, int column, int row) {
    return {40 + 50 * column, 20 + 28 * row, 30 + 60 * slide, 255};
}

void fillSlides() {
    for (int slide = 0; slide < 4; ++slide) {
        std::vector<uint8_t> image(kColumns * kRows * 4);
        for (int row = 0; row < kRows; ++row)
            for (int column = 0; column < kColumns; ++column) {
                Rgba c = texel(slide, column, row);
                uint8_t* p = &image[(row * kColumns + column) * 4];
                p[0] = uint8_t(c.r);
                p[1] = uint8_t(c.g);
                p[2] = uint8_t(c.b);
                p[3] = uint8_t(c.a);
            }
        slides[slide].upload(image.data(), kColumns, kRows);
    }
}

// Where the centre of an image texel lands on the 1024 x 768 screen (pixels
// from the bottom-left). The view spans x -1..1 and y -0.75..0.75; slide 0's
// quad covers exactly that, the others span y -1..1, slide 2 upside down.
bool texelOnScreen(int slide, int column, int row, int& x, int& y) {
    const double s = (column + 0.5) / kColumns;
    const double t = (row + 0.5) / kRows;
    double quadY;
    if (slide == 0)
        quadY = -0.75 + 1.5 * t;
    else if (slide == 2)
        quadY = 1.0 - 2.0 * t;
    else
        quadY = -1.0 + 2.0 * t;
    x = int(std::floor(s * 1024));
    y = int(std::floor((quadY + 0.75) / 1.5 * 768));
    return y >= 0 && y < 768;
}

class DrawSlides : public ::testing::Test {
protected:
    static void SetUpTestSuite() { fillSlides(); }
    void SetUp() override {
        ASSERT_EQ(appWindow.width, 1024);
        ASSERT_EQ(appWindow.height, 768);
        glDisable(GL_TEXTURE_2D);
        clearBackBuffer(1.0f, 0.0f, 1.0f);
    }
    void TearDown() override { demoTime = 0.0f; }

    // Draws at show time t and checks every visible texel centre against
    // the expected slide.
    void expectSlideAt(float t, int slide) {
        SCOPED_TRACE(::testing::Message() << "t = " << t << ", slide " << slide);
        demoTime = t;
        drawSlides();
        int visible = 0;
        for (int row = 0; row < kRows; ++row)
            for (int column = 0; column < kColumns; ++column) {
                int x, y;
                if (!texelOnScreen(slide, column, row, x, y)) continue;
                ++visible;
                Rgba want = texel(slide, column, row);
                Rgba got = backBufferPixel(x, y);
                EXPECT_NEAR(got.r, want.r, 3) << "texel " << column << "," << row;
                EXPECT_NEAR(got.g, want.g, 3) << "texel " << column << "," << row;
                EXPECT_NEAR(got.b, want.b, 3) << "texel " << column << "," << row;
            }
        // Slide 0 shows all eight rows, the others the middle six.
        EXPECT_EQ(visible, kColumns * (slide == 0 ? 8 : 6));
    }

    void expectNothingDrawnAt(float t) {
        SCOPED_TRACE(::testing::Message() << "t = " << t);
        demoTime = t;
        drawSlides();
        const int points[][2] = {{0, 0}, {512, 384}, {1023, 767}, {100, 700}, {900, 50}};
        for (const auto& p : points) {
            Rgba got = backBufferPixel(p[0], p[1]);
            EXPECT_EQ(got.r, 255);
            EXPECT_EQ(got.g, 0);
            EXPECT_EQ(got.b, 255);
        }
    }
};
}  // namespace

TEST_F(DrawSlides, EachTenSecondsShowTheNextSlideFromItsLowerBound) {
    const float below10 = std::nextafter(10.0f, 0.0f);
    const float below40 = std::nextafter(40.0f, 0.0f);
    expectSlideAt(0.0f, 0);
    expectSlideAt(below10, 0);
    expectSlideAt(10.0f, 1);
    expectSlideAt(std::nextafter(20.0f, 0.0f), 1);
    expectSlideAt(20.0f, 2);
    expectSlideAt(29.5f, 2);
    expectSlideAt(30.0f, 3);
    expectSlideAt(below40, 3);
}

TEST_F(DrawSlides, NegativeTimeShowsTheFirstSlide) { expectSlideAt(-3.0f, 0); }

TEST_F(DrawSlides, NothingIsDrawnFromFortySeconds) {
    expectNothingDrawnAt(40.0f);
    expectNothingDrawnAt(59.999f);
    expectNothingDrawnAt(75.0f);
}

// A slide whose image decoded to nothing is a 1 x 1 texture with scales 0:
// drawn like the others, one colour over the whole view.
TEST_F(DrawSlides, AnEmptySlideIsDrawnAsOneColour) {
    // What the load step leaves for a missing file: a fresh Bitmap given a
    // 0 x 0 image.
    Bitmap& slide = slides[1];
    slide.Bitmap::~Bitmap();
    new (&slide) Bitmap();
    const uint8_t nothing[4] = {0, 0, 0, 0};
    slide.upload(nothing, 0, 0);
    ASSERT_EQ(slide.paddedWidth, 1);
    ASSERT_EQ(slide.scaleS, 0.0f);

    demoTime = 15.0f;
    drawSlides();
    const Rgba first = backBufferPixel(0, 0);
    EXPECT_FALSE(first.r == 255 && first.g == 0 && first.b == 255) << "nothing drawn";
    const int points[][2] = {{512, 384}, {1023, 767}, {100, 700}, {900, 50}};
    for (const auto& p : points) {
        Rgba got = backBufferPixel(p[0], p[1]);
        EXPECT_EQ(got.r, first.r);
        EXPECT_EQ(got.g, first.g);
        EXPECT_EQ(got.b, first.b);
    }
    fillSlides();
}

TEST_F(DrawSlides, RestoresBothMatricesAndLeavesTexturingOn) {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glFrustum(-1, 1, -1, 1, 1, 10);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glTranslatef(1.0f, 2.0f, 3.0f);

    GLfloat projectionBefore[16], modelviewBefore[16];
    GLint projectionDepth = 0, modelviewDepth = 0;
    glGetFloatv(GL_PROJECTION_MATRIX, projectionBefore);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelviewBefore);
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &projectionDepth);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &modelviewDepth);

    for (float t : {5.0f, 45.0f}) {
        SCOPED_TRACE(t);
        demoTime = t;
        drawSlides();
        GLfloat projection[16], modelview[16];
        GLint mode = 0, depth = 0;
        glGetFloatv(GL_PROJECTION_MATRIX, projection);
        glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        EXPECT_EQ(mode, GL_MODELVIEW);
        for (int i = 0; i < 16; ++i) {
            EXPECT_EQ(projection[i], projectionBefore[i]);
            EXPECT_EQ(modelview[i], modelviewBefore[i]);
        }
        glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
        EXPECT_EQ(depth, projectionDepth);
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
        EXPECT_EQ(depth, modelviewDepth);
    }
    demoTime = 5.0f;
    drawSlides();
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}
