// main() for the tests that need a real GL context: starts a private Xvfb
// screen of 1024 x 768 on a free display, opens the program's own window on
// it through the platform back end, then runs the tests.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "gl_window.h"
#include "shell/app_window.h"
#include "shell/message_box.h"
#include "shell/platform.h"

std::vector<RecordedMessage> recordedMessages;

void recordMessage(const char* text, const char* caption) {
    recordedMessages.push_back({text, caption});
}

namespace {
pid_t xvfbPid = -1;

// Xvfb picks a free display itself and writes its number to the pipe, so
// several of these tests can run at once.
bool startXvfb() {
    int fds[2];
    if (pipe(fds) != 0) return false;
    xvfbPid = fork();
    if (xvfbPid < 0) return false;
    if (xvfbPid == 0) {
        // The server goes with the test, however the test ends.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        close(fds[0]);
        std::string fd = std::to_string(fds[1]);
        // -noreset: a server that resets when its last client leaves refuses
        // connections made during the reset.
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten",
               "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string display;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n') display += c;
    close(fds[0]);
    if (display.empty()) return false;
    setenv("DISPLAY", (":" + display).c_str(), 1);
    return true;
}

void stopXvfb() {
    if (xvfbPid > 0) {
        kill(xvfbPid, SIGTERM);
        waitpid(xvfbPid, nullptr, 0);
        xvfbPid = -1;
    }
}
}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!startXvfb()) {
        std::fprintf(stderr, "cannot start Xvfb\n");
        stopXvfb();
        return 1;
    }
    // Registered before the program's own exit handlers so that the X server
    // outlives them; killing it under a live connection ends the process
    // with an X I/O error.
    std::atexit(stopXvfb);
    // A test that hangs must end on the first SIGTERM, not turn it into a
    // quit request that nobody reads.
    setenv("SDL_NO_SIGNAL_HANDLERS", "1", 1);
    // No sound device is wanted here; the load step must not wait for one.
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setMessageBoxHandler(recordMessage);
    setupDisplay(appWindow);
    if (!appWindow.running) {
        std::fprintf(stderr, "display set-up failed:\n");
        for (const RecordedMessage& m : recordedMessages)
            std::fprintf(stderr, "  %s: %s\n", m.caption.c_str(), m.text.c_str());
        stopXvfb();
        return 1;
    }
    return RUN_ALL_TESTS();
}
