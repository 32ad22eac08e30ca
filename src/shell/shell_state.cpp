// The shell's process-wide records, apart from the frame loop that drives
// them so that the show and the surfaces can use them without the loop.
#include "shell/app_window.h"
#include "shell/entry.h"

AppWindow appWindow;

namespace {
Stopwatch startedStopwatch() {
    Stopwatch stopwatch{0.0f};
    lap(stopwatch);
    return stopwatch;
}
}  // namespace

// Restarted once here during static initialisation and again once the show
// is loaded; only the second restart matters.
Stopwatch startClock = startedStopwatch();
float demoTime = 0.0f;
