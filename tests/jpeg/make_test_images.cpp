// Writes the source pictures of the JPEG test corpus and the JPEG files that
// are built coefficient by coefficient (see make_corpus.sh for the rest).
//
//   make_test_images OUTDIR           pictures into OUTDIR/src, hand-built
//                                     JPEGs into OUTDIR and OUTDIR/hostile
//   make_test_images --bench OUT.ppm  the 1024 x 768 benchmark picture
//   make_test_images --sof0 FILE      relabels FILE's SOF1 frame as SOF0
//                                     (cjpeg marks files with 16-bit
//                                     quantisation tables as SOF1)
//
// Everything is deterministic: integer arithmetic and a fixed-seed generator
// for the pictures, the decoder's own transform for the sensitive files.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "jpeg/jpeg_decoder.h"
#include "jpeg_writer.h"
#include "variants.h"

namespace {

struct Random {
    uint64_t state;
    uint32_t next() {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return uint32_t(state >> 33);
    }
    int range(int lo, int hi) { return lo + int(next() % uint32_t(hi - lo + 1)); }
};

struct Picture {
    int width, height, channels;
    std::vector<uint8_t> data;
    Picture(int w, int h, int c) : width(w), height(h), channels(c), data(size_t(w) * h * c) {}
    uint8_t* at(int x, int y) { return &data[(size_t(y) * width + x) * channels]; }
};

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

bool writePnm(const std::string& path, const Picture& p) {
    char header[64];
    int n = std::snprintf(header, sizeof header, "P%d\n%d %d\n255\n", p.channels == 3 ? 6 : 5,
                          p.width, p.height);
    std::vector<uint8_t> bytes(header, header + n);
    bytes.insert(bytes.end(), p.data.begin(), p.data.end());
    return writeFile(path, bytes);
}

uint8_t clampByte(int v) { return uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v)); }

Picture gradient(int w, int h) {
    Picture p(w, h, 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* px = p.at(x, y);
            px[0] = uint8_t(x * 255 / (w - 1));
            px[1] = uint8_t(y * 255 / (h - 1));
            px[2] = uint8_t((x + y) * 255 / (w + h - 2));
        }
    return p;
}

Picture noise(int w, int h, int channels, uint64_t seed) {
    Picture p(w, h, channels);
    Random r{seed};
    for (uint8_t& v : p.data) v = uint8_t(r.next());
    return p;
}

// Hard edges: stripes, a checkerboard and a disc, in saturated colours.
Picture edges(int w, int h) {
    Picture p(w, h, 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* px = p.at(x, y);
            int dx = x - w / 2, dy = y - h / 2;
            bool disc = dx * dx + dy * dy < (h / 3) * (h / 3);
            bool check = ((x / 5) + (y / 7)) % 2 == 0;
            px[0] = disc ? 255 : (check ? 20 : 230);
            px[1] = (x / 3) % 2 ? 250 : 5;
            px[2] = disc ? 0 : uint8_t(y * 4);
        }
    return p;
}

// Flat patches of 16 x 16 pixels, each its own colour.
Picture flatPatches(int w, int h) {
    Picture p(w, h, 3);
    Random r{7};
    std::vector<uint8_t> colours(size_t((w + 15) / 16) * ((h + 15) / 16) * 3);
    for (uint8_t& c : colours) c = uint8_t(r.next());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t* c = &colours[(size_t(y / 16) * ((w + 15) / 16) + x / 16) * 3];
            std::memcpy(p.at(x, y), c, 3);
        }
    return p;
}

// Smooth shapes with some grain: a photo-like mix for odd sizes, greyscale
// and the benchmark.
Picture scene(int w, int h, int channels, uint64_t seed) {
    Picture p(w, h, channels);
    Random r{seed};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int base = (x * 200) / w + (y * 55) / h;
            int ring = ((x - w / 3) * (x - w / 3) + (y - h / 2) * (y - h / 2)) / (w / 8 + 1);
            int grain = r.range(-12, 12);
            uint8_t* px = p.at(x, y);
            px[0] = clampByte(base + (ring % 64) + grain);
            if (channels == 3) {
                px[1] = clampByte(255 - base + grain / 2 + ((x / 37 + y / 29) % 2) * 40);
                px[2] = clampByte((ring * 3) % 256 + grain);
            }
        }
    return p;
}

// The samples a coefficient block (zigzag, quantiser 1) turns into, through
// the decoder's own dequantisation and sample steps and the given transform.
template <typename Transform>
void samplesOf(const int32_t* zigzag, Transform transform, uint8_t* samples) {
    float block[64];
    for (int r = 0; r < 8; ++r)
        for (int u = 0; u < 8; ++u) {
            double c = float(zigzag[zigzagIndex[8 * r + u]]);
            block[8 * r + u] = float((c * double(aanScale[u])) * double(aanScale[r]));
        }
    transform(block);
    for (int n = 0; n < 64; ++n) samples[n] = sampleFromValue(block[n]);
}

void realIdct(float* block) {
    std::memcpy(jpegDecoder.block, block, sizeof jpegDecoder.block);
    inverseDct();
    std::memcpy(block, jpegDecoder.block, sizeof jpegDecoder.block);
}

// Greyscale blocks whose transform lands beside a truncation boundary, so
// closely that rounding the partial results or swapping the passes moves a
// sample: half the blocks are chosen against each variant.
std::vector<uint8_t> sensitiveIdctFile() {
    const int blocksPerVariant = 24;
    std::vector<std::vector<int32_t>> chosen;
    Random r{12345};
    int foundRows = 0, foundRounded = 0;
    while (foundRows < blocksPerVariant || foundRounded < blocksPerVariant) {
        std::vector<int32_t> zz(64, 0);
        zz[0] = r.range(-600, 600);
        for (int k = 1; k < 64; ++k) zz[k] = (r.next() % 3 == 0) ? r.range(-120, 120) : 0;
        uint8_t real[64], rows[64], rounded[64];
        samplesOf(zz.data(), realIdct, real);
        samplesOf(zz.data(), jpegtest::idctRowsFirst, rows);
        samplesOf(zz.data(), jpegtest::idctRoundedPartials, rounded);
        bool rowsDiffer = std::memcmp(real, rows, 64) != 0;
        bool roundedDiffer = std::memcmp(real, rounded, 64) != 0;
        if ((rowsDiffer && foundRows < blocksPerVariant) ||
            (roundedDiffer && foundRounded < blocksPerVariant)) {
            chosen.push_back(zz);
            foundRows += rowsDiffer;
            foundRounded += roundedDiffer;
        }
    }
    jpegtest::ImageLayout layout;
    layout.width = 8 * int(chosen.size());
    layout.height = 8;
    return jpegtest::encodeImage(layout, [&](int, int mcuX, int, int, int, int32_t* zz) {
        std::memcpy(zz, chosen[size_t(mcuX / 8)].data(), 64 * sizeof(int32_t));
    });
}

void realYCbCr(const uint8_t* in, uint8_t* out) {
    uint8_t pixel[4] = {in[0], in[1], in[2], 0};
    jpegDecoder.pixels = pixel;
    jpegDecoder.width = 1;
    jpegDecoder.height = 1;
    convertYCbCrToRgb();
    jpegDecoder.pixels = nullptr;
    std::memcpy(out, pixel, 4);
}

// 4:4:4 flat blocks, one YCbCr triple each, chosen among the triples whose
// conversion in single precision gives another byte than in double.
std::vector<uint8_t> sensitiveColourFile() {
    std::vector<uint8_t> triples;
    const size_t wanted = 16 * 12;
    // Walk the cube with co-prime strides so the picks spread over it.
    for (uint32_t i = 0; i < (1u << 24) && triples.size() < wanted * 3; ++i) {
        uint32_t t = (i * 2654435761u) & 0xFFFFFF;
        uint8_t in[3] = {uint8_t(t), uint8_t(t >> 8), uint8_t(t >> 16)};
        uint8_t real[4], single[4];
        realYCbCr(in, real);
        jpegtest::ycbcrSinglePrecision(in, single);
        if (std::memcmp(real, single, 3) != 0) triples.insert(triples.end(), in, in + 3);
    }
    jpegtest::ImageLayout layout;
    layout.width = 8 * 16;
    layout.height = 8 * 12;
    layout.components = {{1, 1, 1, 0}, {2, 1, 1, 0}, {3, 1, 1, 0}};
    return jpegtest::encodeImage(layout, [&](int c, int mcuX, int mcuY, int, int, int32_t* zz) {
        size_t index = size_t(mcuY / 8) * 16 + size_t(mcuX / 8);
        int sample = index * 3 < triples.size() ? triples[index * 3 + size_t(c)] : 128;
        // DC-only with quantiser 1: the transform gives the DC value in all
        // 64 places exactly, and 8 * (s - 128) turns back into s.
        zz[0] = 8 * (sample - 128);
    });
}

// A 12-bit extended-sequential header (SOF1, precision 12) in front of an
// otherwise ordinary scan: must be refused.
std::vector<uint8_t> twelveBitFile() {
    jpegtest::ImageLayout layout;
    layout.width = 16;
    layout.height = 16;
    std::vector<uint8_t> bytes =
        jpegtest::encodeImage(layout, [](int, int, int, int, int, int32_t* zz) { zz[0] = 100; });
    for (size_t i = 0; i + 4 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
            bytes[i + 1] = 0xC1;
            bytes[i + 4] = 12;
            break;
        }
    }
    return bytes;
}

// Relabels the frame marker of a file whose only non-baseline feature is
// its 16-bit quantisation tables. Walks the segments rather than searching,
// so that entropy-coded bytes are never touched.
int relabelSof1(const char* path) {
    std::FILE* f = std::fopen(path, "r+b");
    if (!f) return 2;
    std::vector<uint8_t> bytes;
    int c;
    while ((c = std::fgetc(f)) != EOF) bytes.push_back(uint8_t(c));
    size_t i = 2;
    while (i + 4 <= bytes.size() && bytes[i] == 0xFF) {
        if (bytes[i + 1] == 0xC1) {
            std::fseek(f, long(i + 1), SEEK_SET);
            std::fputc(0xC0, f);
            return std::fclose(f) == 0 ? 0 : 2;
        }
        i += 2 + (size_t(bytes[i + 2]) << 8 | bytes[i + 3]);
    }
    std::fclose(f);
    std::fprintf(stderr, "make_test_images: no SOF1 frame in %s\n", path);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--bench") == 0)
        return writePnm(argv[2], scene(1024, 768, 3, 99)) ? 0 : 2;
    if (argc == 3 && std::strcmp(argv[1], "--sof0") == 0) return relabelSof1(argv[2]);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_test_images OUTDIR | --bench OUT.ppm | --sof0 FILE\n");
        return 2;
    }
    const std::string out = argv[1];
    bool ok = writePnm(out + "/src/gradient_128x96.ppm", gradient(128, 96)) &&
              writePnm(out + "/src/noise_64x48.ppm", noise(64, 48, 3, 1)) &&
              writePnm(out + "/src/noise_grey_40x24.pgm", noise(40, 24, 1, 2)) &&
              writePnm(out + "/src/edges_120x90.ppm", edges(120, 90)) &&
              writePnm(out + "/src/flat_80x64.ppm", flatPatches(80, 64)) &&
              writePnm(out + "/src/scene_17x9.ppm", scene(17, 9, 3, 3)) &&
              writePnm(out + "/src/scene_33x31.ppm", scene(33, 31, 3, 4)) &&
              writePnm(out + "/src/scene_grey_75x50.pgm", scene(75, 50, 1, 5)) &&
              writePnm(out + "/src/scene_200x150.ppm", scene(200, 150, 3, 6)) &&
              writeFile(out + "/sensitive_idct.jpg", sensitiveIdctFile()) &&
              writeFile(out + "/sensitive_colour.jpg", sensitiveColourFile()) &&
              writeFile(out + "/hostile/twelve_bit.jpg", twelveBitFile());
    if (!ok) {
        std::fprintf(stderr, "make_test_images: cannot write into %s\n", out.c_str());
        return 2;
    }
    return 0;
}
