// The shell without a window: stopwatch, whole-file loading, the WGL lookup
// rule and the frame loop, against a fake tick counter, platform and show.
#include <gtest/gtest.h>

#include <unistd.h>

#include <string>
#include <vector>

#include "shell/entry.h"
#include "shell/file_buffer.h"
#include "shell/platform.h"
#include "shell/show_steps.h"
#include "shell/wgl_extensions.h"
#include "support/support.h"

namespace {
uint32_t ticks = 0;
std::string trace;  // what the fake platform and show were asked to do, in order
bool setupSucceeds = true;
int escapeAtFrame = 0, frames = 0;
}  // namespace

uint32_t platformTicks() { return ticks; }
void setupDisplay(AppWindow& app) { trace += "setup ", app.running = setupSucceeds; }
void loadShow() { trace += "load ", ticks += 5000; }  // decoding is not show time
void drawSlides() { trace += "draw@" + std::to_string(int(demoTime * 1000)) + " "; }
void pumpMessages(AppWindow& app) {
    trace += "pump ";
    if (++frames == escapeAtFrame) app.running = 0;  // frame 1: Escape pressed while loading
}
void swapBuffers(AppWindow&) { trace += "swap ", ticks += 1000; }

TEST(Stopwatch, MillisecondsFromTheFirstReadingAcrossTheCounterWrap) {
    ticks = 0xFFFFFF00u;
    setTickSource(nullptr);  // the next reading is the origin
    Stopwatch watch{0.0f};
    EXPECT_EQ(lap(watch), 0.0f);
    ticks += 0x200;  // wraps to 0x100
    EXPECT_EQ(elapsed(watch), 0.512f);
    ticks += 2000;
    EXPECT_EQ(lap(watch), 2.512f);  // so elapsed did not restart it
    EXPECT_EQ(elapsed(watch), 0.0f);
    // Ticks are converted exactly and divided in double; only the quotient
    // is rounded to single precision (a float tick count would give 16777.22).
    ticks = 0xFFFFFF00u + 16777219u;
    EXPECT_EQ(now(), float(16777.219));
}

TEST(FileBuffer, ContentsEndByteAndEveryFileThatCannotBeRead) {
    char dir[] = "/tmp/cq_shell_test_XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string path = dir + std::string("/a.jpg"), tooLong = path + std::string(3000, 'x');
    FILE* f = fopen(path.c_str(), "wb");
    fwrite("\xFF\xD8\x00\x7F", 1, 4, f);
    fclose(f);
    MessageRecorder recorder;
    FileBuffer buffer{};
    load(buffer, path.c_str());
    EXPECT_EQ(std::vector<uint8_t>(buffer.data, buffer.data + buffer.size),
              (std::vector<uint8_t>{0xFF, 0xD8, 0x00, 0x7F, 0xFF}));

    FileAllocator normal = setFileAllocator([](size_t) -> uint8_t* { return nullptr; });
    load(buffer, path.c_str());  // no memory for it; frees the old data first
    setFileAllocator(normal);
    for (const std::string& bad : {path + ".missing", std::string(dir), tooLong})
        load(buffer, bad.c_str());
    EXPECT_EQ(recorder.messages(), (std::vector<MessageRecorder::Message>{
                                       {"khar bax", "ei avaudu: " + path},
                                       {"khar bax", "ei avaudu: " + path + ".missing"},
                                       {"khar bax", "ei avaudu: " + std::string(dir)},
                                       {"khar bax", ("ei avaudu: " + tooLong).substr(0, 1023)}}));
    ASSERT_EQ(buffer.size, 1);  // as for an empty file
    EXPECT_EQ(buffer.data[0], 0xFF);
    release(buffer);
    unlink(path.c_str());
    rmdir(dir);
}

TEST(WglExtensions, TwelveLookedUpInOrderOnlyTheRenderTextureThreeJudged) {
    static std::string asked, missing;
    static char found[12];  // the n-th name asked for is found at found[n]
    static int count;
    auto lookup = [](const char* name) -> WglProc {
        asked += name + std::string(" ");
        return name == missing ? nullptr : reinterpret_cast<WglProc>(&found[count++ % 12]);
    };
    const std::string names =
        "wglGetExtensionsStringEXT wglBindTexImageARB wglReleaseTexImageARB wglSetPbufferAttribARB "
        "wglCreatePbufferARB wglGetPbufferDCARB wglReleasePbufferDCARB wglDestroyPbufferARB "
        "wglQueryPbufferARB wglGetPixelFormatAttribivARB wglGetPixelFormatAttribfvARB "
        "wglChoosePixelFormatARB wglBindTexImageARB ";  // the last one missing again at the end
    for (size_t at = 0, end; (end = names.find(' ', at)) != std::string::npos; at = end + 1) {
        asked.clear(), count = 0, missing = names.substr(at, end - at);
        EXPECT_EQ(loadWglExtensionsWith(lookup), missing.find("TexImage") == std::string::npos &&
                                                     missing != "wglSetPbufferAttribARB")
            << missing;
        EXPECT_EQ(asked, names.substr(0, names.rfind("wglBind")));
    }
    // Every result is stored under its own name, even on a false result.
    EXPECT_EQ((void*)wglGetExtensionsStringEXT, &found[0]);
    EXPECT_EQ(wglBindTexImageARB, nullptr);
    EXPECT_EQ((void*)wglSetPbufferAttribARB, &found[2]);
    EXPECT_EQ((void*)wglChoosePixelFormatARB, &found[10]);
}

// Runs the program against the fakes and returns what it did.
std::string runLoop(bool setupOk, int escapeAt) {
    trace.clear(), setupSucceeds = setupOk, escapeAtFrame = escapeAt, frames = 0, demoTime = 0;
    EXPECT_EQ(runProgram(), 0);
    return trace;
}

TEST(FrameLoop, OrderFirstFrameAtZeroAndTheWaysItEnds) {
    std::string frames;
    for (int second = 0; second < 60; ++second)
        frames += "draw@" + std::to_string(second * 1000) + " pump swap ";
    EXPECT_EQ(runLoop(true, 0), "setup load " + frames);  // demoTime exactly 60 ends it
    EXPECT_EQ(demoTime, 60.0f);
    EXPECT_EQ(runLoop(true, 1), "setup load draw@0 pump swap ");
    EXPECT_EQ(runLoop(true, 3), "setup load " + frames.substr(0, frames.find("draw@3000")));
    EXPECT_EQ(demoTime, 3.0f);  // time is read after the last swap, before leaving
    EXPECT_EQ(runLoop(false, 0), "setup load ");  // a failed set-up still loads
}
