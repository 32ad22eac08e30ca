// On a 16-bit screen 1024 x 768 exists, but not at 32 bits per pixel: no
// show mode, and set-up says so first.
#include <gtest/gtest.h>

#include "shell/platform.h"
#include "support/support.h"

TEST(SdlSetup, A1024By768ModeOfAnotherDepthIsNoShowMode) {
    MessageRecorder recorder;
    setupDisplay(appWindow);
    EXPECT_EQ(
        recorder.messages().at(0),
        MessageRecorder::Message("you fail", "can't change display settingsdgorijöoiejhöojöose"));
}
