// Whole files: the cjpeg-made corpus against djpeg and against the pinned
// digests of this decoder's output; unsupported, damaged and hostile input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "golden_digests.h"
#include "jpeg_writer.h"
#include "test_support.h"

namespace {

using jpegtest::decode;
using jpegtest::Decoded;
using jpegtest::readFileBytes;

Decoded decodeCorpusFile(const std::string& name) {
    std::vector<uint8_t> bytes = readFileBytes(jpegtest::corpusPath(name));
    EXPECT_FALSE(bytes.empty()) << name << " missing: the jpeg_corpus fixture makes it";
    return decode(bytes);
}

TEST(CorpusFiles, CloseToDjpegFloat) {
    for (const jpegtest::GoldenDigest& g : jpegtest::goldenDigests) {
        SCOPED_TRACE(g.file);
        Decoded d = decodeCorpusFile(g.file);
        jpegtest::Reference ref = jpegtest::djpegReference(jpegtest::corpusPath(g.file));
        ASSERT_EQ(d.width, ref.width);
        ASSERT_EQ(d.height, ref.height);
        ASSERT_EQ(ref.rgb.size() / 3 * 4, d.rgba.size());
        EXPECT_TRUE(d.messages.empty());

        double squared = 0, signedSum = 0;
        int maxDiff = 0;
        size_t count = ref.rgb.size();
        for (size_t i = 0; i < count; ++i) {
            int diff = int(d.rgba[i / 3 * 4 + i % 3]) - int(ref.rgb[i]);
            squared += double(diff) * diff;
            signedSum += diff;
            maxDiff = std::max(maxDiff, std::abs(diff));
        }
        for (size_t i = 3; i < d.rgba.size(); i += 4) ASSERT_EQ(d.rgba[i], 255);
        double mse = squared / double(count);
        double psnr = mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
        double meanDiff = signedSum / double(count);
        EXPECT_GT(psnr, 42.0);
        EXPECT_LE(maxDiff, 5);
        // Truncation where libjpeg rounds: darker on average, never lighter.
        EXPECT_LE(meanDiff, 0.0);
        EXPECT_GE(meanDiff, -1.5);
    }
}

TEST(CorpusFiles, OutputIsPinnedToTheByte) {
    for (const jpegtest::GoldenDigest& g : jpegtest::goldenDigests) {
        Decoded d = decodeCorpusFile(g.file);
        EXPECT_EQ(d.width, g.width) << g.file;
        EXPECT_EQ(d.height, g.height) << g.file;
        EXPECT_EQ(jpegtest::digest(d.rgba), g.digest)
            << "{\"" << g.file << "\", " << d.width << ", " << d.height << ", 0x" << std::hex
            << jpegtest::digest(d.rgba) << "ULL},";
    }
}

TEST(CorpusFiles, NothingCarriesOverBetweenDecodes) {
    // Files with different tables, restart intervals, component counts and
    // sizes, in an order where each follows a different one.
    const char* order[] = {"optimized_420.jpg",    "restart_grey_rows.jpg", "quant16_420.jpg",
                           "gradient_422_q85.jpg", "restart_420_rows.jpg",  "optimized_420.jpg",
                           "grey_q75.jpg",         "sensitive_colour.jpg"};
    for (const char* name : order) {
        const jpegtest::GoldenDigest* g = jpegtest::findGolden(name);
        ASSERT_NE(g, nullptr) << name;
        EXPECT_EQ(jpegtest::digest(decodeCorpusFile(name).rgba), g->digest) << name;
        // A refused file in between must not disturb the next one either.
        EXPECT_TRUE(decodeCorpusFile("hostile/progressive.jpg").reportedFailure());
    }
}

TEST(UnsupportedFiles, GiveNoImageAndTheMessage) {
    for (const char* name : {"hostile/progressive.jpg", "hostile/arithmetic.jpg",
                             "hostile/twelve_bit.jpg", "hostile/extended_sof1.jpg"}) {
        Decoded d = decodeCorpusFile(name);
        EXPECT_EQ(d.width, 0) << name;
        EXPECT_EQ(d.height, 0) << name;
        EXPECT_EQ(d.uploads, 1) << name;
        EXPECT_TRUE(d.reportedFailure()) << name;
    }
    // Restarts inside rows are not honoured: a wrong picture, but a picture.
    Decoded d = decodeCorpusFile("hostile/restart_inside_rows.jpg");
    EXPECT_EQ(d.width, 200);
    EXPECT_TRUE(d.messages.empty());
}

TEST(UnsupportedFiles, EmptyAndNonJpegInput) {
    for (const std::vector<uint8_t>& bytes : {std::vector<uint8_t>{}, std::vector<uint8_t>{0xFF},
                                              std::vector<uint8_t>{0x89, 'P', 'N', 'G'},
                                              std::vector<uint8_t>{0xFF, 0xD8, 0xFF, 0xD9}}) {
        Decoded d = decode(bytes);
        EXPECT_EQ(d.width, 0);
        EXPECT_EQ(d.height, 0);
        EXPECT_TRUE(d.reportedFailure());
    }
}

// The outcome rules for any input: an image of the frame's size and no
// message, or an empty side and exactly the decoder's message.
void expectOutcomeRules(const Decoded& d) {
    if (d.width == 0 || d.height == 0) {
        EXPECT_TRUE(d.reportedFailure());
    } else {
        EXPECT_TRUE(d.messages.empty());
        EXPECT_EQ(d.rgba.size(), size_t(d.width) * size_t(d.height) * 4);
    }
    EXPECT_EQ(d.uploads, 1);
}

TEST(DamagedFiles, TruncatedAtEveryPoint) {
    for (const char* name :
         {"odd_17x9_420.jpg", "restart_444_rows.jpg", "grey_q75.jpg", "quant16_420.jpg"}) {
        std::vector<uint8_t> whole = readFileBytes(jpegtest::corpusPath(name));
        ASSERT_FALSE(whole.empty());
        const Decoded full = decode(whole);
        // Every cut inside the headers, a couple of hundred inside the scan.
        const size_t headers = 700, step = std::max<size_t>(1, whole.size() / 200);
        for (size_t n = 0; n < whole.size(); n += n < headers ? 1 : step) {
            std::vector<uint8_t> prefix(whole.begin(), whole.begin() + long(n));
            Decoded d = decode(prefix);
            SCOPED_TRACE(std::string(name) + " cut at " + std::to_string(n));
            expectOutcomeRules(d);
            if (d.width != 0) {
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

struct Random {
    uint64_t state;
    uint32_t next() {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return uint32_t(state >> 33);
    }
};

TEST(DamagedFiles, RandomBytesAndRandomDamage) {
    Random r{2024};
    for (int i = 0; i < 300; ++i) {
        std::vector<uint8_t> bytes(r.next() % 600);
        for (uint8_t& b : bytes) b = uint8_t(r.next());
        if (i % 2 == 0 && bytes.size() >= 2) bytes[0] = 0xFF, bytes[1] = 0xD8;
        expectOutcomeRules(decode(bytes));
    }
    for (const char* name :
         {"odd_33x31_422.jpg", "restart_grey_rows.jpg", "sensitive_colour.jpg"}) {
        const std::vector<uint8_t> whole = readFileBytes(jpegtest::corpusPath(name));
        ASSERT_FALSE(whole.empty());
        for (int i = 0; i < 150; ++i) {
            std::vector<uint8_t> bytes = whole;
            int changes = 1 + int(r.next() % 8);
            for (int k = 0; k < changes; ++k) bytes[r.next() % bytes.size()] = uint8_t(r.next());
            Decoded d = decode(bytes);
            expectOutcomeRules(d);
            EXPECT_EQ(decode(bytes).rgba, d.rgba) << name << " damage " << i;
        }
    }
}

// A valid stream whose frame header declares the given size and sampling,
// with a few bytes of entropy data at most.
std::vector<uint8_t> declaredFrame(int width, int height,
                                   std::vector<jpegtest::FrameComponent> components) {
    jpegtest::ImageLayout layout;
    layout.width = 8;
    layout.height = 8;
    layout.components = components;
    for (auto& c : layout.components) c.h = c.v = 1;
    std::vector<uint8_t> bytes =
        jpegtest::encodeImage(layout, [](int, int, int, int, int, int32_t*) {});
    for (size_t i = 0; i + 8 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
            bytes[i + 5] = uint8_t(height >> 8);
            bytes[i + 6] = uint8_t(height);
            bytes[i + 7] = uint8_t(width >> 8);
            bytes[i + 8] = uint8_t(width);
            for (size_t c = 0; c < components.size(); ++c)
                bytes[i + 11 + 3 * c] = uint8_t(components[c].h << 4 | components[c].v);
            break;
        }
    }
    return bytes;
}

TEST(HostileFrames, HugeDeclaredSizes) {
    const std::vector<jpegtest::FrameComponent> ycc{{1, 2, 2, 0}, {2, 1, 1, 0}, {3, 1, 1, 0}};
    // Above the cap: refused before any allocation.
    for (auto size : {std::pair<int, int>{65535, 65535}, {8193, 8192}, {65535, 1025}}) {
        Decoded d = decode(declaredFrame(size.first, size.second, ycc));
        EXPECT_EQ(d.width, 0);
        EXPECT_EQ(d.height, 0);
        EXPECT_TRUE(d.reportedFailure());
    }
    // Large but allowed, with almost no data: the scan stops where the input
    // ends and the rest of the picture holds the fill value.
    Decoded d = decode(declaredFrame(4096, 2048, ycc));
    EXPECT_EQ(d.width, 4096);
    EXPECT_EQ(d.height, 2048);
    EXPECT_TRUE(d.messages.empty());
    EXPECT_EQ(d.rgba[(size_t(2047) * 4096 + 4095) * 4 + 1], 128);

    // A side of 0: the message, and the other side kept as declared.
    Decoded noLines = decode(declaredFrame(64, 0, ycc));
    EXPECT_EQ(noLines.height, 0);
    EXPECT_EQ(noLines.width, 64);
    EXPECT_TRUE(noLines.reportedFailure());
    Decoded noColumns = decode(declaredFrame(0, 60000, ycc));
    EXPECT_EQ(noColumns.width, 0);
    EXPECT_EQ(noColumns.height, 60000);
    EXPECT_TRUE(noColumns.reportedFailure());
}

TEST(HostileFrames, FramesTheScanCannotDecodeAreRefused) {
    // Sampling factor 0 in component 0 (no MCU size) and in a chroma
    // component (division by zero).
    for (auto components :
         {std::vector<jpegtest::FrameComponent>{{1, 0, 1, 0}, {2, 1, 1, 0}, {3, 1, 1, 0}},
          std::vector<jpegtest::FrameComponent>{{1, 1, 1, 0}, {2, 1, 0, 0}, {3, 1, 1, 0}},
          std::vector<jpegtest::FrameComponent>{{1, 0, 0, 0}}}) {
        Decoded d = decode(declaredFrame(32, 32, components));
        EXPECT_EQ(d.width, 0);
        EXPECT_TRUE(d.reportedFailure());
    }
    // A quantisation selector above 3.
    Decoded q = decode(declaredFrame(16, 16, {{1, 1, 1, 9}}));
    EXPECT_EQ(q.width, 0);
    EXPECT_TRUE(q.reportedFailure());
    // Huffman selectors above 3 in the scan header.
    std::vector<uint8_t> bytes = declaredFrame(16, 16, {{1, 1, 1, 0}});
    for (size_t i = 0; i + 6 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA) {
            bytes[i + 6] = 0x5C;
            break;
        }
    EXPECT_TRUE(decode(bytes).reportedFailure());
    // No components at all: a frame header of length 8 and an empty scan.
    std::vector<uint8_t> none{0xFF, 0xD8, 0xFF, 0xC0, 0, 8, 8, 0,  16, 0,    16,
                              0,    0xFF, 0xDA, 0,    6, 0, 0, 63, 0,  0x12, 0x34};
    EXPECT_TRUE(decode(none).reportedFailure());
}

}  // namespace
