#pragma once
// Shared by the tests that run in the program's window (see gl_window_main).
#include <cstdint>

#include "shell/gl.h"

struct Rgba {
    int r, g, b, a;
};

// One pixel of the back buffer, counted from the bottom-left corner: what the
// frame would show after the swap.
inline Rgba backBufferPixel(int x, int y) {
    uint8_t p[4] = {0, 0, 0, 0};
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return {p[0], p[1], p[2], p[3]};
}

inline void clearBackBuffer(float r, float g, float b) {
    glClearColor(r, g, b, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}
