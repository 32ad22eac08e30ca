// Looks at the show's windows from another Windows process, for the Wine
// end-to-end test:
//   window_probe text CAPTION   prints the texts inside the top-level window
//                               with that caption (a message box's message)
//   window_probe close TITLE    posts WM_CLOSE to the top-level window with
//                               that title, as the system's close does
// Exit status 0 when the window was found, 1 when not.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

BOOL CALLBACK printChildText(HWND child, LPARAM) {
    char text[1024] = {};
    if (GetWindowTextA(child, text, sizeof text) > 0) std::printf("%s\n", text);
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: window_probe text CAPTION | close TITLE\n");
        return 2;
    }
    HWND window = FindWindowA(nullptr, argv[2]);
    if (!window) {
        std::fprintf(stderr, "no window \"%s\"\n", argv[2]);
        return 1;
    }
    if (std::strcmp(argv[1], "text") == 0) {
        EnumChildWindows(window, printChildText, 0);
        return 0;
    }
    if (std::strcmp(argv[1], "close") == 0) return PostMessageA(window, WM_CLOSE, 0, 0) ? 0 : 1;
    std::fprintf(stderr, "unknown command %s\n", argv[1]);
    return 2;
}
