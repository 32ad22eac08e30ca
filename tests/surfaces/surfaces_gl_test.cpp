// Texture surfaces on real GL in the program's own window: Mesa on a private
// Xvfb screen natively (render buffers on framebuffer objects), and WGL
// pbuffers under Wine, where the cross-build makes this render_buffer_test.exe.
// One line per check, then "N passed, M failed"; status 0 when all passed.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "shell/gl.h"
#include "shell/message_box.h"
#include "shell/platform.h"
#include "surfaces/bitmap.h"
#include "surfaces/render_buffer.h"

namespace {
int passed = 0, failed = 0;

void check(bool ok, const std::string& what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAIL", what.c_str());
    std::fflush(stdout);
    (ok ? passed : failed)++;
}

// Distinct bytes everywhere, alpha included, so a misplaced row or column or
// a lost channel shows.
std::vector<uint8_t> pattern(int width, int height, uint32_t seed) {
    std::vector<uint8_t> bytes(size_t(width) * height * 4);
    for (uint8_t& b : bytes) {
        seed = seed * 1664525u + 1013904223u;
        b = uint8_t(seed >> 24);
    }
    return bytes;
}

bool sized(const PBuffer& s, int w, int h, int paddedW, int paddedH, float scaleS, float scaleT) {
    return s.width == w && s.height == h && s.paddedWidth == paddedW && s.paddedHeight == paddedH &&
           s.scaleS == scaleS && s.scaleT == scaleT;
}

// Level 0 of the texture bound now is w x h.
bool levelIs(int w, int h) {
    GLint lw = 0, lh = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &lw);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &lh);
    return lw == w && lh == h;
}

GLint boundTexture() {
    GLint name = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    return name;
}

// Pixel-exact drawing into a w x h target, origin bottom-left.
void pixelProjection(int w, int h) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, w, 0, h, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void clearWindow() {
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}

bool windowPixelNear(int x, int y, const uint8_t* rgb, int tolerance) {
    uint8_t p[4] = {};
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    for (int i = 0; i < 3; ++i)
        if (std::abs(p[i] - rgb[i]) > tolerance) return false;
    return true;
}

void checkBitmaps() {
    Bitmap bitmap;
    check(bitmap.textureCreated == 0 && bitmap.textureName == 0 && !bitmap.pixels &&
              sized(bitmap, 0, 0, 1, 1, 0.0f, 0.0f),
          "a new Bitmap is empty, without texture or cache");
    const uint8_t none[4] = {};
    bitmap.upload(none, 0, 0);
    bitmap.bind();
    check(bitmap.textureCreated == 1 && bitmap.textureName != 0 && levelIs(1, 1) &&
              sized(bitmap, 0, 0, 1, 1, 0.0f, 0.0f),
          "its first upload, 0 x 0, makes a 1 x 1 texture and keeps the scales 0");

    // One surface through each size: the cache must follow every change.
    const struct {
        int w, h, paddedW, paddedH;
        float s, t;
    } sizes[] = {{3, 2, 4, 2, 0.75f, 1.0f},
                 {17, 9, 32, 16, 0.53125f, 0.5625f},
                 {257, 3, 512, 4, 0.501953125f, 0.75f},
                 {640, 480, 1024, 512, 0.625f, 0.9375f},
                 {3, 2, 4, 2, 0.75f, 1.0f}};
    for (const auto& z : sizes) {
        const std::vector<uint8_t> image = pattern(z.w, z.h, uint32_t(z.w * 31 + z.h));
        bitmap.upload(image.data(), z.w, z.h);
        bitmap.bind();
        const bool level = levelIs(z.paddedW, z.paddedH);
        const uint8_t* back = bitmap.readBack();
        check(level && sized(bitmap, z.w, z.h, z.paddedW, z.paddedH, z.s, z.t) && back &&
                  std::memcmp(back, image.data(), image.size()) == 0,
              std::to_string(z.w) + " x " + std::to_string(z.h) + " reads back as uploaded");
    }
    const uint8_t* cache = bitmap.readBack();
    const std::vector<uint8_t> again = pattern(3, 2, 5);
    bitmap.upload(again.data(), 0, 0);
    check(bitmap.width == 3 && bitmap.height == 2 && bitmap.readBack() == cache &&
              std::memcmp(cache, again.data(), again.size()) == 0,
          "0 x 0 re-uploads at the same size; read-back refills the same cache");
    bitmap.upload(again.data(), 0, 5);
    bitmap.bind();
    check(sized(bitmap, 0, 5, 1, 8, 0.0f, 0.625f) && levelIs(1, 8), "0 x 5 is taken as it is");

    glDisable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 0);
    bitmap.upload(again.data(), 3, 2);
    const bool stateKept = !glIsEnabled(GL_TEXTURE_2D) && boundTexture() == 0;
    bitmap.readBack();
    check(stateKept && glIsEnabled(GL_TEXTURE_2D) && boundTexture() == GLint(bitmap.textureName),
          "upload keeps the caller's texture state; read-back leaves its texture bound and on");

    GLuint name = 0;
    {
        Bitmap gone;
        gone.upload(none, 1, 1);
        name = gone.textureName;
    }
    check(name != 0 && !glIsTexture(name), "destruction deletes the texture");
}

// A 5 x 3 image in an 8 x 4 texture drawn over the whole window: each texel
// centre shows the image, none of the padding, row 0 at the bottom.
void checkQuad() {
    std::vector<uint8_t> image(5 * 3 * 4, 255);
    for (int i = 0; i < 15; ++i) {
        image[i * 4] = uint8_t(30 + 50 * (i % 5));
        image[i * 4 + 1] = uint8_t(40 + 90 * (i / 5));
        image[i * 4 + 2] = 200;
    }
    Bitmap bitmap;
    bitmap.upload(image.data(), 5, 3);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    clearWindow();
    drawTexturedQuad(bitmap, -1, -1, 1, -1, 1, 1, -1, 1, 0, 0, 1, 0, 1, 1, 0, 1);
    GLfloat last[4] = {};
    glGetFloatv(GL_CURRENT_TEXTURE_COORDS, last);
    bool shows = glIsEnabled(GL_TEXTURE_2D) && boundTexture() == GLint(bitmap.textureName) &&
                 last[0] == 0.0f && last[1] == 0.75f;
    for (int i = 0; i < 15; ++i)
        shows =
            shows && windowPixelNear(int((i % 5 + 0.5) * appWindow.width / 5),
                                     int((i / 5 + 0.5) * appWindow.height / 3), &image[i * 4], 2);
    glDisable(GL_TEXTURE_2D);
    check(shows,
          "drawTexturedQuad shows exactly the image area, scaled coordinates last (0, 0.75)");
}

// Four quadrants, bottom-left first; the alphas survive a 2-bit alpha.
const uint8_t kQuadrants[4][4] = {
    {255, 0, 0, 255}, {0, 255, 0, 170}, {0, 0, 255, 85}, {255, 255, 0, 0}};
const uint8_t kCyan[4] = {0, 255, 255, 255};
using Colours = const uint8_t* [4];
const Colours kForward = {kQuadrants[0], kQuadrants[1], kQuadrants[2], kQuadrants[3]};
const Colours kReversed = {kQuadrants[3], kQuadrants[2], kQuadrants[1], kQuadrants[0]};
const Colours kAllCyan = {kCyan, kCyan, kCyan, kCyan};

int quadrantX(const PBuffer& b, int q) { return q % 2 ? b.width * 3 / 4 : b.width / 4; }
int quadrantY(const PBuffer& b, int q) { return q < 2 ? b.height / 4 : b.height * 3 / 4; }

void drawQuadrants(RenderBuffer& buffer, const Colours& colours) {
    buffer.beginRendering();
    pixelProjection(buffer.width, buffer.height);
    glDisable(GL_TEXTURE_2D);
    const int w = buffer.width, h = buffer.height;
    for (int q = 0; q < 4; ++q) {
        glColor4ubv(colours[q]);
        glRecti(q % 2 ? w / 2 : 0, q < 2 ? 0 : h / 2, q % 2 ? w : w / 2, q < 2 ? h / 2 : h);
    }
    glColor4f(1, 1, 1, 1);
    glFlush();
}

bool cacheShows(const uint8_t* pixels, const RenderBuffer& b, const Colours& colours) {
    bool same = pixels != nullptr;
    for (int q = 0; q < 4 && same; ++q)
        same =
            !std::memcmp(pixels + (quadrantY(b, q) * b.width + quadrantX(b, q)) * 4, colours[q], 4);
    return same;
}

// The buffer drawn 1:1 into the window at (x, y) shows these quadrants.
bool windowShows(RenderBuffer& buffer, int x, int y, const Colours& colours) {
    pixelProjection(appWindow.width, appWindow.height);
    clearWindow();
    const float x0 = float(x), y0 = float(y);
    const float x1 = float(x + buffer.width), y1 = float(y + buffer.height);
    drawTexturedQuad(buffer, x0, y0, x1, y0, x1, y1, x0, y1, 0, 0, 1, 0, 1, 1, 0, 1);
    glDisable(GL_TEXTURE_2D);
    bool same = true;
    for (int q = 0; q < 4; ++q)
        same = same &&
               windowPixelNear(x + quadrantX(buffer, q), y + quadrantY(buffer, q), colours[q], 0);
    return same;
}

void checkRenderBuffers() {
    RenderBuffer buffer;
    buffer.bind();  // sets bound before creation
    check(buffer.create(100, 60) && buffer.textureName && buffer.paddedWidth == 128 &&
              buffer.paddedHeight == 64 && !buffer.rendering && !buffer.bound &&
              !buffer.pixelsCached,
          "a 100 x 60 render buffer is made with a 128 x 64 texture and its flags clear");
    check(!buffer.create(8, 8) && !RenderBuffer().create(0, 8), "once, and only with a size");

    buffer.bind();
    const std::vector<uint8_t> padded = pattern(128, 64, 7);
    buffer.upload(padded.data(), 100, 60);
    const uint8_t* pixels = buffer.readBack();
    bool rows = pixels && buffer.width == 100;
    for (int r = 0; rows && r < 60; ++r)
        rows = !std::memcmp(pixels + r * 100 * 4, padded.data() + r * 128 * 4, 100 * 4);
    check(rows, "upload takes a padded array whatever size is given; read-back gives its corner");

    drawQuadrants(buffer, kForward);
    GLint redBits = 0;
    glGetIntegerv(GL_RED_BITS, &redBits);
    std::printf("   render buffer red bits: %d\n", int(redBits));
    check(buffer.rendering && !buffer.bound && !buffer.pixelsCached, "drawing into it unbinds it");
    check(buffer.readBack() == pixels && !buffer.rendering && buffer.bound &&
              cacheShows(pixels, buffer, kForward),
          "read-back returns to the window and holds the drawing, alpha too");
    check(windowShows(buffer, 200, 100, kForward), "drawn into the window, it shows the drawing");

    drawQuadrants(buffer, kReversed);
    buffer.bind();
    check(windowShows(buffer, 0, 0, kReversed), "a new drawing shows after the next bind");
    Bitmap other;
    other.upload(padded.data(), 128, 64);
    other.bind();
    check(buffer.readBack() == pixels && cacheShows(pixels, buffer, kReversed),
          "read-back reads the new drawing into the same cache, whatever texture is bound");

    std::vector<uint8_t> cyan(128 * 64 * 4);
    for (size_t i = 0; i < cyan.size(); ++i) cyan[i] = kCyan[i % 4];
    buffer.upload(cyan.data(), 0, 0);
    check(buffer.bound && windowShows(buffer, 0, 0, kAllCyan) && buffer.readBack() == pixels &&
              cacheShows(pixels, buffer, kReversed),
          "an upload shows at once while bound; the cache stays as it was");

    RenderBuffer small;
    small.create(8, 8);
    small.bind();
    small.upload(padded.data(), 0, 0);
    small.upload(nullptr, 0, 0);
    const uint8_t* zeros = small.readBack();
    check(zeros && std::all_of(zeros, zeros + 8 * 8 * 4, [](uint8_t b) { return b == 0; }),
          "a null upload clears the texture");

    other.upload(cyan.data(), 128, 64);
    RenderBuffer shared;
    shared.create(8, 8);
    shared.beginRendering();
    pixelProjection(8, 8);
    drawTexturedQuad(other, 0, 0, 8, 0, 8, 8, 0, 8, 0, 0, 1, 0, 1, 1, 0, 1);
    glDisable(GL_TEXTURE_2D);
    glFlush();
    check(cacheShows(shared.readBack(), shared, kAllCyan), "window textures draw into a buffer");

    renderBufferPool = new RenderBuffer[2];
    const bool made = renderBufferPool[0].create(16, 16) && renderBufferPool[1].create(64, 64);
    drawQuadrants(renderBufferPool[1], kForward);
    renderBufferPool[1].bind();
    releaseRenderBufferPool();
    RenderBuffer again;
    const bool remade = again.create(40, 40);
    drawQuadrants(again, kForward);
    again.bind();
    check(made && !renderBufferPool && remade && windowShows(again, 500, 300, kForward),
          "after the pool's release new buffers draw and show");
    renderBufferPool = new RenderBuffer[1];
    check(renderBufferPool[0].create(8, 8), "a buffer is left in the pool for the release at exit");
}

int runChecks() {
    setMessageBoxHandler(writeMessageToStderr);
    setupDisplay(appWindow);
    check(appWindow.running == 1, "display set-up succeeds");
    if (appWindow.running) {
        checkBitmaps();
        checkQuad();
        checkRenderBuffers();
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    std::fflush(stdout);
    return failed == 0 ? 0 : 1;
}
}  // namespace

#if defined(_WIN32)
// The Win32 back end's WinMain runs this program.
AppWindow appWindow;
int runProgram() { return runChecks(); }
#else
int main() { return runChecks(); }
#endif
