// main() for GoogleTest programs that need a real GL context: opens the
// program's own window through the platform back end on the display that
// tests/support/with_xvfb.sh provides, then runs the tests.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "gl_window.h"
#include "shell/app_window.h"
#include "shell/message_box.h"
#include "shell/platform.h"

std::vector<RecordedMessage> recordedMessages;

void recordMessage(const char* text, const char* caption) {
    recordedMessages.push_back({text, caption});
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // A test that hangs must end on the first SIGTERM, not turn it into a
    // quit request that nobody reads; and no sound device is wanted.
    setenv("SDL_NO_SIGNAL_HANDLERS", "1", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setMessageBoxHandler(recordMessage);
    setupDisplay(appWindow);
    if (!appWindow.running) {
        for (const RecordedMessage& m : recordedMessages)
            std::fprintf(stderr, "display set-up failed: %s: %s\n", m.caption.c_str(),
                         m.text.c_str());
        return 1;
    }
    return RUN_ALL_TESTS();
}
