#pragma once
#include "shell/stopwatch.h"

// The show's clock and its time in seconds, read by the draw step.
extern Stopwatch startClock;
extern float demoTime;

// Display set-up, the load step, then the frame loop until sixty seconds of
// show time have passed or running is cleared. Always returns 0.
int runProgram();
