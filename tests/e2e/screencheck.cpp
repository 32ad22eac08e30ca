// Command-line side of the end-to-end picture and sound checks. Prints its
// figures and answers with the exit status (0 yes, 1 no, 2 usage or input
// error), so the shell scripts only decide what to look at and when.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "screen_compare.h"

namespace {

// Limits of the coarse comparison (16x16 block averages). Linear filtering, JPEG
// detail and the edge texels of the padded texture keep a correct slide
// within a few levels; a wrong slide or a flipped one is tens away.
constexpr double kMatchThreshold = 12.0;
constexpr double kMatchMargin = 10.0;
constexpr double kUniformSpread = 3.0;
constexpr double kAudibleRms = 64.0;

int usage() {
    std::fprintf(stderr,
                 "usage: screencheck expect IMAGE.pam SLIDE OUT.ppm\n"
                 "       screencheck match SHOT.ppm WANTED.ppm [OTHER.ppm...]\n"
                 "       screencheck uniform SHOT.ppm\n"
                 "       screencheck audio RAW\n");
    return 2;
}

bool load(const char* path, Picture& picture) {
    std::string error;
    if (readNetpbm(path, picture, error)) return true;
    std::fprintf(stderr, "%s: %s\n", path, error.c_str());
    return false;
}

int expect(int argc, char** argv) {
    if (argc != 5) return usage();
    Picture image;
    if (!load(argv[2], image)) return 2;
    int slide = std::atoi(argv[3]);
    SlideQuad quad;
    if (!slideQuad(slide, 0.75, quad)) return usage();
    Picture screen = renderSlide(image, slide, 1024, 768);
    if (!writePpm(argv[4], screen)) {
        std::fprintf(stderr, "cannot write %s\n", argv[4]);
        return 2;
    }
    std::printf("slide %d: %dx%d image -> %s\n", slide, image.width, image.height, argv[4]);
    return 0;
}

int match(int argc, char** argv) {
    if (argc < 4) return usage();
    Picture shot;
    if (!load(argv[2], shot)) return 2;
    std::vector<Picture> candidates(argc - 3);
    for (int i = 3; i < argc; ++i)
        if (!load(argv[i], candidates[i - 3])) return 2;
    SlideMatch m = matchSlide(shot, candidates, 0, kMatchThreshold, kMatchMargin);
    std::printf("difference from wanted %.2f (limit %.1f); others:", m.differences[0],
                kMatchThreshold);
    for (size_t i = 1; i < m.differences.size(); ++i) std::printf(" %.2f", m.differences[i]);
    std::printf(" -> %s\n", m.accepted ? "match" : "NO MATCH");
    return m.accepted ? 0 : 1;
}

int uniform(int argc, char** argv) {
    if (argc != 3) return usage();
    Picture shot;
    if (!load(argv[2], shot)) return 2;
    double spread = largestChannelSpread(shot);
    std::printf("largest channel spread %.2f (limit %.1f)\n", spread, kUniformSpread);
    return spread <= kUniformSpread ? 0 : 1;
}

int audio(int argc, char** argv) {
    if (argc != 3) return usage();
    std::ifstream file(argv[2], std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "cannot open %s\n", argv[2]);
        return 2;
    }
    std::vector<uint8_t> raw((std::istreambuf_iterator<char>(file)),
                             std::istreambuf_iterator<char>());
    AudioLevel level = measureAudio(raw);
    std::printf("%zu bytes, rms %.1f, peak %d, non-zero %.1f%% -> %s\n", raw.size(), level.rms,
                level.peak, 100.0 * level.nonZeroFraction,
                level.rms >= kAudibleRms ? "sound" : "SILENT");
    return level.rms >= kAudibleRms ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    std::string mode = argv[1];
    if (mode == "expect") return expect(argc, argv);
    if (mode == "match") return match(argc, argv);
    if (mode == "uniform") return uniform(argc, argv);
    if (mode == "audio") return audio(argc, argv);
    return usage();
}
