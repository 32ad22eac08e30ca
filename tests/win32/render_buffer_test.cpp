// Render buffers on WGL pbuffers, in the program's own window on a real
// (Wine) desktop: pictures drawn into a buffer's own context show in its
// texture, in read-back and drawn into the window. The back end's WinMain
// starts this program and calls runProgram(), which runs the checks.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "shell/app_window.h"
#include "shell/entry.h"
#include "shell/gl.h"
#include "shell/message_box.h"
#include "shell/platform.h"
#include "surfaces/bitmap.h"
#include "surfaces/render_buffer.h"

AppWindow appWindow;

namespace {

int passed = 0;
int failed = 0;

void check(bool ok, const char* what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAIL", what);
    std::fflush(stdout);
    (ok ? passed : failed)++;
}

std::vector<std::string> boxes;
void recordBox(const char* text, const char* caption) {
    boxes.push_back(std::string(caption) + ": " + text);
}

struct Colour {
    int r, g, b, a;
};

// Four quadrants, bottom-left first; alphas distinct too.
const Colour kQuadrants[4] = {
    {255, 0, 0, 255}, {0, 255, 0, 170}, {0, 0, 255, 85}, {255, 255, 0, 0}};

void fillRect(int x0, int y0, int x1, int y1, const Colour& c) {
    glColor4ub(GLubyte(c.r), GLubyte(c.g), GLubyte(c.b), GLubyte(c.a));
    glBegin(GL_QUADS);
    glVertex2i(x0, y0);
    glVertex2i(x1, y0);
    glVertex2i(x1, y1);
    glVertex2i(x0, y1);
    glEnd();
}

// Pixel-exact drawing in a w x h target, origin bottom-left.
void pixelProjection(int w, int h) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, w, 0, h, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// The buffer has a context of its own, so its projection is set there and
// the window's is not touched.
void drawQuadrants(RenderBuffer& buffer, const Colour (&colours)[4]) {
    buffer.beginRendering();
    pixelProjection(buffer.width, buffer.height);
    glDisable(GL_TEXTURE_2D);
    const int midX = buffer.width / 2, midY = buffer.height / 2;
    fillRect(0, 0, midX, midY, colours[0]);
    fillRect(midX, 0, buffer.width, midY, colours[1]);
    fillRect(0, midY, midX, buffer.height, colours[2]);
    fillRect(midX, midY, buffer.width, buffer.height, colours[3]);
    glFlush();
}

bool cacheShows(const uint8_t* pixels, const RenderBuffer& buffer, const Colour (&colours)[4]) {
    if (!pixels) return false;
    bool same = true;
    for (int q = 0; q < 4; ++q) {
        const int x = q % 2 == 0 ? buffer.width / 4 : buffer.width * 3 / 4;
        const int y = q < 2 ? buffer.height / 4 : buffer.height * 3 / 4;
        const uint8_t* p = pixels + (size_t(y) * buffer.width + x) * 4;
        // 10-10-10-2 colour holds 0 and 255 exactly; 2-bit alpha holds
        // 0, 85, 170 and 255.
        if (p[0] != colours[q].r || p[1] != colours[q].g || p[2] != colours[q].b ||
            p[3] != colours[q].a) {
            std::printf("   quadrant %d cached %d %d %d %d\n", q, p[0], p[1], p[2], p[3]);
            same = false;
        }
    }
    return same;
}

void clearWindow() {
    glViewport(0, 0, appWindow.width, appWindow.height);
    pixelProjection(appWindow.width, appWindow.height);
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}

// The buffer's image 1:1 into the window's back buffer at (x, y).
void drawIntoWindow(RenderBuffer& buffer, int x, int y) {
    const float x0 = float(x), y0 = float(y);
    const float x1 = float(x + buffer.width), y1 = float(y + buffer.height);
    drawTexturedQuad(buffer, x0, y0, x1, y0, x1, y1, x0, y1, 0, 0, 1, 0, 1, 1, 0, 1);
    glDisable(GL_TEXTURE_2D);
}

bool windowShows(const RenderBuffer& buffer, int x, int y, const Colour (&colours)[4]) {
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    bool same = true;
    for (int q = 0; q < 4; ++q) {
        const int px = x + (q % 2 == 0 ? buffer.width / 4 : buffer.width * 3 / 4);
        const int py = y + (q < 2 ? buffer.height / 4 : buffer.height * 3 / 4);
        uint8_t p[4] = {};
        glReadPixels(px, py, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
        if (p[0] != colours[q].r || p[1] != colours[q].g || p[2] != colours[q].b) {
            std::printf("   quadrant %d on screen %d %d %d\n", q, p[0], p[1], p[2]);
            same = false;
        }
    }
    return same;
}

bool windowContextCurrent() {
    return wglGetCurrentContext() == static_cast<HGLRC>(appWindow.glContext) &&
           wglGetCurrentDC() == static_cast<HDC>(appWindow.deviceContext);
}

void checkDrawingShows() {
    RenderBuffer buffer;
    check(buffer.create(100, 60), "a 100 x 60 render buffer is created");
    check(buffer.pbuffer && buffer.pbufferDC && buffer.pbufferContext && buffer.textureName &&
              buffer.paddedWidth == 128 && buffer.paddedHeight == 64,
          "it has a pbuffer, its device context and GL context, and a 128 x 64 texture");
    check(windowContextCurrent(), "creation leaves the window's context current");

    drawQuadrants(buffer, kQuadrants);
    check(wglGetCurrentContext() == static_cast<HGLRC>(buffer.pbufferContext) &&
              buffer.rendering == 1,
          "drawing makes the buffer's own context current");
    const uint8_t* pixels = buffer.readBack();
    check(windowContextCurrent() && buffer.rendering == 0 && buffer.bound == 1,
          "read-back binds, which switches back to the window's context");
    check(cacheShows(pixels, buffer, kQuadrants), "read-back holds the drawn quadrants");

    clearWindow();
    drawIntoWindow(buffer, 200, 100);
    check(windowShows(buffer, 200, 100, kQuadrants), "drawn into the window, the quad shows them");

    // A second picture: the next bind attaches the colour buffer again.
    const Colour reversed[4] = {kQuadrants[3], kQuadrants[2], kQuadrants[1], kQuadrants[0]};
    drawQuadrants(buffer, reversed);
    buffer.bind();
    clearWindow();
    drawIntoWindow(buffer, 0, 0);
    check(windowShows(buffer, 0, 0, reversed), "a new drawing shows after the next bind");
    check(cacheShows(buffer.readBack(), buffer, reversed), "and read-back reads it again");

    // An upload replaces what the texture shows; bound stays set.
    std::vector<uint8_t> cyan(size_t(buffer.paddedWidth) * buffer.paddedHeight * 4);
    for (size_t i = 0; i < cyan.size(); i += 4) {
        cyan[i] = 0;
        cyan[i + 1] = 255;
        cyan[i + 2] = 255;
        cyan[i + 3] = 255;
    }
    buffer.upload(cyan.data(), 0, 0);
    check(windowContextCurrent() && buffer.bound == 1,
          "upload keeps the window's context and bound");
    clearWindow();
    drawIntoWindow(buffer, 0, 0);
    const Colour allCyan[4] = {
        {0, 255, 255, 255}, {0, 255, 255, 255}, {0, 255, 255, 255}, {0, 255, 255, 255}};
    check(windowShows(buffer, 0, 0, allCyan), "the uploaded picture shows");
}

// The buffer's context shares the window's textures: a slide can be drawn
// into a render buffer.
void checkSharedTextures() {
    Bitmap slide;
    std::vector<uint8_t> magenta(32 * 32 * 4);
    for (size_t i = 0; i < magenta.size(); i += 4) {
        magenta[i] = 255;
        magenta[i + 1] = 0;
        magenta[i + 2] = 255;
        magenta[i + 3] = 255;
    }
    slide.upload(magenta.data(), 32, 32);

    RenderBuffer buffer;
    if (!buffer.create(32, 32)) {
        check(false, "a 32 x 32 render buffer is created");
        return;
    }
    buffer.beginRendering();
    pixelProjection(32, 32);
    drawTexturedQuad(slide, 0, 0, 32, 0, 32, 32, 0, 32, 0, 0, 1, 0, 1, 1, 0, 1);
    glDisable(GL_TEXTURE_2D);
    glFlush();
    const uint8_t* pixels = buffer.readBack();
    check(pixels && pixels[(16 * 32 + 16) * 4] == 255 && pixels[(16 * 32 + 16) * 4 + 1] == 0 &&
              pixels[(16 * 32 + 16) * 4 + 2] == 255,
          "a window texture drawn in the buffer's context shows in it");
}

void checkPoolRelease() {
    renderBufferPool = new RenderBuffer[2];
    const bool made = renderBufferPool[0].create(16, 16) && renderBufferPool[1].create(64, 64);
    check(made, "two pool buffers are created");
    drawQuadrants(renderBufferPool[1], kQuadrants);
    renderBufferPool[1].bind();
    releaseRenderBufferPool();
    check(renderBufferPool == nullptr && windowContextCurrent(),
          "the pool is released with the window's context left current");

    // Releasing a pool of buffers never created touches no pbuffer.
    renderBufferPool = new RenderBuffer[3];
    releaseRenderBufferPool();
    check(renderBufferPool == nullptr, "a pool of empty buffers is released too");
}

}  // namespace

int runProgram() {
    setMessageBoxHandler(recordBox);
    setupDisplay(appWindow);
    for (const std::string& box : boxes) std::printf("box: %s\n", box.c_str());
    check(appWindow.running == 1, "display set-up succeeds");
    if (appWindow.running != 1) return 1;

    checkDrawingShows();
    checkSharedTextures();
    checkPoolRelease();

    // One buffer left in the pool for the release at exit.
    renderBufferPool = new RenderBuffer[1];
    check(renderBufferPool[0].create(8, 8), "a buffer is left for the release at exit");

    std::printf("%d passed, %d failed\n", passed, failed);
    std::fflush(stdout);
    return failed == 0 ? 0 : 1;
}
