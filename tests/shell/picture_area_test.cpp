// Where the 4:3 picture goes in windows of other shapes.
#include "shell/picture_area.h"

#include <gtest/gtest.h>

TEST(PictureArea, CentredWithBarsOnTheLongerSides) {
    // Window size, then the area's x, y, width and height. 4/3 of 1001 and
    // 3/4 of 1366 are rounded up, the odd pixel left right or below.
    const int cases[][6] = {{1024, 768, 0, 0, 1024, 768},     {1600, 1200, 0, 0, 1600, 1200},
                            {1920, 1080, 240, 0, 1440, 1080}, {1366, 768, 171, 0, 1024, 768},
                            {1500, 1001, 82, 0, 1335, 1001},  {1280, 1024, 0, 32, 1280, 960},
                            {1080, 1920, 0, 555, 1080, 810},  {1366, 1100, 0, 37, 1366, 1025}};
    for (const auto& c : cases) {
        const PictureArea area = centredPictureArea(c[0], c[1]);
        EXPECT_EQ((std::vector<int>{area.x, area.y, area.width, area.height}),
                  (std::vector<int>{c[2], c[3], c[4], c[5]}))
            << c[0] << " x " << c[1];
    }
}
