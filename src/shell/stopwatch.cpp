#include "shell/stopwatch.h"

#include "shell/platform.h"

namespace {
// Constant-initialised, so the stopwatch works during static initialisation.
TickSource tickSource = platformTicks;
bool haveOrigin = false;
uint32_t originTicks = 0;

// Ticks since the first reading. Counting from the program's own start keeps
// millisecond resolution in a float however long the machine has been up, and
// the unsigned difference carries on across the counter's 2^32 wrap.
uint32_t ticksSinceOrigin() {
    uint32_t ticks = tickSource();
    if (!haveOrigin) {
        originTicks = ticks;
        haveOrigin = true;
    }
    return uint32_t(ticks - originTicks);
}
}  // namespace

float now() { return float(double(ticksSinceOrigin()) / 1000.0); }

float elapsed(const Stopwatch& stopwatch) {
    float current = now();
    return float(double(current) - double(stopwatch.start));
}

float lap(Stopwatch& stopwatch) {
    float result = elapsed(stopwatch);
    stopwatch.start = now();
    return result;
}

TickSource setTickSource(TickSource source) {
    TickSource previous = tickSource;
    tickSource = source ? source : platformTicks;
    haveOrigin = false;
    return previous;
}
