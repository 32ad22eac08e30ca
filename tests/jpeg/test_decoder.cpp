// The decoder in process: closeness to djpeg on the cjpeg corpus, files cut
// at every point, and no state carried from one decode to the next. Exact
// outputs of every test file are pinned by manifest.txt (check_manifest.sh).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "jpeg/jpeg_decoder.h"
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

std::vector<std::string> jpegFiles(const std::string& dir) {
    std::vector<std::string> files;
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
    const std::vector<std::string> files = jpegFiles("corpus");
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
    std::vector<std::string> files;
    for (const char* dir : {"corpus", "built", "hostile", "../fuzz/regressions"}) {
        const std::vector<std::string> more = jpegFiles(dir);
        files.insert(files.end(), more.begin(), more.end());
    }
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

}  // namespace
