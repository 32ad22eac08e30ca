// The four slide pictures, drawn as they appear on the show's screen and
// stored in the size and row order their slide needs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace assets {

struct Picture {
    std::string name;  // file name of the intermediate PPM/PGM
    int width = 0;
    int height = 0;
    int channels = 0;             // 3 for colour, 1 for greyscale
    std::vector<uint8_t> pixels;  // rows in file order, first row first
};

constexpr int kSlideCount = 4;

// Slide 0: a neon sunset over a perspective grid.
// Slide 1: layered ink-wash mountains with a pine (greyscale).
// Slide 2: an aurora veil above a thorn forest.
// Slide 3: an isometric town on a floating island.
Picture drawSlide(int slide);

}  // namespace assets
