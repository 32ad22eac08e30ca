#pragma once
#include <cstdint>

// The show's only time base: seconds as single-precision floats.
struct Stopwatch {
    float start;
};

// Seconds since the program's first tick reading.
float now();
// now() - start; the stopwatch is not changed.
float elapsed(const Stopwatch& stopwatch);
// elapsed(), then restarts the stopwatch at now().
float lap(Stopwatch& stopwatch);

// Millisecond tick counter that wraps at 2^32. The default is the platform's;
// tests install a fake one. Installing a source makes its next reading the
// new origin. Returns the previous source; nullptr restores the platform's.
using TickSource = uint32_t (*)();
TickSource setTickSource(TickSource source);
