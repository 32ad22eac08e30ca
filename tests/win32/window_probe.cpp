// For the Wine end-to-end run: "window_probe text CAPTION" prints, from
// another Windows process, the texts inside the top-level window with that
// caption (a message box's message). Exit status 0 when it was found.
#include <windows.h>

#include <cstdio>

static BOOL CALLBACK printText(HWND child, LPARAM) {
    char text[1024] = {};
    if (GetWindowTextA(child, text, sizeof text) > 0) std::printf("%s\n", text);
    return TRUE;
}

int main(int argc, char** argv) {
    HWND window = argc == 3 ? FindWindowA(nullptr, argv[2]) : nullptr;
    if (!window) return 1;
    EnumChildWindows(window, printText, 0);
    return 0;
}
