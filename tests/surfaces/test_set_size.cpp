#include <gtest/gtest.h>

#include "surfaces/pbuffer.h"

namespace {
// The sizing rule needs no GL; a surface that draws nothing is enough.
class SizeOnly : public PBuffer {
public:
    uint32_t bind() override { return 0; }
    uint8_t* readBack() override { return nullptr; }
    void upload(const uint8_t*, int32_t w, int32_t h) override { setSize(w, h); }
};

struct SizeCase {
    int32_t width, height;
    int32_t paddedWidth, paddedHeight;
    float scaleS, scaleT;
};
}  // namespace

TEST(SetSize, ConstructionGivesTheEmptySize) {
    SizeOnly surface;
    EXPECT_EQ(surface.width, 0);
    EXPECT_EQ(surface.height, 0);
    EXPECT_EQ(surface.paddedWidth, 1);
    EXPECT_EQ(surface.paddedHeight, 1);
    EXPECT_EQ(surface.scaleS, 0.0f);
    EXPECT_EQ(surface.scaleT, 0.0f);
}

TEST(SetSize, PadsEachSideToThePowerOfTwoAtOrAboveIt) {
    const SizeCase cases[] = {
        {0, 0, 1, 1, 0.0f, 0.0f},
        {1, 1, 1, 1, 1.0f, 1.0f},
        {2, 3, 2, 4, 1.0f, 0.75f},
        {256, 200, 256, 256, 1.0f, 0.78125f},
        {257, 3, 512, 4, 0.501953125f, 0.75f},
        {640, 480, 1024, 512, 0.625f, 0.9375f},
        {1024, 768, 1024, 1024, 1.0f, 0.75f},
        {65535, 1, 65536, 1, 65535.0f / 65536.0f, 1.0f},
        {-5, 0, 1, 1, -5.0f, 0.0f},
        {1 << 30, 3, 1 << 30, 4, 1.0f, 0.75f},
    };
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.width << " x " << c.height);
        SizeOnly surface;
        surface.setSize(c.width, c.height);
        EXPECT_EQ(surface.width, c.width);
        EXPECT_EQ(surface.height, c.height);
        EXPECT_EQ(surface.paddedWidth, c.paddedWidth);
        EXPECT_EQ(surface.paddedHeight, c.paddedHeight);
        EXPECT_EQ(surface.scaleS, c.scaleS);
        EXPECT_EQ(surface.scaleT, c.scaleT);
    }
}

TEST(SetSize, ShrinkingPadsAfresh) {
    SizeOnly surface;
    surface.setSize(1000, 1000);
    surface.setSize(3, 2);
    EXPECT_EQ(surface.paddedWidth, 4);
    EXPECT_EQ(surface.paddedHeight, 2);
    EXPECT_EQ(surface.scaleS, 0.75f);
    EXPECT_EQ(surface.scaleT, 1.0f);
}
