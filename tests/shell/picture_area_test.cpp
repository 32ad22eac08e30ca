// Where the 4:3 picture goes in windows of other shapes.
#include "shell/picture_area.h"

#include <gtest/gtest.h>

namespace {
std::vector<int> place(int width, int height) {
    const PictureArea area = centredPictureArea(width, height);
    return {area.x, area.y, area.width, area.height};
}
}  // namespace

TEST(PictureArea, A4By3WindowIsAllPicture) {
    EXPECT_EQ(place(1024, 768), (std::vector<int>{0, 0, 1024, 768}));
    EXPECT_EQ(place(1600, 1200), (std::vector<int>{0, 0, 1600, 1200}));
}

TEST(PictureArea, AWiderWindowHasBarsLeftAndRight) {
    EXPECT_EQ(place(1920, 1080), (std::vector<int>{240, 0, 1440, 1080}));
    // 1366 x 768: 1024 wide, 171 pixels on each side.
    EXPECT_EQ(place(1366, 768), (std::vector<int>{171, 0, 1024, 768}));
    // 4/3 of 1001 is 1334.67: rounded up, the odd pixel left on the right.
    EXPECT_EQ(place(1500, 1001), (std::vector<int>{82, 0, 1335, 1001}));
}

TEST(PictureArea, ATallerWindowHasBarsAboveAndBelow) {
    EXPECT_EQ(place(1280, 1024), (std::vector<int>{0, 32, 1280, 960}));
    EXPECT_EQ(place(1080, 1920), (std::vector<int>{0, 555, 1080, 810}));
    // 3/4 of 1366 is 1024.5: rounded up.
    EXPECT_EQ(place(1366, 1100), (std::vector<int>{0, 37, 1366, 1025}));
}
