// Bitmap with no GL context current, as the load step runs after a failed
// display set-up: GL calls do nothing, but sizes must still follow the
// uploads and no buffer may be overrun.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "surfaces/bitmap.h"

TEST(BitmapWithoutContext, SizesFollowTheUploadsAndTheCacheFitsEachSize) {
    Bitmap bitmap;
    std::vector<uint8_t> small(3 * 2 * 4, 0x5A);
    std::vector<uint8_t> large(17 * 9 * 4, 0xA5);

    bitmap.upload(small.data(), 3, 2);
    EXPECT_EQ(bitmap.textureCreated, 1);
    EXPECT_EQ(bitmap.paddedWidth, 4);
    const uint8_t* cache = bitmap.readBack();
    ASSERT_NE(cache, nullptr);

    // Nothing can be read from a texture that does not exist: the cache is
    // cleared rather than left as it came from the allocator.
    for (int i = 0; i < 3 * 2 * 4; ++i) ASSERT_EQ(cache[i], 0) << i;

    // A larger upload after a read-back: the next read-back must not write
    // the larger image into the smaller cache.
    bitmap.upload(large.data(), 17, 9);
    EXPECT_EQ(bitmap.width, 17);
    EXPECT_EQ(bitmap.paddedWidth, 32);
    EXPECT_EQ(bitmap.paddedHeight, 16);
    cache = bitmap.readBack();
    ASSERT_NE(cache, nullptr);
    for (int i = 0; i < 17 * 9 * 4; ++i) ASSERT_EQ(cache[i], 0) << i;
}

TEST(BitmapWithoutContext, AnEmptyImportIsCopiedIntoAnEmptySlide) {
    // What the load step does for a file that did not decode.
    Bitmap importer;
    const uint8_t nothing[4] = {0, 0, 0, 0};
    importer.upload(nothing, 0, 0);
    Bitmap slide;
    slide.upload(importer.readBack(), importer.width, importer.height);
    EXPECT_EQ(slide.width, 0);
    EXPECT_EQ(slide.height, 0);
    EXPECT_EQ(slide.paddedWidth, 1);
    EXPECT_EQ(slide.scaleS, 0.0f);
}
