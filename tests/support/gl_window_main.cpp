// main() for GoogleTest programs that need a real GL context: opens the
// program's own window through the platform back end on the display that
// tests/support/with_xvfb.sh provides, then runs the tests.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "shell/app_window.h"
#include "shell/platform.h"
#include "support/support.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // A test that hangs must end on the first SIGTERM, not turn it into a
    // quit request that nobody reads; and no sound device is wanted.
    setenv("SDL_NO_SIGNAL_HANDLERS", "1", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    {
        MessageRecorder recorder;
        setupDisplay(appWindow);
        if (!appWindow.running) {
            for (const MessageRecorder::Message& m : recorder.messages())
                std::fprintf(stderr, "display set-up failed: %s: %s\n", m.first.c_str(),
                             m.second.c_str());
            return 1;
        }
    }
    return RUN_ALL_TESTS();
}
