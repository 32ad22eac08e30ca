// RenderBuffer for real: pictures drawn into it with GL show in its texture,
// in read-back and drawn into the window (Mesa on a private Xvfb screen).
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "gl_window.h"
#include "shell/app_window.h"
#include "surfaces/bitmap.h"
#include "surfaces/render_buffer.h"

namespace {
struct Colour {
    uint8_t r, g, b, a;
};

// Four quadrants of distinct colours (and alphas), bottom-left first, so
// that a flip, a shift or a lost channel shows.
const Colour kQuadrants[4] = {
    {255, 0, 0, 255}, {0, 255, 0, 200}, {0, 0, 255, 100}, {255, 255, 0, 50}};

void fillRect(int x0, int y0, int x1, int y1, const Colour& c) {
    glColor4ub(c.r, c.g, c.b, c.a);
    glBegin(GL_QUADS);
    glVertex2i(x0, y0);
    glVertex2i(x1, y0);
    glVertex2i(x1, y1);
    glVertex2i(x0, y1);
    glEnd();
}

// Pixel-exact drawing in a w x h target with the origin bottom-left.
void pushPixelProjection(int w, int h) {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, w, 0, h, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
}

void popProjection() {
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

// Draws the four quadrants over the buffer's image.
void drawQuadrants(RenderBuffer& buffer, const Colour (&colours)[4]) {
    buffer.beginRendering();
    glDisable(GL_TEXTURE_2D);
    pushPixelProjection(buffer.width, buffer.height);
    const int midX = buffer.width / 2;
    const int midY = buffer.height / 2;
    fillRect(0, 0, midX, midY, colours[0]);
    fillRect(midX, 0, buffer.width, midY, colours[1]);
    fillRect(0, midY, midX, buffer.height, colours[2]);
    fillRect(midX, midY, buffer.width, buffer.height, colours[3]);
    popProjection();
    glColor4f(1, 1, 1, 1);
}

// Until the buffer is bound again, everything drawn (a clear of the window
// too) still goes into the buffer.
void finishDrawing(RenderBuffer& buffer) {
    EXPECT_EQ(buffer.rendering, 1);
    buffer.bind();
    EXPECT_EQ(buffer.rendering, 0);
}

Colour cachedPixel(const uint8_t* pixels, int width, int x, int y) {
    const uint8_t* p = pixels + (size_t(y) * width + x) * 4;
    return {p[0], p[1], p[2], p[3]};
}

// The buffer's image drawn 1:1 into the window with its corner at (x, y).
void drawIntoWindow(RenderBuffer& buffer, int x, int y) {
    glViewport(0, 0, appWindow.width, appWindow.height);
    pushPixelProjection(appWindow.width, appWindow.height);
    const float x0 = float(x), y0 = float(y);
    const float x1 = float(x + buffer.width), y1 = float(y + buffer.height);
    drawTexturedQuad(buffer, x0, y0, x1, y0, x1, y1, x0, y1, 0, 0, 1, 0, 1, 1, 0, 1);
    glDisable(GL_TEXTURE_2D);
    popProjection();
}

// The window pixel at the centre of quadrant q of a buffer drawn at (x, y).
Rgba windowQuadrant(const RenderBuffer& buffer, int x, int y, int q) {
    const int px = x + (q % 2 == 0 ? buffer.width / 4 : buffer.width * 3 / 4);
    const int py = y + (q < 2 ? buffer.height / 4 : buffer.height * 3 / 4);
    return backBufferPixel(px, py);
}

void expectWindowShows(const RenderBuffer& buffer, int x, int y, const Colour (&colours)[4]) {
    for (int q = 0; q < 4; ++q) {
        const Rgba seen = windowQuadrant(buffer, x, y, q);
        EXPECT_EQ(seen.r, colours[q].r) << "quadrant " << q;
        EXPECT_EQ(seen.g, colours[q].g) << "quadrant " << q;
        EXPECT_EQ(seen.b, colours[q].b) << "quadrant " << q;
    }
}

bool viewportIsTheWindow() {
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    return viewport[0] == 0 && viewport[1] == 0 && viewport[2] == appWindow.width &&
           viewport[3] == appWindow.height;
}
}  // namespace

TEST(RenderBufferGl, DrawnPictureShowsInReadBackAndInTheWindow) {
    RenderBuffer buffer;
    ASSERT_TRUE(buffer.create(100, 60));
    EXPECT_NE(buffer.textureName, 0u);
    EXPECT_NE(buffer.framebuffer, 0u);

    drawQuadrants(buffer, kQuadrants);
    EXPECT_EQ(buffer.rendering, 1);
    const uint8_t* pixels = buffer.readBack();
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(buffer.rendering, 0);
    EXPECT_TRUE(viewportIsTheWindow()) << "switching back gives the window its viewport";
    // Row 0 of the image is the buffer's bottom row.
    const int xs[2] = {10, 90}, ys[2] = {5, 55};
    for (int q = 0; q < 4; ++q) {
        const Colour c = cachedPixel(pixels, 100, xs[q % 2], ys[q / 2]);
        EXPECT_EQ(c.r, kQuadrants[q].r) << "quadrant " << q;
        EXPECT_EQ(c.g, kQuadrants[q].g) << "quadrant " << q;
        EXPECT_EQ(c.b, kQuadrants[q].b) << "quadrant " << q;
        EXPECT_EQ(c.a, kQuadrants[q].a) << "quadrant " << q;
    }

    clearBackBuffer(0.5f, 0.5f, 0.5f);
    drawIntoWindow(buffer, 200, 100);
    expectWindowShows(buffer, 200, 100, kQuadrants);
    EXPECT_EQ(backBufferPixel(150, 150).r, 128) << "nothing drawn outside the quad";
}

TEST(RenderBufferGl, EveryNewDrawingShowsAndUploadReplacesThePicture) {
    RenderBuffer buffer;
    ASSERT_TRUE(buffer.create(64, 32));
    drawQuadrants(buffer, kQuadrants);
    finishDrawing(buffer);
    clearBackBuffer(0, 0, 0);
    drawIntoWindow(buffer, 0, 0);
    expectWindowShows(buffer, 0, 0, kQuadrants);

    const Colour reversed[4] = {kQuadrants[3], kQuadrants[2], kQuadrants[1], kQuadrants[0]};
    drawQuadrants(buffer, reversed);
    finishDrawing(buffer);
    clearBackBuffer(0, 0, 0);
    drawIntoWindow(buffer, 0, 0);
    expectWindowShows(buffer, 0, 0, reversed);
    const uint8_t* pixels = buffer.readBack();
    EXPECT_EQ(cachedPixel(pixels, 64, 5, 5).b, 0) << "read-back sees the new drawing";
    EXPECT_EQ(cachedPixel(pixels, 64, 5, 5).a, 50);

    // An upload on the bound buffer replaces what the texture shows; the
    // cached read-back stays as it was.
    std::vector<uint8_t> cyan(64 * 32 * 4);
    for (size_t i = 0; i < cyan.size(); i += 4) {
        cyan[i] = 0;
        cyan[i + 1] = 255;
        cyan[i + 2] = 255;
        cyan[i + 3] = 255;
    }
    buffer.upload(cyan.data(), 64, 32);
    clearBackBuffer(0, 0, 0);
    drawIntoWindow(buffer, 0, 0);
    const Colour allCyan[4] = {
        {0, 255, 255, 255}, {0, 255, 255, 255}, {0, 255, 255, 255}, {0, 255, 255, 255}};
    expectWindowShows(buffer, 0, 0, allCyan);
    EXPECT_EQ(buffer.readBack(), pixels);
    EXPECT_EQ(cachedPixel(pixels, 64, 5, 5).b, 0);
}

TEST(RenderBufferGl, ReadBackAfterAnotherTextureWasBoundReadsItsOwn) {
    RenderBuffer buffer;
    ASSERT_TRUE(buffer.create(32, 32));
    drawQuadrants(buffer, kQuadrants);
    buffer.bind();

    // A larger texture is current now; the buffer is still marked bound.
    Bitmap other;
    std::vector<uint8_t> grey(256 * 128 * 4, 77);
    other.upload(grey.data(), 256, 128);
    other.bind();

    const uint8_t* pixels = buffer.readBack();
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(cachedPixel(pixels, 32, 4, 4).r, 255);
    EXPECT_EQ(cachedPixel(pixels, 32, 28, 28).g, 255);
    EXPECT_EQ(cachedPixel(pixels, 32, 28, 28).a, 50);
}

TEST(RenderBufferGl, BuffersCanBeMadeAgainAfterThePoolIsReleased) {
    renderBufferPool = new RenderBuffer[2];
    ASSERT_TRUE(renderBufferPool[0].create(16, 16));
    ASSERT_TRUE(renderBufferPool[1].create(16, 16));
    const uint32_t framebuffers[2] = {renderBufferPool[0].framebuffer,
                                      renderBufferPool[1].framebuffer};
    EXPECT_NE(framebuffers[0], framebuffers[1]);
    releaseRenderBufferPool();
    EXPECT_EQ(renderBufferPool, nullptr);

    // The released framebuffers are deleted; a new buffer draws as well as
    // the first ones did.
    RenderBuffer again;
    ASSERT_TRUE(again.create(40, 40));
    drawQuadrants(again, kQuadrants);
    finishDrawing(again);
    clearBackBuffer(0, 0, 0);
    drawIntoWindow(again, 500, 300);
    expectWindowShows(again, 500, 300, kQuadrants);
}
