// Display modes that cannot be had. On a 16-bit screen 1024 x 768 exists,
// but not at 32 bits per pixel: no show mode, and set-up says so first. On
// a 24-bit screen the mode exists, but here the switch to it never takes:
// the box must come after full screen is left, or window managers keep it
// behind the window.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include "shell/platform.h"
#include "support/support.h"

namespace {
const MessageRecorder::Message kCannotChangeMode(
    "you fail", "can't change display settingsdgorijöoiejhöojöose");
}

// Stands in for SDL's own in the calls this program makes (SDL itself calls
// its internal one): the display stays in its desktop mode, 1280 x 1024.
extern "C" int SDL_GetCurrentDisplayMode(int, SDL_DisplayMode* mode) {
    *mode = SDL_DisplayMode{SDL_PIXELFORMAT_RGB888, 1280, 1024, 60, nullptr};
    return 0;
}

TEST(SdlSetup, A1024By768ModeOfAnotherDepthIsNoShowMode) {
    MessageRecorder recorder;
    setupDisplay(appWindow);
    EXPECT_EQ(recorder.messages().at(0), kCannotChangeMode);
}

TEST(SdlSetup, AModeSwitchThatDoesNotTakeIsReportedOutsideFullScreen) {
    static std::vector<std::string> boxes;  // each text, and where the window was
    setMessageBoxHandler([](const char* text, const char*) {
        SDL_Window* window = static_cast<SDL_Window*>(appWindow.window);
        const char* where = !window ? " before the window"
                            : SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN
                                ? " behind a full-screen window"
                                : "";
        boxes.push_back(text + std::string(where));
    });
    setupDisplay(appWindow);
    EXPECT_EQ(boxes, std::vector<std::string>{kCannotChangeMode.second});
    EXPECT_TRUE(appWindow.running);
}
