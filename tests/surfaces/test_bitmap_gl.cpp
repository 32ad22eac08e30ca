// Bitmap against a real GL context (Mesa on a private Xvfb screen).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "gl_window.h"
#include "surfaces/bitmap.h"
#include "test_pattern.h"

namespace {
GLint boundTexture() {
    GLint name = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    return name;
}

// Size of the texture's level 0 as GL sees it.
void textureSize(Bitmap& bitmap, GLint& width, GLint& height) {
    glBindTexture(GL_TEXTURE_2D, bitmap.textureName);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
}

std::vector<uint8_t> readBackCopy(Bitmap& bitmap) {
    const uint8_t* p = bitmap.readBack();
    return std::vector<uint8_t>(p, p + size_t(bitmap.width) * bitmap.height * 4);
}
}  // namespace

TEST(BitmapGl, FreshBitmapHasNoTextureUntilItsFirstUpload) {
    Bitmap bitmap;
    EXPECT_EQ(bitmap.textureCreated, 0);
    EXPECT_EQ(bitmap.textureName, 0u);
    EXPECT_EQ(bitmap.pixels, nullptr);
    EXPECT_EQ(bitmap.width, 0);
    EXPECT_EQ(bitmap.paddedWidth, 1);

    // An empty image on a fresh surface still makes a 1 x 1 texture.
    const uint8_t none[4] = {0, 0, 0, 0};
    bitmap.upload(none, 0, 0);
    EXPECT_EQ(bitmap.textureCreated, 1);
    EXPECT_NE(bitmap.textureName, 0u);
    EXPECT_EQ(bitmap.width, 0);
    EXPECT_EQ(bitmap.height, 0);
    EXPECT_EQ(bitmap.scaleS, 0.0f);
    EXPECT_EQ(bitmap.scaleT, 0.0f);
    GLint w = 0, h = 0;
    textureSize(bitmap, w, h);
    EXPECT_EQ(w, 1);
    EXPECT_EQ(h, 1);
    EXPECT_NE(bitmap.readBack(), nullptr);
}

TEST(BitmapGl, UploadPadsToPowersOfTwoInRgba8) {
    Bitmap bitmap;
    std::vector<uint8_t> image = pattern(640, 480, 1);
    bitmap.upload(image.data(), 640, 480);
    EXPECT_EQ(bitmap.width, 640);
    EXPECT_EQ(bitmap.height, 480);
    EXPECT_EQ(bitmap.paddedWidth, 1024);
    EXPECT_EQ(bitmap.paddedHeight, 512);
    EXPECT_EQ(bitmap.scaleS, 0.625f);
    EXPECT_EQ(bitmap.scaleT, 0.9375f);
    GLint w = 0, h = 0, format = 0;
    textureSize(bitmap, w, h);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    EXPECT_EQ(w, 1024);
    EXPECT_EQ(h, 512);
    EXPECT_EQ(format, GL_RGBA8);
    GLint minFilter = 0, magFilter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
    EXPECT_EQ(minFilter, GL_LINEAR);
    EXPECT_EQ(magFilter, GL_LINEAR);
}

TEST(BitmapGl, ReadBackReturnsTheUploadedBytesForOddSizes) {
    const int sizes[][2] = {{3, 2}, {17, 9}, {257, 3}, {1, 1}, {64, 64}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(::testing::Message() << size[0] << " x " << size[1]);
        Bitmap bitmap;
        std::vector<uint8_t> image = pattern(size[0], size[1], uint32_t(size[0] * 31 + size[1]));
        bitmap.upload(image.data(), size[0], size[1]);
        EXPECT_EQ(readBackCopy(bitmap), image);
    }
}

TEST(BitmapGl, ReadBackReusesItsCacheAndReadsTheTextureAgain) {
    Bitmap bitmap;
    std::vector<uint8_t> first = pattern(17, 9, 2);
    std::vector<uint8_t> second = pattern(17, 9, 3);
    bitmap.upload(first.data(), 17, 9);
    uint8_t* cache = bitmap.readBack();
    bitmap.upload(second.data(), 17, 9);
    EXPECT_EQ(bitmap.readBack(), cache);
    EXPECT_EQ(0, std::memcmp(cache, second.data(), second.size()));
}

TEST(BitmapGl, ZeroSizesOnReupload) {
    Bitmap bitmap;
    std::vector<uint8_t> first = pattern(640, 480, 4);
    std::vector<uint8_t> second = pattern(640, 480, 5);
    bitmap.upload(first.data(), 640, 480);

    // 0 x 0 keeps the size: the new pixels go in as a 640 x 480 image.
    bitmap.upload(second.data(), 0, 0);
    EXPECT_EQ(bitmap.width, 640);
    EXPECT_EQ(bitmap.height, 480);
    EXPECT_EQ(readBackCopy(bitmap), second);

    // Only one side 0: taken as it is.
    bitmap.upload(second.data(), 0, 5);
    EXPECT_EQ(bitmap.width, 0);
    EXPECT_EQ(bitmap.height, 5);
    EXPECT_EQ(bitmap.paddedWidth, 1);
    EXPECT_EQ(bitmap.paddedHeight, 8);
    EXPECT_EQ(bitmap.scaleS, 0.0f);
    EXPECT_EQ(bitmap.scaleT, 0.625f);
    GLint w = 0, h = 0;
    textureSize(bitmap, w, h);
    EXPECT_EQ(w, 1);
    EXPECT_EQ(h, 8);
}

TEST(BitmapGl, ReadBackAfterAnUploadOfAnotherSizeFitsTheNewSize) {
    Bitmap bitmap;
    std::vector<uint8_t> small = pattern(3, 2, 6);
    std::vector<uint8_t> large = pattern(17, 9, 7);
    bitmap.upload(small.data(), 3, 2);
    EXPECT_EQ(readBackCopy(bitmap), small);
    bitmap.upload(large.data(), 17, 9);
    EXPECT_EQ(readBackCopy(bitmap), large);
    bitmap.upload(small.data(), 3, 2);
    EXPECT_EQ(readBackCopy(bitmap), small);
}

TEST(BitmapGl, UploadKeepsTheCallersGlStateAndReadBackLeavesTexturingOn) {
    Bitmap bitmap;
    std::vector<uint8_t> image = pattern(5, 3, 8);
    glDisable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 0);
    bitmap.upload(image.data(), 5, 3);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(boundTexture(), 0);

    bitmap.readBack();
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(boundTexture(), GLint(bitmap.textureName));

    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(bitmap.bind(), bitmap.textureName);
    EXPECT_EQ(boundTexture(), GLint(bitmap.textureName));
    glDisable(GL_TEXTURE_2D);
}

TEST(BitmapGl, DestructionDeletesTheTexture) {
    GLuint name = 0;
    {
        Bitmap bitmap;
        std::vector<uint8_t> image = pattern(2, 2, 9);
        bitmap.upload(image.data(), 2, 2);
        bitmap.readBack();
        name = bitmap.textureName;
        EXPECT_TRUE(glIsTexture(name));
    }
    EXPECT_FALSE(glIsTexture(name));
}

// The quad shows exactly the image, none of the padding: a 5 x 3 image in an
// 8 x 4 texture, drawn over the whole viewport with identity matrices.
TEST(BitmapGl, DrawTexturedQuadMapsTheImageAreaOntoTheQuad) {
    const int w = 5, h = 3;
    std::vector<uint8_t> image(size_t(w) * h * 4);
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c) {
            uint8_t* p = &image[size_t(r * w + c) * 4];
            p[0] = uint8_t(30 + 50 * c);
            p[1] = uint8_t(40 + 90 * r);
            p[2] = 200;
            p[3] = 255;
        }
    Bitmap bitmap;
    bitmap.upload(image.data(), w, h);

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    clearBackBuffer(0, 0, 0);
    drawTexturedQuad(bitmap, -1, -1, 1, -1, 1, 1, -1, 1, 0, 0, 1, 0, 1, 1, 0, 1);

    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(boundTexture(), GLint(bitmap.textureName));
    // The last corner's coordinates are the ones GL holds after glEnd:
    // (0, 1) scaled to (0, 3/4).
    GLfloat current[4] = {-1, -1, -1, -1};
    glGetFloatv(GL_CURRENT_TEXTURE_COORDS, current);
    EXPECT_EQ(current[0], 0.0f);
    EXPECT_EQ(current[1], 0.75f);

    // Texel centres; row 0 of the image is at the bottom.
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c) {
            int x = int((c + 0.5) * 1024 / w);
            int y = int((r + 0.5) * 768 / h);
            Rgba p = backBufferPixel(x, y);
            SCOPED_TRACE(::testing::Message() << "texel " << c << "," << r);
            EXPECT_NEAR(p.r, 30 + 50 * c, 2);
            EXPECT_NEAR(p.g, 40 + 90 * r, 2);
            EXPECT_NEAR(p.b, 200, 2);
        }

    glDisable(GL_TEXTURE_2D);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

TEST(BitmapGl, DrawTexturedQuadScalesTheCoordinatesOfA640x480Image) {
    Bitmap bitmap;
    std::vector<uint8_t> image = pattern(640, 480, 10);
    bitmap.upload(image.data(), 640, 480);
    // Coordinates run (0,0), (1,0), (1,1), (0,1); the third corner's go last
    // when the corners are rotated.
    drawTexturedQuad(bitmap, -1, -1, 1, -1, 1, 1, -1, 1, 0, 1, 0, 0, 1, 0, 1, 1);
    GLfloat current[4] = {0, 0, 0, 0};
    glGetFloatv(GL_CURRENT_TEXTURE_COORDS, current);
    EXPECT_EQ(current[0], 0.625f);
    EXPECT_EQ(current[1], 0.9375f);
    glDisable(GL_TEXTURE_2D);
}
