#pragma once
#include <cstdint>

// The one window of the program. The handles are the back end's own
// (HDC/HGLRC/HINSTANCE/HWND on Win32, SDL objects elsewhere) and stay opaque
// to everything outside the back end.
struct AppWindow {
    int32_t width;
    int32_t height;
    uint8_t running;  // 1 while the show may run
    void* deviceContext;
    void* glContext;
    void* instance;
    void* window;
};

extern AppWindow appWindow;
