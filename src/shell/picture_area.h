#pragma once

// Where the show's 4:3 picture goes in a window of another shape: as large
// as fits, centred, the rest of the window left for bars. A window of 4:3
// (1024 x 768 itself) is all picture.
struct PictureArea {
    int x, y;  // lower-left corner, GL window coordinates
    int width, height;
};

inline PictureArea centredPictureArea(int windowWidth, int windowHeight) {
    PictureArea area{0, 0, windowWidth, windowHeight};
    if (windowWidth * 3 >= windowHeight * 4) {
        area.width = (windowHeight * 4 + 1) / 3;  // rounded to the nearest pixel
    } else {
        area.height = (windowWidth * 3 + 2) / 4;
    }
    area.x = (windowWidth - area.width) / 2;
    area.y = (windowHeight - area.height) / 2;
    return area;
}
