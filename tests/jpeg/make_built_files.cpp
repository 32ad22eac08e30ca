// One-off: writes the hand-built streams that cjpeg never produces into
// OUTDIR (flat-block layouts, an AC run past 63, unusual header layouts,
// stale and undefined Huffman tables), each checked against an independent
// expectation before it is written. The files are committed; this program
// is not needed to run the tests.
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "jpeg/jpeg_decoder.h"
#include "jpeg_writer.h"
#include "memory_surface.h"

using namespace jpegtest;
using Bytes = std::vector<uint8_t>;

namespace {

std::vector<uint8_t> decodeRgba(const Bytes& bytes, int* w = nullptr, int* h = nullptr) {
    MemorySurface s;
    decodeJpeg(&s, bytes.data(), int32_t(bytes.size()));
    if (w) *w = s.width;
    if (h) *h = s.height;
    return s.rgba;
}

void require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "make_built_files: %s\n", what);
        std::exit(1);
    }
}

void writeFile(const std::string& path, const Bytes& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    require(f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size(), "write");
    std::fclose(f);
}

int32_t flatDc(int sample) { return 8 * (sample - 128); }

int flatSample(int c, int mcuCol, int mcuRow, int by, int bx) {
    return 20 + ((c * 71 + mcuCol * 13 + mcuRow * 29 + by * 7 + bx * 3) % 200);
}

Bytes flatBlockFile(const ImageLayout& layout) {
    const int mcuW = 8 * layout.components[0].h, mcuH = 8 * layout.components[0].v;
    return encodeImage(layout, [&](int c, int mcuX, int mcuY, int by, int bx, int32_t* zz) {
        zz[0] = flatDc(flatSample(c, mcuX / mcuW, mcuY / mcuH, by, bx));
    });
}

std::vector<uint8_t> expectedFlat(const ImageLayout& layout) {
    const int h0 = layout.components[0].h, v0 = layout.components[0].v;
    std::vector<uint8_t> out(size_t(layout.width) * layout.height * 4, 0x80);
    for (int y = 0; y < layout.height; ++y)
        for (int x = 0; x < layout.width; ++x)
            for (size_t c = 0; c < layout.components.size(); ++c) {
                int rx = h0 / layout.components[c].h, ry = v0 / layout.components[c].v;
                if (rx == 0 || ry == 0) continue;
                int mx = x / (8 * h0), my = y / (8 * v0);
                int bx = (x % (8 * h0)) / (8 * rx), by = (y % (8 * v0)) / (8 * ry);
                out[(size_t(y) * layout.width + x) * 4 + c] =
                    uint8_t(flatSample(int(c), mx, my, by, bx));
            }
    jpegDecoder.pixels = out.data();
    jpegDecoder.width = layout.width;
    jpegDecoder.height = layout.height;
    if (layout.components.size() == 3) convertYCbCrToRgb();
    if (layout.components.size() == 1) convertGreyToRgb();
    jpegDecoder.pixels = nullptr;
    return out;
}

void flat(const std::string& dir, const char* name, int w, int h,
          std::vector<FrameComponent> components, bool restart = false) {
    ImageLayout layout;
    layout.width = w;
    layout.height = h;
    layout.components = components;
    layout.restartEveryRow = restart;
    Bytes file = flatBlockFile(layout);
    require(decodeRgba(file) == expectedFlat(layout), name);
    writeFile(dir + "/" + name, file);
}

std::vector<uint8_t> samplesOfCoefficients(const float* zigzag) {
    for (int n = 0; n < 64; ++n)
        jpegDecoder.block[n] =
            float((double(zigzag[zigzagIndex[n]]) * aanScale[n % 8]) * aanScale[n / 8]);
    inverseDct();
    std::vector<uint8_t> s(64);
    for (int n = 0; n < 64; ++n) s[n] = sampleFromValue(jpegDecoder.block[n]);
    return s;
}

// Two grey blocks: the first has four (run 15, size 2) pairs, the last of
// which would carry the position past 63; the second must decode in step.
Bytes acRunPast63() {
    HuffmanCoder dc(allDcSizes()), ac(allAcSymbols());
    BitWriter bits;
    bits.put(dc.code[0], dc.length[0]);
    for (int i = 0; i < 4; ++i) {
        bits.put(ac.code[0xF2], ac.length[0xF2]);
        bits.put(3, 2);
    }
    int32_t predictor = 0;
    int32_t second[64] = {flatDc(200)};
    encodeBlock(bits, second, predictor, dc, ac);
    bits.flush();
    ImageLayout layout;
    layout.width = 16;
    Bytes file = encodeImage(layout, [](int, int, int, int, int, int32_t*) {});
    size_t sos = 0;
    while (!(file[sos] == 0xFF && file[sos + 1] == 0xDA)) ++sos;
    file.resize(sos + 2 + (size_t(file[sos + 2]) << 8 | file[sos + 3]));
    file.insert(file.end(), bits.bytes.begin(), bits.bytes.end());
    file.insert(file.end(), {0xFF, 0xD9});

    std::vector<uint8_t> rgba = decodeRgba(file);
    float zz[64] = {};
    zz[16] = zz[32] = zz[48] = 3;
    std::vector<uint8_t> first = samplesOfCoefficients(zz);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            require(rgba[(size_t(y) * 16 + x) * 4] == first[8 * y + x], "ac run block 0");
            require(rgba[(size_t(y) * 16 + x + 8) * 4] == 200, "ac run block 1");
        }
    return file;
}

uint32_t lcg(uint32_t& s) {
    s = s * 1103515245u + 12345u;
    return s >> 16;
}

HuffmanDefinition reversed(HuffmanDefinition d) {
    std::vector<uint8_t> s(d.symbols.rbegin(), d.symbols.rend());
    d.symbols = s;
    return d;
}

Bytes tablePayload(int tableClass, int number, const HuffmanDefinition& d) {
    Bytes p{uint8_t(tableClass << 4 | number)};
    p.insert(p.end(), d.counts, d.counts + 16);
    p.insert(p.end(), d.symbols.begin(), d.symbols.end());
    return p;
}

// 32 x 16 4:2:0 with three quantisation tables (one 16-bit) and two table
// sets, component 2 on DC 1 / AC 0 and component 3 on DC 0 / AC 1. With
// `unusual`, the tables share segments (two DQT tables in one, four DHT
// tables in one) and the headers hold what cjpeg never writes: a second SOI,
// an empty COM, an APP1 holding marker bytes, empty DHT and DQT segments, a
// fill byte read as marker 0xFF, and a scan selector for a missing id.
Bytes multiTable(bool unusual) {
    const std::vector<FrameComponent> comps{{1, 2, 2, 0}, {2, 1, 1, 1}, {3, 1, 1, 2}};
    int32_t q[3][64];
    for (int i = 0; i < 64; ++i) {
        q[0][i] = 1 + i % 7;
        q[1][i] = 2 + (i * 3) % 11;
        q[2][i] = 256 + i;
    }
    const HuffmanDefinition dc0 = allDcSizes(), ac0 = allAcSymbols();
    const HuffmanDefinition dc1 = reversed(dc0), ac1 = reversed(ac0);
    Bytes out{0xFF, 0xD8};
    if (unusual) {
        out.insert(out.end(), {0xFF, 0xD8, 0xFF, 0xFE, 0x00, 0x02});
        putSegment(out, 0xE1, {0xFF, 0xD9, 0xFF, 0xC2, 0x00});
        out.insert(out.end(), {0xFF, 0xC4, 0x00, 0x02, 0xFF, 0xDB, 0x00, 0x02});
        out.insert(out.end(), {0xFF, 0xFF, 0x00, 0x04, 0xAA, 0xBB});
        Bytes two;
        for (int t = 0; t < 2; ++t) {
            two.push_back(uint8_t(t));
            for (int i = 0; i < 64; ++i) two.push_back(uint8_t(q[t][i]));
        }
        putSegment(out, 0xDB, two);
    } else {
        putQuantTable(out, 0, q[0], false);
        putQuantTable(out, 1, q[1], false);
    }
    putQuantTable(out, 2, q[2], true);
    putFrame(out, 32, 16, comps);
    if (unusual) {
        Bytes four;
        for (const Bytes& t : {tablePayload(0, 0, dc0), tablePayload(0, 1, dc1),
                               tablePayload(1, 0, ac0), tablePayload(1, 1, ac1)})
            four.insert(four.end(), t.begin(), t.end());
        putSegment(out, 0xC4, four);
        putSegment(out, 0xDA, {4, 9, 0x33, 1, 0x00, 2, 0x10, 3, 0x01, 0, 63, 0});
    } else {
        putHuffmanTable(out, 0, 0, dc0);
        putHuffmanTable(out, 0, 1, dc1);
        putHuffmanTable(out, 1, 0, ac0);
        putHuffmanTable(out, 1, 1, ac1);
        putSegment(out, 0xDA, {3, 1, 0x00, 2, 0x10, 3, 0x01, 0, 63, 0});
    }
    const HuffmanCoder dcs[2] = {HuffmanCoder(dc0), HuffmanCoder(dc1)};
    const HuffmanCoder acs[2] = {HuffmanCoder(ac0), HuffmanCoder(ac1)};
    const int dcOf[3] = {0, 1, 0}, acOf[3] = {0, 0, 1};
    BitWriter bits;
    int32_t predictors[3] = {};
    uint32_t seed = 7;
    for (int mcu = 0; mcu < 2; ++mcu)
        for (int c = 0; c < 3; ++c)
            for (int b = 0; b < (c == 0 ? 4 : 1); ++b) {
                int32_t zz[64] = {};
                const int32_t range = c == 2 ? 2 : 20;  // table 2 holds 256 and up
                zz[0] = int32_t(lcg(seed) % uint32_t(8 * range + 1)) - 4 * range;
                for (int k = 1; k < 64; ++k)
                    if (lcg(seed) % 4 == 0)
                        zz[k] = int32_t(lcg(seed) % uint32_t(2 * range + 1)) - range;
                encodeBlock(bits, zz, predictors[c], dcs[dcOf[c]], acs[acOf[c]]);
            }
    bits.flush();
    out.insert(out.end(), bits.bytes.begin(), bits.bytes.end());
    out.insert(out.end(), {0xFF, 0xD9});
    return out;
}

// 16 x 8, three components 1 x 1. DC table 0 is defined with sixteen codes,
// then redefined with one: the luma stream uses codes only the earlier
// definition's leftover entries hold. The chroma components name DC and AC
// table 1, which no segment defines. With `plain`, the same pixels from
// ordinary tables.
Bytes staleAndUndefined(bool plain) {
    const HuffmanDefinition dcAll = allDcSizes(), ac = allAcSymbols();
    HuffmanDefinition dcOne{};
    dcOne.counts[4] = 1;
    dcOne.symbols = {0};
    Bytes out{0xFF, 0xD8};
    int32_t q[64];
    for (int i = 0; i < 64; ++i) q[i] = 1 + i % 5;
    putQuantTable(out, 0, q, false);
    putFrame(out, 16, 8, {{1, 1, 1, 0}, {2, 1, 1, 0}, {3, 1, 1, 0}});
    putHuffmanTable(out, 0, 0, dcAll);
    if (!plain) putHuffmanTable(out, 0, 0, dcOne);
    putHuffmanTable(out, 1, 0, ac);
    if (plain) {
        putHuffmanTable(out, 0, 1, dcAll);
        putHuffmanTable(out, 1, 1, ac);
    }
    putSegment(out, 0xDA, {3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0});
    const HuffmanCoder dc(dcAll), acc(ac);
    BitWriter bits;
    int32_t predictors[3] = {};
    uint32_t seed = 11;
    for (int mcu = 0; mcu < 2; ++mcu)
        for (int c = 0; c < 3; ++c) {
            int32_t zz[64] = {};
            if (c == 0) {
                zz[0] = int32_t(lcg(seed) % 301) - 150;
                for (int k = 1; k < 64; ++k)
                    if (lcg(seed) % 3 == 0) zz[k] = int32_t(lcg(seed) % 61) - 30;
                encodeBlock(bits, zz, predictors[c], dc, acc);
            } else if (plain) {
                // What the undefined tables make of the bits below.
                if (mcu == 1 && c == 1) zz[2] = 1;
                encodeBlock(bits, zz, predictors[c], dc, acc);
            } else {
                bits.put(0, 1);  // first bit 0: entry 0, symbol 0, DC size 0
                if (mcu == 1 && c == 1) {
                    bits.put(0x8011, 16);  // no code: 16 bits, run 1, size 1
                    bits.put(1, 1);
                }
                bits.put(0, 1);  // symbol 0 again: end of block
            }
        }
    bits.flush();
    out.insert(out.end(), bits.bytes.begin(), bits.bytes.end());
    out.insert(out.end(), {0xFF, 0xD9});
    return out;
}

size_t colourCount(const std::vector<uint8_t>& rgba) {
    std::set<uint32_t> colours;
    for (size_t i = 0; i + 3 < rgba.size(); i += 4)
        colours.insert(uint32_t(rgba[i]) << 16 | uint32_t(rgba[i + 1]) << 8 | rgba[i + 2]);
    return colours.size();
}

}  // namespace

int main(int argc, char** argv) {
    require(argc == 2, "usage: make_built_files OUTDIR");
    const std::string dir = argv[1];
    flat(dir, "flat_420_40x24.jpg", 40, 24, {{1, 2, 2, 0}, {2, 1, 1, 0}, {3, 1, 1, 0}});
    flat(dir, "flat_422_40x24.jpg", 40, 24, {{1, 2, 1, 0}, {2, 1, 1, 0}, {3, 1, 1, 0}});
    flat(dir, "flat_444_17x9.jpg", 17, 9, {{1, 1, 1, 0}, {2, 1, 1, 0}, {3, 1, 1, 0}});
    flat(dir, "flat_grey_2x2_20x18.jpg", 20, 18, {{1, 2, 2, 0}});
    flat(dir, "flat_chroma_wider_than_luma.jpg", 16, 8, {{1, 1, 1, 0}, {2, 2, 1, 0}, {3, 1, 1, 0}});
    flat(dir, "flat_two_components.jpg", 17, 9, {{1, 1, 1, 0}, {2, 1, 1, 0}});
    flat(dir, "flat_420_restart_every_row.jpg", 24, 40, {{1, 2, 2, 0}, {2, 1, 1, 0}, {3, 1, 1, 0}},
         true);
    writeFile(dir + "/ac_run_past_63.jpg", acRunPast63());

    int w = 0, h = 0;
    Bytes unusual = multiTable(true);
    std::vector<uint8_t> a = decodeRgba(unusual, &w, &h), b = decodeRgba(multiTable(false));
    require(w == 32 && h == 16 && a == b && colourCount(a) > 100, "multi-table headers");
    writeFile(dir + "/multi_table_segments.jpg", unusual);

    Bytes stale = staleAndUndefined(false);
    a = decodeRgba(stale, &w, &h);
    b = decodeRgba(staleAndUndefined(true));
    require(w == 16 && h == 8 && a == b && colourCount(a) > 50, "stale and undefined tables");
    writeFile(dir + "/huffman_stale_and_undefined.jpg", stale);
    return 0;
}
