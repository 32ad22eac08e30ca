// Display modes that cannot be had, one test for each way, each run on an
// Xvfb screen of its own (tests/shell/CMakeLists.txt):
// - a 16-bit screen has 1024 x 768, but not at 32 bits per pixel;
// - a 1280 x 1024 screen has no 1024 x 768 at all;
// - on a 1024 x 768 screen the mode exists, but here the switch to it never
//   takes.
// The first two are known before the window exists and are said at once;
// the third only after the switch, and its box must come after full screen
// is left, or window managers keep it behind the window. The show goes on
// in a window each time.
#include <SDL2/SDL.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "shell/platform.h"
#include "support/support.h"

namespace {
const std::string kCannotChangeMode = "can't change display settingsdgorijöoiejhöojöose";

// While set, the display stays in a desktop mode of 1280 x 1024 whatever
// is asked of it.
bool modeSwitchNeverTakes = false;

// Each box's text, and where the window was when it came.
std::vector<std::string> boxes;
void recordBox(const char* text, const char*) {
    SDL_Window* window = static_cast<SDL_Window*>(appWindow.window);
    const char* where = !window ? " before the window"
                        : SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN
                            ? " behind a full-screen window"
                            : "";
    boxes.push_back(text + std::string(where));
}

std::vector<std::string> setUpAndRecordBoxes() {
    boxes.clear();
    setMessageBoxHandler(recordBox);
    setupDisplay(appWindow);
    return boxes;
}
}  // namespace

// Stands in for SDL's own in the calls this program makes (SDL itself calls
// its internal one).
extern "C" int SDL_GetCurrentDisplayMode(int display, SDL_DisplayMode* mode) {
    if (modeSwitchNeverTakes) {
        *mode = SDL_DisplayMode{SDL_PIXELFORMAT_RGB888, 1280, 1024, 60, nullptr};
        return 0;
    }
    using Lookup = int (*)(int, SDL_DisplayMode*);
    static const Lookup sdls = reinterpret_cast<Lookup>(dlsym(RTLD_NEXT, __func__));
    return sdls(display, mode);
}

// The 16-bit screen and the 1280 x 1024 one.
TEST(SdlSetup, AScreenWithout1024By768At32BitsHasNoShowMode) {
    EXPECT_EQ(setUpAndRecordBoxes(),
              std::vector<std::string>{kCannotChangeMode + " before the window"});
    EXPECT_TRUE(appWindow.running);
}

TEST(SdlSetup, AModeSwitchThatDoesNotTakeIsReportedOutsideFullScreen) {
    modeSwitchNeverTakes = true;
    EXPECT_EQ(setUpAndRecordBoxes(), std::vector<std::string>{kCannotChangeMode});
    EXPECT_TRUE(appWindow.running);
}
