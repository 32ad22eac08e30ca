// Texture surfaces: what needs no window (alone with --no-window), then real GL in the
// program's window, here and under Wine as render_buffer_test.exe. Status 0: all passed.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "shell/message_box.h"
#include "shell/platform.h"
#include "shell/render_texture.h"
#include "surfaces/bitmap.h"
#include "surfaces/pixel_memory.h"
#include "surfaces/render_buffer.h"

namespace {
int passed = 0, failed = 0;

void check(bool ok, const std::string& what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAIL", what.c_str());
    (ok ? passed : failed)++;
}

// Distinct bytes, so that a misplaced row or column or a lost channel shows.
std::vector<uint8_t> pattern(int width, int height, uint32_t seed) {
    std::vector<uint8_t> bytes(size_t(width) * height * 4);
    for (uint8_t& b : bytes) {
        seed = seed * 1664525u + 1013904223u;
        b = uint8_t(seed >> 24);
    }
    return bytes;
}

uint64_t memoryLimit = UINT64_MAX;
bool overLimit(uint64_t bytes) { return bytes > memoryLimit; }

// With no context current nothing is read, but each read-back fits the cache
// (the sanitizers see an overrun) and running out of memory empties a surface.
void checkWithoutContext() {
    Bitmap bitmap;
    bitmap.setSize(257, 1 << 30);
    check(bitmap.paddedWidth == 512 && bitmap.paddedHeight == 1 << 30 &&
              bitmap.scaleS == 0.501953125f && bitmap.scaleT == 1,
          "257 x 2^30 pads to 512 x 2^30");
    const std::vector<uint8_t> small = pattern(3, 2, 1), large = pattern(17, 9, 2);
    const std::vector<uint8_t> zeros(large.size(), 0);
    bitmap.upload(small.data(), 3, 2);
    bitmap.readBack();
    bitmap.upload(large.data(), 17, 9);
    check(!std::memcmp(bitmap.readBack(), zeros.data(), large.size()),
          "read-back after a larger upload gives zeros in a cache of the new size");

    pixelMemoryRefuses = overLimit;
    memoryLimit = 0;
    bitmap.upload(large.data(), 17, 9);
    const bool uploaded = bitmap.width == 17 && bitmap.height == 9;
    bitmap.upload(small.data(), 3, 2);  // its cache must be made again
    memoryLimit = small.size() - 1;
    check(uploaded && !bitmap.readBack() && bitmap.width == 0 && bitmap.scaleS == 0,
          "upload needs no memory of its own; read-back out of memory leaves the surface empty");
    memoryLimit = UINT64_MAX;
}

std::string askedFor, missing;
void entryPoint() {}
// Answers for every name but one, as SDL answers for names a driver lacks.
void* lookup(const char* name) {
    askedFor += std::string(name) + " ";
    return name == missing ? nullptr : reinterpret_cast<void*>(&entryPoint);
}

// The names asked for, then whether all five entry points are set or none.
std::string load(const char* extensions) {
    askedFor.clear();
    const bool found = loadRenderTextureEntryPoints(extensions, lookup);
    const int set = !!genFramebuffers + !!bindFramebuffer + !!framebufferTexture2D +
                    !!deleteFramebuffers + !!checkFramebufferStatus;
    return askedFor + (found && set == 5 ? "all" : !found && set == 0 ? "none" : "wrong");
}

void checkFramebufferLookup() {
    const std::string core[] = {"glGenFramebuffers", "glBindFramebuffer", "glFramebufferTexture2D",
                                "glDeleteFramebuffers", "glCheckFramebufferStatus"};
    std::string names, ext;
    for (const std::string& name : core) names += name + " ", ext += name + "EXT ";
    check(load("GL_EXT_framebuffer_objectx GL_ARB_framebuffer_object GL_EXT_framebuffer_object") ==
                  ext + "all" &&
              load("GL_ARB_framebuffer_object") == names + "all",
          "framebuffer entry points: the EXT names where listed, else the core ones");
    bool refused = load("GL_EXT_framebuffer_objectx MY_GL_ARB_framebuffer_object") == "none";
    for (const std::string& name : core) {
        missing = name;
        refused = refused && load("GL_ARB_framebuffer_object") == names + "none";
    }
    check(refused, "none without the extension, or with an entry point missing");
}

// Level 0 of the surface's texture is the padded size, magnified smoothly.
bool padded(Bitmap& bitmap, int paddedW, int paddedH) {
    GLint levelW = 0, levelH = 0, magnified = 0;
    bitmap.bind();
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &levelW);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &levelH);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magnified);
    return levelW == paddedW && levelH == paddedH && magnified == GL_LINEAR;
}

// The bound texture's whole level 0 holds the image in its top-left corner and zeros
// around it.
bool zeroPadded(const std::vector<uint8_t>& image, int width, int paddedW, int paddedH) {
    std::vector<uint8_t> level(size_t(paddedW) * paddedH * 4, 0xAA);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, level.data());
    const int height = width ? int(image.size() / 4 / size_t(width)) : 0;
    for (int y = 0; y < paddedH; ++y) {
        for (int x = 0; x < paddedW; ++x) {
            const uint8_t* texel = &level[(size_t(y) * paddedW + x) * 4];
            const bool inside = x < width && y < height;
            for (int c = 0; c < 4; ++c)
                if (texel[c] != (inside ? image[(size_t(y) * width + x) * 4 + c] : 0)) return false;
        }
    }
    return true;
}

// One surface through every size, the first 0 x 0 when new: its texture is padded with
// zeros and its cache follows each change. Returns the name of that texture, gone with
// the surface.
GLuint checkBitmaps() {
    Bitmap bitmap;
    const int sizes[][4] = {{0, 0, 1, 1},    {3, 2, 4, 2},     {16, 8, 16, 8},
                            {17, 9, 32, 16}, {257, 3, 512, 4}, {640, 480, 1024, 512}};
    for (const auto& z : sizes) {
        const std::vector<uint8_t> image = pattern(z[0], z[1], uint32_t(z[0] + z[1]));
        // What the padding held before must not show through.
        const std::vector<uint8_t> whole = pattern(z[2], z[3], 9);
        bitmap.upload(whole.data(), z[2], z[3]);
        bitmap.upload(image.data(), z[0], z[1]);
        const uint8_t* back = bitmap.readBack();
        check(glIsEnabled(GL_TEXTURE_2D) && padded(bitmap, z[2], z[3]) && back &&
                  std::equal(image.begin(), image.end(), back) &&
                  zeroPadded(image, z[0], z[2], z[3]),
              std::to_string(z[0]) + " x " + std::to_string(z[1]) +
                  " is padded with zeros and reads back");
    }
    const uint8_t* cache = bitmap.readBack();
    const std::vector<uint8_t> again = pattern(640, 480, 5);
    bitmap.upload(again.data(), 0, 0);
    check(bitmap.width == 640 && bitmap.height == 480 && bitmap.readBack() == cache &&
              std::equal(again.begin(), again.end(), cache),
          "0 x 0 re-uploads at the same size; read-back refills the same cache");
    glDisable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 0);
    Bitmap fresh;
    fresh.upload(again.data(), 0, 5);
    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    check(!glIsEnabled(GL_TEXTURE_2D) && bound == 0 && fresh.width == 0 && fresh.height == 5 &&
              fresh.scaleT == 0.625f && padded(fresh, 1, 8),
          "0 x 5 is taken as it is; upload keeps the caller's texture state");
    return bitmap.textureName;
}

// What a texture or memory cannot hold leaves the surface empty over a 1 x 1 texture;
// what a texture does not cover reads as zeros.
void checkBitmapLimits(GLint largest) {
    const std::vector<uint8_t> row = pattern(largest + 1, 1, 3);
    Bitmap bitmap;
    bitmap.upload(row.data(), largest + 1, 1);
    check(bitmap.width == 0 && bitmap.height == 0 && padded(bitmap, 1, 1),
          "an image wider than the texture limit leaves the surface empty");

    const std::vector<uint8_t> image = pattern(5, 3, 4);
    bitmap.upload(image.data(), 5, 3);
    memoryLimit = image.size();  // the cache, not the 8 x 4 texture read into
    const uint8_t* zeros = bitmap.readBack();
    bool emptied = zeros && std::all_of(zeros, zeros + image.size(), [](uint8_t b) { return !b; });
    memoryLimit = UINT64_MAX;
    check(emptied && bitmap.width == 0 && padded(bitmap, 1, 1),
          "a read-back that runs out of memory leaves the surface empty");

    // The texture shrunk behind the surface's back to 4 x 2: the cache still
    // holds the whole 5 x 3 image from before.
    bitmap.upload(image.data(), 5, 3);
    bitmap.readBack();
    bitmap.bind();
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 4, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, image.data());
    const uint8_t* part = bitmap.readBack();
    const uint8_t nothing[4] = {0, 0, 0, 0};
    bool covered = true;
    for (int i = 0; i < 15; ++i) {
        const uint8_t* want = i % 5 < 4 && i < 10 ? &image[(i / 5 * 4 + i % 5) * 4] : nothing;
        covered = covered && !std::memcmp(part + i * 4, want, 4);
    }
    check(covered, "a texture smaller than the image reads back as its corner and zeros");
}

// Quadrants bottom-left first, with alphas that survive 2 bits; plain pictures.
enum Picture { forward, reversed, cyan, black };
const uint8_t kQuadrants[4][4] = {
    {255, 0, 0, 255}, {0, 255, 0, 170}, {0, 0, 255, 85}, {255, 255, 0, 0}};
const uint8_t kCyan[4] = {0, 255, 255, 255}, kBlack[4] = {0, 0, 0, 0};
const uint8_t* colour(Picture picture, int q) {
    if (picture == cyan || picture == black) return picture == cyan ? kCyan : kBlack;
    return kQuadrants[picture == reversed ? 3 - q : q];
}

// Matrices are identity throughout, so (-1, -1) to (1, 1) covers the target.
void draw(RenderBuffer& buffer, Picture picture) {
    buffer.beginRendering();
    glDisable(GL_TEXTURE_2D);
    for (int q = 0; q < 4; ++q) {
        glColor4ubv(colour(picture, q));
        glRecti(q % 2 - 1, q / 2 - 1, q % 2, q / 2);
    }
    glColor4f(1, 1, 1, 1);
}

// A w x h image (bottom row first) shows the picture at each quadrant's centre.
bool shows(const uint8_t* pixels, int w, int h, Picture picture, size_t channels = 4) {
    bool same = pixels != nullptr;
    for (int q = 0; q < 4 && same; ++q) {
        const int x = q % 2 ? w * 3 / 4 : w / 4, y = q > 1 ? h * 3 / 4 : h / 4;
        same = !std::memcmp(pixels + (y * w + x) * 4, colour(picture, q), channels);
    }
    return same;
}

// The surface drawn over the whole window shows the picture.
bool windowShows(PBuffer& surface, Picture picture) {
    glClear(GL_COLOR_BUFFER_BIT);
    drawTexturedQuad(surface, -1, -1, 1, -1, 1, 1, -1, 1, 0, 0, 1, 0, 1, 1, 0, 1);
    glDisable(GL_TEXTURE_2D);
    std::vector<uint8_t> window(size_t(appWindow.width) * appWindow.height * 4);
    glReadPixels(0, 0, appWindow.width, appWindow.height, GL_RGBA, GL_UNSIGNED_BYTE, window.data());
    return shows(window.data(), appWindow.width, appWindow.height, picture, 3);
}

void checkRenderBuffers() {
    RenderBuffer buffer;
    buffer.bind();  // before creation: creation must clear what it set
    check(buffer.create(100, 33) && buffer.paddedWidth == 128 && buffer.paddedHeight == 64 &&
              !buffer.rendering && !buffer.bound && !buffer.pixelsCached,
          "a 100 x 33 render buffer is made 128 x 64 with its flags clear");

    buffer.bind();
    const std::vector<uint8_t> image = pattern(128, 64, 7);
    buffer.upload(image.data(), 100, 33);
    const uint8_t* pixels = buffer.readBack();
    bool rows = pixels != nullptr;
    for (int r = 0; rows && r < 33; ++r)
        rows = !std::memcmp(pixels + r * 100 * 4, image.data() + r * 128 * 4, 100 * 4);
    check(rows, "upload takes a padded array whatever size is given; read-back gives its corner");

    draw(buffer, forward);
    check(buffer.readBack() == pixels && !buffer.rendering && buffer.bound &&
              shows(pixels, 100, 33, forward) && windowShows(buffer, forward),
          "read-back holds the drawing, alpha too, and the window shows it");

    std::vector<uint8_t> cyanImage(128 * 64 * 4);
    for (size_t i = 0; i < cyanImage.size(); ++i) cyanImage[i] = kCyan[i % 4];
    Bitmap other;
    other.upload(cyanImage.data(), 128, 64);
    draw(buffer, reversed);
    buffer.bind();
    other.bind();
    check(buffer.readBack() == pixels && shows(pixels, 100, 33, reversed) &&
              windowShows(buffer, reversed),
          "a new drawing is read into the same cache, whatever is bound, and shows");
    buffer.upload(cyanImage.data(), 0, 0);
    check(buffer.bound && windowShows(buffer, cyan) && buffer.readBack() == pixels &&
              shows(pixels, 100, 33, reversed),
          "an upload shows at once while bound; the cache stays as it was");
    buffer.upload(nullptr, 0, 0);
    check(windowShows(buffer, black), "a null upload clears the texture");

    buffer.beginRendering();
    drawTexturedQuad(other, -1, -1, 1, -1, 1, 1, -1, 1, 0, 0, 1, 0, 1, 1, 0, 1);
    check(shows(buffer.readBack(), 100, 33, cyan), "a window texture draws into a buffer");

    renderBufferPool = new RenderBuffer[2];
    const bool made = renderBufferPool[0].create(16, 16) && renderBufferPool[1].create(64, 64);
    draw(renderBufferPool[0], reversed);
    draw(renderBufferPool[1], forward);  // straight from one buffer into another
    renderBufferPool[1].bind();
    releaseRenderBufferPool();
    check(made && !renderBufferPool && windowShows(buffer, cyan),
          "the pool's release leaves the window to draw in, with its own viewport");
    renderBufferPool = new RenderBuffer[1];
    check(renderBufferPool[0].create(8, 8), "a buffer is left in the pool for the release at exit");
}

// Render buffers that cannot be made are left empty, with nothing made; uploads and
// read-backs then leave texture 0 alone.
void checkRefusedRenderBuffers(GLint largest) {
    RenderBuffer wide;
    check(!wide.create(largest + 1, 1) && wide.textureName == 0 && wide.framebuffer == 0 &&
              wide.width == 0 && wide.paddedWidth == 1,
          "a render buffer wider than the texture limit is not made");
    GLint level = -1;
    wide.upload(kCyan, 1, 1);
    glBindTexture(GL_TEXTURE_2D, 0);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &level);
    check(level == 0 && !wide.readBack(), "one never made neither uploads nor reads back");
#if !defined(_WIN32)
    const CheckFramebufferStatusProc status = checkFramebufferStatus;
    checkFramebufferStatus = [](GLenum) -> GLenum { return 0x8CD6; };  // incomplete attachment
    RenderBuffer incomplete;
    const bool made = incomplete.create(8, 8);
    checkFramebufferStatus = status;
    check(!made && incomplete.textureName == 0 && incomplete.framebuffer == 0 &&
              incomplete.width == 0,
          "a render buffer whose framebuffer the driver cannot draw into is not made");
#endif
}

int runChecks(bool window) {
    checkWithoutContext();
    checkFramebufferLookup();
    if (window) {
        setMessageBoxHandler(writeMessageToStderr);
        setupDisplay(appWindow);
        check(appWindow.running == 1, "display set-up succeeds");
    }
    if (appWindow.running) {
        glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        check(!glIsTexture(checkBitmaps()), "a destroyed Bitmap's texture is deleted");
        GLint largest = 0;
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
        checkBitmapLimits(largest);
        checkRenderBuffers();
        checkRefusedRenderBuffers(largest);
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    std::fflush(stdout);
    return failed == 0 ? 0 : 1;
}
}  // namespace

#if defined(_WIN32)
AppWindow appWindow;  // the Win32 back end's WinMain calls runProgram
int runProgram() { return runChecks(true); }
#else
int main(int argc, char** argv) {
    return runChecks(argc < 2 || std::strcmp(argv[1], "--no-window"));
}
#endif
