// Whole-file loading: contents plus the extra 0xFF byte, reloading, and
// files that cannot be opened or read.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "shell/file_buffer.h"
#include "shell/message_box.h"

namespace {

std::vector<std::string> shown;

void recordMessage(const char* text, const char* caption) {
    shown.push_back(std::string(caption) + "|" + text);
}

class FileBufferTest : public ::testing::Test {
protected:
    void SetUp() override {
        shown.clear();
        previous = setMessageBoxHandler(recordMessage);
        char pattern[] = "/tmp/cq_file_buffer_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        setMessageBoxHandler(previous);
        for (const std::string& f : files) std::remove(f.c_str());
        rmdir(dir.c_str());
    }
    std::string writeFile(const std::string& name, const std::vector<uint8_t>& bytes) {
        std::string path = dir + "/" + name;
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        files.push_back(path);
        return path;
    }
    std::string dir;
    std::vector<std::string> files;
    MessageBoxHandler previous = nullptr;
};

TEST_F(FileBufferTest, ContentsFollowedByOneFFByte) {
    std::vector<uint8_t> bytes{0xFF, 0xD8, 0x00, 0x7F, 0x1A, 0xFF};
    FileBuffer buffer{};
    load(buffer, writeFile("a.jpg", bytes).c_str());
    ASSERT_EQ(buffer.size, 7);
    EXPECT_EQ(buffer.ownsData, 1);
    EXPECT_EQ(std::vector<uint8_t>(buffer.data, buffer.data + 6), bytes);
    EXPECT_EQ(buffer.data[6], 0xFF);
    EXPECT_TRUE(shown.empty());
    release(buffer);
    EXPECT_EQ(buffer.ownsData, 0);
    EXPECT_EQ(buffer.data, nullptr);
}

TEST_F(FileBufferTest, EmptyFileAndReloading) {
    FileBuffer buffer{};
    load(buffer, writeFile("big", std::vector<uint8_t>(5000, 0x42)).c_str());
    ASSERT_EQ(buffer.size, 5001);
    // Loading again into an owning buffer frees the old data first (the
    // sanitizer build would report the leak otherwise).
    load(buffer, writeFile("empty", {}).c_str());
    ASSERT_EQ(buffer.size, 1);
    EXPECT_EQ(buffer.data[0], 0xFF);
    EXPECT_TRUE(shown.empty());
    release(buffer);
    release(buffer);  // a second release is harmless
}

TEST_F(FileBufferTest, UnopenableFilesLeaveAnEmptyBuffer) {
    FileBuffer buffer{};
    load(buffer, writeFile("first", {1, 2, 3}).c_str());
    const std::string missing = dir + "/missing.jpg";
    for (const std::string& path : {missing, dir}) {  // a file that is not there, a folder
        shown.clear();
        load(buffer, path.c_str());
        ASSERT_EQ(shown.size(), 1u) << path;
        EXPECT_EQ(shown[0], "khar bax|ei avaudu: " + path);
        ASSERT_EQ(buffer.size, 1);
        EXPECT_EQ(buffer.data[0], 0xFF);
        EXPECT_EQ(buffer.ownsData, 1);
    }
    release(buffer);

    // The text is cut to the box's 1024-byte buffer, never overrun.
    std::string longPath = dir + "/" + std::string(3000, 'x');
    shown.clear();
    load(buffer, longPath.c_str());
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].size(), std::string("khar bax|").size() + 1023);
    release(buffer);
}

}  // namespace
