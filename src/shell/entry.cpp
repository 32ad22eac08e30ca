#include "shell/entry.h"

#include "shell/app_window.h"
#include "shell/platform.h"
#include "shell/show_steps.h"

int runProgram() {
    setupDisplay(appWindow);
    // Loads even after a failed set-up, so the images are decoded and the
    // music started either way.
    loadShow();
    // Show time 0 is now, so decoding does not eat into the sixty seconds.
    lap(startClock);
    if (!appWindow.running) return 0;

    while (demoTime < 60.0f) {
        drawSlides();
        pumpMessages(appWindow);
        swapBuffers(appWindow);
        demoTime = elapsed(startClock);
        if (!appWindow.running) break;
    }
    return 0;
}
