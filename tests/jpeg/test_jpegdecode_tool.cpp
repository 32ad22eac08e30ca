// jpegdecode IN OUT: the PAM it writes and its exit status.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "test_support.h"

namespace {

struct ToolRun {
    int status = -1;
    std::vector<uint8_t> output;
    std::string errors;
};

std::string outDir() {
    mkdir(CQ_TOOL_OUT_DIR, 0755);
    return CQ_TOOL_OUT_DIR;
}

ToolRun runTool(const std::string& arguments, const std::string& outputPath) {
    std::remove(outputPath.c_str());
    // Beside the output, so that tests running at the same time never share it.
    std::string errPath = outputPath + ".stderr";
    std::string command = std::string(CQ_JPEGDECODE) + " " + arguments + " 2>" + errPath;
    ToolRun run;
    int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.output = jpegtest::readFileBytes(outputPath);
    std::vector<uint8_t> err = jpegtest::readFileBytes(errPath);
    run.errors.assign(err.begin(), err.end());
    return run;
}

std::string header(int width, int height) {
    return "P7\nWIDTH " + std::to_string(width) + "\nHEIGHT " + std::to_string(height) +
           "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
}

TEST(JpegDecodeTool, WritesTheDeliveredBytesAsPam) {
    const std::string in = jpegtest::corpusPath("odd_33x31_422.jpg");
    const std::string out = outDir() + "/image.pam";
    ToolRun run = runTool(in + " " + out, out);
    EXPECT_EQ(run.status, 0);
    jpegtest::Decoded d = jpegtest::decode(jpegtest::readFileBytes(in));
    std::string expectedHeader = header(33, 31);
    ASSERT_EQ(run.output.size(), expectedHeader.size() + d.rgba.size());
    EXPECT_EQ(std::string(run.output.begin(), run.output.begin() + long(expectedHeader.size())),
              expectedHeader);
    EXPECT_TRUE(
        std::equal(d.rgba.begin(), d.rgba.end(), run.output.begin() + long(expectedHeader.size())));
}

TEST(JpegDecodeTool, NothingUsableStillWritesTheHeader) {
    const std::string out = outDir() + "/empty.pam";
    ToolRun progressive = runTool(jpegtest::corpusPath("hostile/progressive.jpg") + " " + out, out);
    EXPECT_EQ(progressive.status, 1);
    EXPECT_EQ(std::string(progressive.output.begin(), progressive.output.end()), header(0, 0));
    EXPECT_NE(progressive.errors.find(jpegtest::decoderMessage), std::string::npos);

    // A frame of no lines: 0 x N is written as it is.
    std::vector<uint8_t> bytes = jpegtest::readFileBytes(jpegtest::corpusPath("grey_q75.jpg"));
    for (size_t i = 0; i + 6 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
            bytes[i + 5] = bytes[i + 6] = 0;
            break;
        }
    const std::string in = outDir() + "/no_lines.jpg";
    std::FILE* f = std::fopen(in.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    ToolRun noLines = runTool(in + " " + out, out);
    EXPECT_EQ(noLines.status, 1);
    EXPECT_EQ(std::string(noLines.output.begin(), noLines.output.end()), header(75, 0));
}

TEST(JpegDecodeTool, UsageAndInputOutputErrors) {
    const std::string out = outDir() + "/never.pam";
    EXPECT_EQ(runTool("", out).status, 2);
    EXPECT_EQ(runTool(jpegtest::corpusPath("grey_q75.jpg"), out).status, 2);
    ToolRun missing = runTool(outDir() + "/no_such_file.jpg " + out, out);
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.errors.find("ei avaudu"), std::string::npos);
    EXPECT_TRUE(missing.output.empty());
    EXPECT_EQ(runTool(outDir() + " " + out, out).status, 2);  // a folder
    EXPECT_EQ(
        runTool(jpegtest::corpusPath("grey_q75.jpg") + " " + outDir() + "/no/such/dir.pam", out)
            .status,
        2);
}

}  // namespace
