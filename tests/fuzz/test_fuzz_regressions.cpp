// The regression files hold the outcomes listed in regressions/outcomes.txt,
// the seeds decode (or are refused, for the refused_* files), and no hostile
// input leaves state behind that changes the next decode.
#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "jpeg/jpeg_decoder.h"
#include "memory_surface.h"
#include "shell/message_box.h"

namespace {

const std::string regressionDir = CQ_FUZZ_REGRESSIONS;
const std::string seedDir = CQ_FUZZ_SEEDS;

std::vector<std::string> messages;

void recordMessage(const char* text, const char* caption) {
    messages.push_back(std::string(caption) + ": " + text);
}

struct Decoded {
    int32_t width = -1;
    int32_t height = -1;
    std::vector<uint8_t> rgba;
    std::vector<std::string> messages;
};

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
}

Decoded decodeBytes(const std::vector<uint8_t>& bytes) {
    MessageBoxHandler previous = setMessageBoxHandler(recordMessage);
    messages.clear();
    MemorySurface surface;
    decodeJpeg(&surface, bytes.data(), int32_t(bytes.size()));
    setMessageBoxHandler(previous);
    Decoded d;
    d.width = surface.width;
    d.height = surface.height;
    d.rgba = surface.rgba;
    d.messages = messages;
    return d;
}

Decoded decodeFile(const std::string& path) {
    std::vector<uint8_t> bytes = readFile(path);
    EXPECT_FALSE(bytes.empty()) << path;
    return decodeBytes(bytes);
}

const char* const decoderMessage =
    ",-.-.-.-.-.-.: jotai ongelmii jpegin lataukses, debuggaa. kato ettet oo tallentanu jpegia "
    "progressivena.";

std::vector<std::string> jpegFiles(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string name = e->d_name;
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".jpg") == 0)
                names.push_back(name);
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::map<std::string, std::string> readOutcomes() {
    std::map<std::string, std::string> outcomes;
    std::ifstream in(regressionDir + "/outcomes.txt");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        size_t space = line.find(' ');
        if (space == std::string::npos) continue;
        outcomes[line.substr(0, space)] = line.substr(space + 1);
    }
    return outcomes;
}

bool parseSize(const std::string& text, int32_t& w, int32_t& h) {
    return std::sscanf(text.c_str(), "%d x %d", &w, &h) == 2 ||
           std::sscanf(text.c_str(), "%dx%d", &w, &h) == 2;
}

}  // namespace

TEST(FuzzRegressions, EveryFileHasAnOutcomeAndEveryOutcomeAFile) {
    std::map<std::string, std::string> outcomes = readOutcomes();
    std::vector<std::string> files = jpegFiles(regressionDir);
    ASSERT_GE(files.size(), 40u);
    std::set<std::string> listed;
    for (const auto& entry : outcomes) listed.insert(entry.first);
    EXPECT_EQ(std::set<std::string>(files.begin(), files.end()), listed);
}

TEST(FuzzRegressions, EachFileGivesItsOutcome) {
    for (const auto& entry : readOutcomes()) {
        const std::string& name = entry.first;
        std::istringstream words(entry.second);
        std::string kind, argument;
        words >> kind >> argument;
        SCOPED_TRACE(name + " -> " + entry.second);
        Decoded d = decodeFile(regressionDir + "/" + name);

        if (kind == "refused") {
            EXPECT_EQ(d.width, 0);
            EXPECT_EQ(d.height, 0);
            EXPECT_EQ(d.messages, std::vector<std::string>{decoderMessage});
        } else if (kind == "empty" || kind == "image") {
            int32_t w = 0, h = 0;
            ASSERT_TRUE(parseSize(argument, w, h));
            EXPECT_EQ(d.width, w);
            EXPECT_EQ(d.height, h);
            if (kind == "empty") {
                EXPECT_EQ(d.messages, std::vector<std::string>{decoderMessage});
            } else {
                EXPECT_TRUE(d.messages.empty());
                ASSERT_EQ(d.rgba.size(), size_t(w) * size_t(h) * 4);
                // After either colour conversion alpha is opaque everywhere,
                // also where the data ran out (other component counts leave
                // it unset).
                if (jpegDecoder.componentCount == 1 || jpegDecoder.componentCount == 3) {
                    bool opaque = true;
                    for (size_t i = 3; i < d.rgba.size(); i += 4)
                        opaque = opaque && d.rgba[i] == 255;
                    EXPECT_TRUE(opaque);
                }
            }
        } else if (kind == "same") {
            Decoded reference = decodeFile(regressionDir + "/" + argument);
            EXPECT_TRUE(d.messages.empty());
            EXPECT_EQ(d.width, reference.width);
            EXPECT_EQ(d.height, reference.height);
            EXPECT_TRUE(d.rgba == reference.rgba);
        } else {
            ADD_FAILURE() << "unknown outcome";
        }
    }
}

// The reference file of the "same" outcomes must itself be a real picture,
// or every "same" check could compare one flat grey with another.
TEST(FuzzRegressions, BaseFileIsARealPicture) {
    Decoded d = decodeFile(regressionDir + "/valid_base_16x16.jpg");
    ASSERT_EQ(d.width, 16);
    ASSERT_EQ(d.height, 16);
    std::set<uint32_t> colours;
    for (size_t i = 0; i < d.rgba.size(); i += 4)
        colours.insert(uint32_t(d.rgba[i]) << 16 | uint32_t(d.rgba[i + 1]) << 8 | d.rgba[i + 2]);
    EXPECT_GT(colours.size(), 8u);
}

TEST(FuzzSeeds, EverySeedDecodesOrIsRefusedAsItsNameSays) {
    std::vector<std::string> files = jpegFiles(seedDir);
    ASSERT_GE(files.size(), 20u);
    for (const std::string& name : files) {
        SCOPED_TRACE(name);
        Decoded d = decodeFile(seedDir + "/" + name);
        if (name.compare(0, 8, "refused_") == 0) {
            EXPECT_EQ(d.width, 0);
            EXPECT_EQ(d.height, 0);
            EXPECT_EQ(d.messages.size(), 1u);
        } else {
            EXPECT_GT(d.width, 0);
            EXPECT_GT(d.height, 0);
            EXPECT_TRUE(d.messages.empty());
        }
    }
}

// Whatever a hostile file leaves in the decoder's record (tables, restart
// interval, predictors, a half-read frame), the next image must not see it.
TEST(FuzzRegressions, NoFileChangesTheDecodeThatFollows) {
    const std::vector<std::string> clean = {seedDir + "/restart_rows_2x2.jpg",
                                            seedDir + "/grey_40x24.jpg"};
    std::vector<Decoded> alone;
    for (const std::string& path : clean) alone.push_back(decodeFile(path));
    for (const std::string& name : jpegFiles(regressionDir)) {
        SCOPED_TRACE(name);
        decodeFile(regressionDir + "/" + name);
        for (size_t i = 0; i < clean.size(); ++i) {
            Decoded after = decodeFile(clean[i]);
            EXPECT_EQ(after.width, alone[i].width);
            EXPECT_EQ(after.height, alone[i].height);
            EXPECT_TRUE(after.rgba == alone[i].rgba);
            EXPECT_TRUE(after.messages.empty());
        }
    }
}
