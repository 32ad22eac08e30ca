// The decoder in process: closeness to djpeg on the cjpeg corpus, files cut
// at every point, and no state carried from one decode to the next. Exact
// outputs of every test file are pinned by manifest.txt (check_manifest.sh).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "jpeg/jpeg_bit_reader.h"
#include "jpeg/jpeg_colour.h"
#include "jpeg/jpeg_decoder.h"
#include "jpeg/jpeg_idct.h"
#include "jpeg/jpeg_kernels.h"
#include "jpeg/jpeg_record.h"
#include "memory_surface.h"
#include "support/support.h"

namespace {

namespace fs = std::filesystem;
const std::string dataDir = CQ_JPEG_TEST_DATA;

struct Decoded {
    int32_t width, height, uploads;
    std::vector<uint8_t> rgba;
    std::vector<MessageRecorder::Message> messages;
};

// Decodes a copy of exactly these bytes, so the sanitizers see any read
// past the end.
Decoded decode(std::vector<uint8_t> bytes) {
    MessageRecorder recorder;
    MemorySurface surface;
    decodeJpeg(&surface, bytes.empty() ? nullptr : bytes.data(), int32_t(bytes.size()));
    return {surface.width, surface.height, surface.uploadCount, surface.rgba, recorder.messages()};
}

std::vector<std::string> jpegFiles(std::initializer_list<const char*> dirs) {
    std::vector<std::string> files;
    for (const char* dir : dirs)
        for (const auto& entry : fs::directory_iterator(dataDir + "/" + dir))
            if (entry.path().extension() == ".jpg") files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

// djpeg's output as RGB triples (grey expanded).
std::vector<uint8_t> djpegRgb(const std::string& path, int& width, int& height) {
    std::vector<uint8_t> rgb;
    std::FILE* pipe = popen(("djpeg -dct float -nosmooth -pnm '" + path + "'").c_str(), "r");
    int kind = 0, maxval = 0;
    if (pipe && std::fscanf(pipe, "P%d %d %d %d", &kind, &width, &height, &maxval) == 4 &&
        std::fgetc(pipe) != EOF) {
        std::vector<uint8_t> raw(size_t(width) * height * (kind == 6 ? 3 : 1));
        if (std::fread(raw.data(), 1, raw.size(), pipe) == raw.size())
            for (size_t i = 0; i < size_t(width) * height; ++i)
                for (int c = 0; c < 3; ++c) rgb.push_back(kind == 6 ? raw[i * 3 + c] : raw[i]);
    }
    if (pipe) pclose(pipe);
    return rgb;
}

TEST(Decoder, CorpusIsCloseToDjpegFloat) {
    const std::vector<std::string> files = jpegFiles({"corpus"});
    ASSERT_GE(files.size(), 20u);
    for (const std::string& path : files) {
        SCOPED_TRACE(path);
        int width = 0, height = 0;
        const std::vector<uint8_t> ref = djpegRgb(path, width, height);
        const Decoded d = decode(readFile(path));
        ASSERT_EQ(d.width, width);
        ASSERT_EQ(d.height, height);
        ASSERT_EQ(ref.size() / 3 * 4, d.rgba.size());
        double squared = 0, sum = 0;
        int maxDiff = 0;
        for (size_t i = 0; i < ref.size(); ++i) {
            const int diff = int(d.rgba[i / 3 * 4 + i % 3]) - int(ref[i]);
            squared += double(diff) * diff;
            sum += diff;
            maxDiff = std::max(maxDiff, std::abs(diff));
        }
        for (size_t i = 3; i < d.rgba.size(); i += 4) ASSERT_EQ(d.rgba[i], 255);
        const double mse = squared / double(ref.size());
        EXPECT_GT(mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse), 42.0);
        EXPECT_LE(maxDiff, 5);
        // Truncation where djpeg rounds: darker on average, never lighter.
        EXPECT_LE(sum / double(ref.size()), 0.0);
        EXPECT_GE(sum / double(ref.size()), -1.5);
    }
}

// Any input: one upload, and either an image of the whole frame with no
// message or an empty side with exactly the decoder's message.
void expectOutcomeRules(const Decoded& d) {
    EXPECT_EQ(d.uploads, 1);
    if (d.width == 0 || d.height == 0) {
        ASSERT_EQ(d.messages.size(), 1u);
        EXPECT_EQ(d.messages[0].first, ",-.-.-.-.-.-.");
        EXPECT_EQ(d.messages[0].second,
                  "jotai ongelmii jpegin lataukses, debuggaa. kato ettet oo tallentanu jpegia "
                  "progressivena.");
    } else {
        EXPECT_TRUE(d.messages.empty());
        EXPECT_EQ(d.rgba.size(), size_t(d.width) * size_t(d.height) * 4);
    }
}

TEST(Decoder, TruncatedAtEveryPoint) {
    for (const char* name : {"corpus/odd_17x9_420.jpg", "corpus/restart_444_rows.jpg",
                             "corpus/grey_q75.jpg", "corpus/quant16_420.jpg"}) {
        const std::vector<uint8_t> whole = readFile(dataDir + "/" + name);
        ASSERT_FALSE(whole.empty()) << name;
        const Decoded full = decode(whole);
        // Every cut inside the headers, a couple of hundred inside the scan.
        const size_t headers = 700, step = std::max<size_t>(1, whole.size() / 200);
        for (size_t n = 0; n < whole.size(); n += n < headers ? 1 : step) {
            SCOPED_TRACE(std::string(name) + " cut at " + std::to_string(n));
            const std::vector<uint8_t> prefix(whole.begin(), whole.begin() + long(n));
            const Decoded d = decode(prefix);
            expectOutcomeRules(d);
            if (d.width != 0 && d.height != 0) {
                // Once the headers are whole the size is the file's, and a
                // cut scan decodes the same way every time.
                EXPECT_EQ(d.width, full.width);
                EXPECT_EQ(d.height, full.height);
                if (n % 8 == 0) {
                    EXPECT_EQ(decode(prefix).rgba, d.rgba);
                }
            }
        }
    }
}

// Every test file decoded after two different files gives the same result,
// and leaves nothing behind that changes those two (tables, restart interval,
// predictors, a half-read frame of a hostile file).
TEST(Decoder, NothingCarriesOverBetweenDecodes) {
    const std::vector<uint8_t> a = readFile(dataDir + "/corpus/restart_420_rows.jpg");
    const std::vector<uint8_t> b = readFile(dataDir + "/corpus/optimized_grey.jpg");
    const Decoded aloneA = decode(a), aloneB = decode(b);
    const std::vector<std::string> files =
        jpegFiles({"corpus", "built", "hostile", "../fuzz/regressions"});
    ASSERT_GE(files.size(), 100u);
    for (const std::string& path : files) {
        SCOPED_TRACE(path);
        const std::vector<uint8_t> bytes = readFile(path);
        const Decoded afterB = decode(bytes);
        EXPECT_EQ(decode(a).rgba, aloneA.rgba);
        const Decoded afterA = decode(bytes);
        EXPECT_EQ(decode(b).rgba, aloneB.rgba);
        expectOutcomeRules(afterA);
        EXPECT_EQ(afterA.width, afterB.width);
        EXPECT_EQ(afterA.height, afterB.height);
        EXPECT_TRUE(afterA.rgba == afterB.rgba);
    }
}

// The decoder's fast paths against the definitions they stand in for.

// Huffman tables as the parser builds them, from counts and symbols; `over`
// is an earlier definition of the same table whose longer entries stay.
HuffmanTable huffmanTable(const std::vector<int>& counts, std::mt19937& random,
                          const HuffmanTable& over = HuffmanTable{}) {
    HuffmanTable table = over;
    int32_t code = 0, k = 0;
    for (int length = 1; length <= 16; ++length) {
        table.counts[length - 1] = uint8_t(counts[length - 1]);
        for (int i = 0; i < counts[length - 1]; ++i, ++k, ++code) {
            table.lengths[k] = uint8_t(length);
            table.codes[k] = uint16_t(code);
            table.symbols[k] = uint8_t(random());
        }
        code <<= 1;
    }
    return table;
}

TEST(Decoder, HuffmanLookupReadsWhatTheLinearSearchReads) {
    std::mt19937 random(7);
    // Luminance AC counts of T.81 Annex K; short and long codes only; codes
    // that outgrow their lengths; no codes at all; redefinitions with fewer
    // codes over stale entries; long codes out of order; random counts.
    const std::vector<int> standard = {0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 125};
    std::vector<HuffmanTable> tables = {
        huffmanTable(standard, random),
        huffmanTable({1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, random),
        huffmanTable({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 200, 0, 0, 56}, random),
        huffmanTable({2, 4, 8, 16, 32, 64, 128, 2, 0, 0, 0, 0, 0, 0, 0, 0}, random),
        HuffmanTable{},
        huffmanTable({0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, random,
                     huffmanTable(standard, random)),
        // Stale entries 3 to 7 (length 3, codes 3 to 7) after 100 and 101:
        // the earlier entry must win.
        huffmanTable({1, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, random,
                     huffmanTable({0, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, random)),
    };
    // Long codes that mostly count up but repeat and skip (first of all 0,
    // 1, 3, 2, 2 above the first): past the first break the rest must still
    // be searched, in order.
    HuffmanTable jumbled{};
    const int opening[5] = {0, 1, 3, 2, 2};
    for (int k = 0; k < 160; ++k) {
        const int first = k < 120 ? 2048 : 0xFF00;
        jumbled.lengths[k] = uint8_t(k < 120 ? 12 : 16);
        jumbled.codes[k] = uint16_t(first + (k < 5 ? opening[k] : k + int(random() % 3) - 1));
        jumbled.symbols[k] = uint8_t(k);
    }
    tables.push_back(jumbled);
    for (int extra = 0; extra < 4; ++extra) {
        std::vector<int> counts(16);
        int left = 256;
        for (int& c : counts) left -= (c = std::min<int>(left, int(random() % 40)));
        tables.push_back(huffmanTable(counts, random));
    }
    for (size_t t = 0; t < tables.size(); ++t) {
        SCOPED_TRACE("table " + std::to_string(t));
        const HuffmanTable& table = tables[t];
        HuffmanLookup lookup;
        buildHuffmanLookup(table, lookup);
        for (uint32_t pattern = 0; pattern < 0x10000; ++pattern) {
            // The pattern's 16 bits and 16 more, as stuffed entropy-coded
            // bytes, through the byte-by-byte reader.
            const uint32_t bits = pattern << 16 | (pattern * 2654435761u >> 16);
            std::vector<uint8_t> bytes;
            std::vector<int32_t> after;
            for (int i = 0; i < 4; ++i) {
                bytes.push_back(uint8_t(bits >> (24 - 8 * i)));
                if (bytes.back() == 0xFF) bytes.push_back(0x00);
                after.push_back(int32_t(bytes.size()));
            }
            JpegDecoder& d = jpegDecoder;
            d.input = bytes.data(), d.size = int32_t(bytes.size());
            d.position = d.bitPosition = d.exhausted = 0;
            auto bitsRead = [&] {
                const int32_t loaded = int32_t(std::count_if(
                    after.begin(), after.end(), [&](int32_t a) { return a <= d.position; }));
                return 8 * loaded - (d.bitPosition == 0 ? 0 : 8 - d.bitPosition);
            };
            const int32_t expected = decodeHuffman(table);
            const int32_t read = bitsRead();
            int32_t length = 0;
            ASSERT_EQ(decodeHuffmanBits(table, lookup, bits, length), expected) << pattern;
            ASSERT_EQ(length, read) << pattern;
            // A coefficient read in one step: the same run, value and bits.
            const int32_t size = expected & 0x0F;
            const int32_t value = extendSign(readBits(size), size);
            const HuffmanLookup::Coefficient& one = lookup.coefficients[bits >> (32 - kLookupBits)];
            if (one.length != 0) {
                ASSERT_EQ(one.run, (expected >> 4) & 0x0F) << pattern;
                ASSERT_EQ(one.value, value) << pattern;
                ASSERT_EQ(one.length, bitsRead()) << pattern;
            } else {
                ASSERT_TRUE(size == 0 || bitsRead() > kLookupBits) << pattern;
            }
        }
    }
}

// The inverse DCT by its definition, line by line in double with one
// rounding to float per line, columns first: what every kernel must give to
// the bit. `rows` false stops after the column pass.
void referenceTransform(float* p, int stride) {
    const double x0 = p[0], x1 = p[stride], x2 = p[2 * stride], x3 = p[3 * stride];
    const double x4 = p[4 * stride], x5 = p[5 * stride], x6 = p[6 * stride], x7 = p[7 * stride];
    const float a10 = float(x0 + x4), a11 = float(x0 - x4), a13 = float(x2 + x6);
    const float a12 = float((x2 - x6) * K1 - a13);
    const float e0 = float(double(a10) + a13), e3 = float(double(a10) - a13);
    const float e1 = float(double(a11) + a12), e2 = float(double(a11) - a12);
    const float z13 = float(x5 + x3), z10 = float(x5 - x3);
    const float z11 = float(x1 + x7), z12 = float(x1 - x7);
    const float o7 = float(double(z11) + z13);
    const float z5 = float((double(z12) + z10) * K2);
    const float b12 = float(z5 - z10 * K3);
    const float o6 = float(double(b12) - o7);
    const float b11 = float((double(z11) - z13) * K1);
    const float o5 = float(double(b11) - o6);
    const float b10 = float(z12 * K4 - z5);
    const float o4 = float(double(b10) + o5);
    const float y[8] = {float(double(e0) + o7), float(double(e1) + o6), float(double(e2) + o5),
                        float(double(e3) - o4), float(double(e3) + o4), float(double(e2) - o5),
                        float(double(e1) - o6), float(double(e0) - o7)};
    for (int i = 0; i < 8; ++i) p[i * stride] = y[i];
}
void referenceInverseDct(float* block, bool rows) {
    for (int col = 0; col < 8; ++col) referenceTransform(block + col, 8);
    if (rows)
        for (int row = 0; row < 8; ++row) referenceTransform(block + 8 * row, 1);
}

// The transform's results as samples, by the definition: truncated toward
// zero, divided by 8 with an arithmetic shift, re-centred and clamped.
uint8_t sampleOf(float value) {
    const int32_t s = (int32_t(value) >> 3) + 128;
    return uint8_t(std::clamp(s, 0, 255));
}

// The prescale the scan folds into a block's values at natural position n,
// for blocks of realistic proportions.
float aanScaleOf(int n) {
    auto of = [](int k) { return k == 0 ? 1.0 : std::cos(k * M_PI / 16) * std::sqrt(2.0); };
    return float(of(n & 7) * of(n >> 3));
}

// Every kernel set the build has and the CPU runs; on a target with only the
// plain C++ kernels that is the one set, still held to the definitions
// written out in this file.
std::vector<JpegKernels> kernelSets() {
    const KernelSets found = kernelSetsTheCpuRuns();
    return std::vector<JpegKernels>(found.sets, found.sets + found.count);
}

// Random blocks, dense and sparse, through each kernel set's full transform
// (the column pass it leaves in the block, and the samples) and through the
// sparse blocks' shortcuts.
TEST(Decoder, InverseDctIsTheDefinitionToTheBit) {
    for (const JpegKernels& kernels : kernelSets()) {
        SCOPED_TRACE(kernels.name);
        std::mt19937 random(11);
        for (int trial = 0; trial < 20000; ++trial) {
            // Everything, only the first row or column, DC alone; values from
            // small to far beyond what the clamp keeps.
            const int shape = trial % 5;
            const float scale = std::ldexp(1.0f, int(random() % 24) - 4);
            float block[64] = {};
            BlockExtent extent{0, false};
            for (int n = 0; n < 64; ++n) {
                const bool kept = shape == 0 || (shape == 1 && n < 8) ||
                                  (shape == 2 && n % 8 == 0) || (shape == 3 && random() % 6 == 0) ||
                                  n == 0;
                if (!kept || random() % 4 == 0) continue;
                block[n] = float(int(random() % 2001) - 1000) / 1000.0f * scale * aanScaleOf(n);
                if (n >= 8) extent.columnsBelowFirstRow |= 1u << (n & 7);
                if (n % 8 != 0) extent.pastFirstColumn = true;
            }
            float columns[64], full[64];
            std::memcpy(columns, block, sizeof block);
            referenceInverseDct(columns, false);
            std::memcpy(full, block, sizeof block);
            referenceInverseDct(full, true);

            // Rows of samples packed, or apart as in an MCU's planes, where
            // what lies between them stays as it was.
            const int stride = trial % 2 ? 13 : 8;
            auto expectSamples = [&](const uint8_t* samples) {
                for (int n = 0; n < 8 * stride; ++n) {
                    const int row = n / stride, col = n % stride;
                    const uint8_t expected = col < 8 ? sampleOf(full[8 * row + col]) : 0xA5;
                    ASSERT_EQ(samples[n], expected) << trial << " " << n;
                }
            };
            uint8_t samples[8 * 13];
            if (extent.pastFirstColumn && extent.columnsBelowFirstRow != 0) {
                float work[64];
                std::memcpy(work, block, sizeof block);
                std::memset(samples, 0xA5, sizeof samples);
                kernels.fullTransformToSamples(work, extent.columnsBelowFirstRow, samples, stride);
                // A column left out holds zeros below its first row; only the
                // sign of a zero may differ there, so values compare, not bits.
                for (int n = 0; n < 64; ++n) ASSERT_EQ(work[n], columns[n]) << trial << " " << n;
                expectSamples(samples);
            }
            std::memcpy(jpegDecoder.block, block, sizeof block);
            std::memset(samples, 0xA5, sizeof samples);
            inverseDctToSamples(extent, samples, stride, kernels.fullTransformToSamples);
            expectSamples(samples);
        }
    }
}

// The JFIF equations in double, one rounding per operation, truncated.
void expectedPixel(int32_t y, int32_t cb, int32_t cr, uint8_t* rgba) {
    auto clampByte = [](int32_t v) { return uint8_t(std::clamp(v, 0, 255)); };
    const double fy = float(y), fcb = float(cb - 128), fcr = float(cr - 128);
    rgba[0] = clampByte(int32_t(fcr * redFromCr + fy));
    rgba[1] = clampByte(int32_t((fy - fcb * greenFromCb) - fcr * greenFromCr));
    rgba[2] = clampByte(int32_t(fcb * blueFromCb + fy));
    rgba[3] = 255;
}

TEST(Decoder, ColourConversionIsTheDoubleFormulaForEveryPixel) {
    // Each kernel set's conversion of an MCU's planes, and the one pixel of
    // the frames the kernels do not take, for every input: areas 32 pixels
    // wide whose rows run through every luma value, whose columns through 32
    // of the cb values, for each cr.
    for (const JpegKernels& kernels : kernelSets()) {
        SCOPED_TRACE(kernels.name);
        std::vector<uint8_t> luma(32 * 256), cbPlane(32 * 256), crPlane(32 * 256);
        std::vector<uint8_t> area(32 * 256 * 4);
        for (int32_t y = 0; y < 256; ++y) std::fill_n(&luma[size_t(y) * 32], 32, uint8_t(y));
        size_t mismatches = 0;
        for (int32_t cr = 0; cr < 256; ++cr) {
            std::fill(crPlane.begin(), crPlane.end(), uint8_t(cr));
            for (int32_t firstCb = 0; firstCb < 256; firstCb += 32) {
                for (size_t i = 0; i < cbPlane.size(); ++i)
                    cbPlane[i] = uint8_t(firstCb + int32_t(i % 32));
                const SamplePlanes planes{
                    luma.data(), cbPlane.data(), crPlane.data(), 32, 32, 1, 1};
                kernels.convertYCbCrToRgb(area.data(), 32 * 4, planes, 32, 256);
                for (size_t i = 0; i < luma.size(); ++i) {
                    uint8_t expected[4], one[4];
                    expectedPixel(luma[i], cbPlane[i], cr, expected);
                    rgbFromYCbCr(luma[i], cbPlane[i], uint8_t(cr), one);
                    mismatches += std::memcmp(&area[i * 4], expected, 4) != 0;
                    mismatches += std::memcmp(one, expected, 4) != 0;
                }
            }
        }
        EXPECT_EQ(mismatches, 0u);

        // Every shape an MCU gives: one to four pixels per chroma sample
        // across and down, areas of 1 to 32 columns and rows (edge MCUs), in
        // colour and in grey; pixels right of the area stay as they were.
        std::mt19937 random(3);
        for (int32_t repeatX = 1; repeatX <= 4; ++repeatX) {
            for (int32_t repeatY = 1; repeatY <= 4; ++repeatY) {
                for (int32_t columns = 1; columns <= 32; ++columns) {
                    const int32_t rows = 1 + int32_t(random() % 32);
                    for (auto& v : luma) v = uint8_t(random());
                    for (auto& v : cbPlane) v = uint8_t(random());
                    for (auto& v : crPlane) v = uint8_t(random());
                    const SamplePlanes planes{luma.data(), cbPlane.data(), crPlane.data(), 32,
                                              32,          repeatX,        repeatY};
                    std::vector<uint8_t> grey(area.size(), 0xA5);
                    std::fill(area.begin(), area.end(), uint8_t(0xA5));
                    kernels.convertYCbCrToRgb(area.data(), 40 * 4, planes, columns, rows);
                    kernels.convertGreyToRgb(grey.data(), 40 * 4, planes, columns, rows);
                    for (int32_t row = 0; row < rows; ++row) {
                        for (int32_t x = 0; x < 40; ++x) {
                            const size_t at = size_t(row * 40 + x) * 4;
                            uint8_t expected[4] = {0xA5, 0xA5, 0xA5, 0xA5};
                            uint8_t greyExpected[4] = {0xA5, 0xA5, 0xA5, 0xA5};
                            if (x < columns) {
                                const size_t c = size_t(row / repeatY * 32 + x / repeatX);
                                const uint8_t v = luma[size_t(row * 32 + x)];
                                expectedPixel(v, cbPlane[c], crPlane[c], expected);
                                greyExpected[0] = greyExpected[1] = greyExpected[2] = v;
                                greyExpected[3] = 255;
                            }
                            ASSERT_EQ(std::memcmp(&area[at], expected, 4), 0)
                                << repeatX << "x" << repeatY << " " << columns << " " << row << " "
                                << x;
                            ASSERT_EQ(std::memcmp(&grey[at], greyExpected, 4), 0)
                                << columns << " " << row << " " << x;
                        }
                    }
                }
            }
        }
    }
}

}  // namespace
