// Surface rules that need no window, so that they run under the sanitizers
// too: the padding rule, the framebuffer entry-point choice, and Bitmap with
// no GL context current (as the load step runs after a failed set-up).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/render_texture.h"
#include "surfaces/bitmap.h"
#include "surfaces/pixel_memory.h"

TEST(Surfaces, SetSizePadsToThePowerOfTwoAtOrAboveEachSide) {
    struct Case {
        int32_t w, h, paddedW, paddedH;
        float s, t;
    } cases[] = {{0, 0, 1, 1, 0.0f, 0.0f},
                 {1, 1, 1, 1, 1.0f, 1.0f},
                 {256, 200, 256, 256, 1.0f, 0.78125f},
                 {257, 3, 512, 4, 0.501953125f, 0.75f},
                 {-5, 2, 1, 2, -5.0f, 1.0f},
                 {1 << 30, 3, 1 << 30, 4, 1.0f, 0.75f}};
    Bitmap surface;
    surface.setSize(1000, 1000);  // padding starts afresh at every call
    for (const Case& c : cases) {
        surface.setSize(c.w, c.h);
        EXPECT_EQ(surface.width, c.w);
        EXPECT_EQ(surface.height, c.h);
        EXPECT_EQ(surface.paddedWidth, c.paddedW) << c.w;
        EXPECT_EQ(surface.paddedHeight, c.paddedH) << c.h;
        EXPECT_EQ(surface.scaleS, c.s) << c.w;
        EXPECT_EQ(surface.scaleT, c.t) << c.h;
    }
}

namespace {
std::vector<std::string> askedFor;
std::string missing;
void entryPoint() {}
// Answers for every name but one, as SDL's lookup answers for names the
// driver never heard of.
void* lookup(const char* name) {
    askedFor.push_back(name);
    return name == missing ? nullptr : reinterpret_cast<void*>(&entryPoint);
}
bool asked(const char* list, bool found, std::vector<std::string> names) {
    askedFor.clear();
    const bool result = loadRenderTextureEntryPoints(list, lookup);
    const bool all =
        genFramebuffers && bindFramebuffer && framebufferTexture2D && deleteFramebuffers;
    const bool none =
        !genFramebuffers && !bindFramebuffer && !framebufferTexture2D && !deleteFramebuffers;
    return result == found && askedFor == names && (found ? all : none);
}
}  // namespace

TEST(Surfaces, FramebufferEntryPointsFollowTheExtensionList) {
    const std::vector<std::string> ext = {"glGenFramebuffersEXT", "glBindFramebufferEXT",
                                          "glFramebufferTexture2DEXT", "glDeleteFramebuffersEXT"};
    const std::vector<std::string> core = {"glGenFramebuffers", "glBindFramebuffer",
                                           "glFramebufferTexture2D", "glDeleteFramebuffers"};
    EXPECT_TRUE(
        asked("GL_EXT_framebuffer_object_x GL_ARB_framebuffer_object GL_EXT_framebuffer_object",
              true, ext));
    EXPECT_TRUE(asked("GL_ARB_multitexture GL_ARB_framebuffer_object", true, core));
    EXPECT_TRUE(asked("GL_EXT_framebuffer_object_x MY_GL_ARB_framebuffer_object", false, {}));
    EXPECT_TRUE(asked(nullptr, false, {}));
    for (const std::string& name : core) {
        missing = name;
        EXPECT_TRUE(asked("GL_ARB_framebuffer_object", false, core)) << name;
    }
    missing.clear();
}

// Without a context nothing can be read, but sizes follow the uploads and
// every read-back fits the cache (the sanitizers see an overrun).
TEST(Surfaces, BitmapWithoutContextFollowsTheSizesAndRunsOutOfMemoryAsEmpty) {
    Bitmap bitmap;
    std::vector<uint8_t> small(3 * 2 * 4, 0x5A), large(17 * 9 * 4, 0xA5);
    bitmap.upload(small.data(), 3, 2);
    const uint8_t* cache = bitmap.readBack();
    ASSERT_NE(cache, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(cache, cache + small.size()), std::vector<uint8_t>(24, 0));
    bitmap.upload(large.data(), 17, 9);
    EXPECT_EQ(bitmap.paddedWidth, 32);
    cache = bitmap.readBack();
    ASSERT_NE(cache, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(cache, cache + large.size()), std::vector<uint8_t>(612, 0));

    // No memory for the padded copy (32 x 16 x 4 bytes): no size the
    // texture does not hold.
    pixelMemoryLimit = 2000;
    bitmap.upload(large.data(), 17, 9);
    EXPECT_EQ(bitmap.width, 0);
    EXPECT_EQ(bitmap.height, 0);
    EXPECT_EQ(bitmap.paddedWidth, 1);
    EXPECT_EQ(bitmap.scaleS, 0.0f);
    Bitmap cacheless;
    cacheless.upload(small.data(), 3, 2);
    pixelMemoryLimit = 16;
    EXPECT_EQ(cacheless.readBack(), nullptr);
    EXPECT_EQ(cacheless.width, 0);
    pixelMemoryLimit = UINT64_MAX;
}
