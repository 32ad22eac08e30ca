// Draws the show's four pictures and composes its music into a folder, as
// PPM/PGM and WAV files; scripts/make-assets.sh turns them into the JPEG and
// MP3 files the show loads. The output is the same on every run.
#include "pictures.h"
#include "soundtrack.h"

#include "canvas.h"

#include <chrono>
#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const std::string folder = std::string(argv[1]) + "/";
    auto started = std::chrono::steady_clock::now();
    auto seconds = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    };

    for (int slide = 0; slide < assets::kSlideCount; ++slide) {
        assets::Picture p = assets::drawSlide(slide);
        std::string path = folder + p.name;
        if (!assets::writePnm(path, p.width, p.height, p.channels, p.pixels)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("%s: %d x %d, %s (%.1f s)\n", path.c_str(), p.width, p.height,
                    p.channels == 1 ? "grey" : "colour", seconds());
    }

    assets::Stereo music = assets::composeSoundtrack();
    std::string path = folder + "lumora.wav";
    if (!assets::writeWav(path, music)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return 1;
    }
    std::printf("%s: %.2f s of 44.1 kHz stereo (%.1f s)\n", path.c_str(),
                double(music.frames()) / assets::kSampleRate, seconds());
    return 0;
}
