// The Win32 back end on a real (Wine) desktop: display set-up, the window
// procedure, the message pump, the tick source and the music calls. The
// back end's own WinMain starts this program and calls runProgram(), which
// here runs the checks instead of the show.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "shell/entry.h"
#include "shell/gl.h"
#include "shell/message_box.h"
#include "shell/platform.h"
#include "shell/wgl_extensions.h"

namespace {

int passed = 0;
int failed = 0;

void check(bool ok, const char* what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAIL", what);
    std::fflush(stdout);
    (ok ? passed : failed)++;
}

struct Box {
    std::string text;
    std::string caption;
};
std::vector<Box> boxes;

void recordBox(const char* text, const char* caption) { boxes.push_back({text, caption}); }

bool hasBox(const char* text, const char* caption) {
    for (const Box& box : boxes)
        if (box.text == text && box.caption == caption) return true;
    return false;
}

// Bytes outside ASCII as \xNN, so logs stay plain text.
std::string printable(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, c < 0x80 ? "%c" : "\\x%02X", c);
        out += escaped;
    }
    return out;
}

std::string windowClassName(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string windowTitle(HWND window) {
    char title[64] = {};
    GetWindowTextA(window, title, sizeof title);
    return title;
}

void checkWindowAndContext(const AppWindow& app) {
    HWND window = static_cast<HWND>(app.window);
    check(app.width == 1024 && app.height == 768, "record holds 1024 x 768");
    check(app.instance == GetModuleHandleA(nullptr), "record holds the module handle");
    check(IsWindow(window) && IsWindowVisible(window), "window exists and is shown");
    check(windowClassName(window) == "morlu", "window class is \"morlu\"");
    check(windowTitle(window) == "cquorvath iso", "window title is \"cquorvath iso\"");

    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    bool registered = GetClassInfoExA(static_cast<HINSTANCE>(app.instance), "morlu", &windowClass);
    check(registered && windowClass.style == 0x23 && windowClass.cbWndExtra == 4 &&
              windowClass.cbClsExtra == 0 && windowClass.hbrBackground == nullptr &&
              windowClass.hIcon != nullptr && windowClass.hCursor != nullptr,
          "class styles, extra bytes, icon, cursor and no brush");

    LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    LONG_PTR extendedStyle = GetWindowLongPtrA(window, GWL_EXSTYLE);
    check((style & WS_POPUP) && !(style & WS_CAPTION), "borderless popup window");
    check((extendedStyle & WS_EX_APPWINDOW) != 0, "app-window extended style");
    RECT client = {};
    GetClientRect(window, &client);
    check(client.right - client.left == 1024 && client.bottom - client.top == 768,
          "client area is 1024 x 768");
    check(GetWindowLongPtrA(window, GWLP_USERDATA) == reinterpret_cast<LONG_PTR>(&app),
          "user-data slot holds the record's address");
    check(GetForegroundWindow() == window && GetFocus() == window,
          "window is in the foreground with the keyboard focus");
    // Hidden once: showing it again brings the display count back to 0.
    const int shownCount = ShowCursor(TRUE);
    ShowCursor(FALSE);
    check(shownCount == 0, "cursor hidden");

    HDC deviceContext = static_cast<HDC>(app.deviceContext);
    PIXELFORMATDESCRIPTOR format = {};
    int index = GetPixelFormat(deviceContext);
    DescribePixelFormat(deviceContext, index, sizeof format, &format);
    const DWORD wanted = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    check(index > 0 && (format.dwFlags & wanted) == wanted && format.iPixelType == PFD_TYPE_RGBA,
          "double-buffered RGBA OpenGL pixel format");
    check(wglGetCurrentContext() == app.glContext && wglGetCurrentDC() == deviceContext,
          "the window's GL context is current");

    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    check(viewport[0] == 0 && viewport[1] == 0 && viewport[2] == 1024 && viewport[3] == 768,
          "viewport covers the window");
    GLint matrixMode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
    GLdouble projection[16] = {};
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    // 45 degrees over a 4:3 aspect: 1 / tan(22.5 degrees) / (4/3).
    check(matrixMode == GL_MODELVIEW && std::fabs(projection[0] - 1.8106601) < 1e-4 &&
              std::fabs(projection[5] - 2.4142136) < 1e-4 && !glIsEnabled(GL_TEXTURE_2D),
          "initial GL state applied after set-up");
}

void checkWindowProcedure(AppWindow& app) {
    HWND window = static_cast<HWND>(app.window);
    SendMessageA(window, WM_KEYDOWN, 'A', 0);
    SendMessageA(window, WM_KEYDOWN, VK_SPACE, 0);
    SendMessageA(window, WM_KEYDOWN, VK_RETURN, 0);
    check(app.running == 1, "keys other than Escape leave the show running");

    check(SendMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0) == 0 && app.running == 0,
          "Escape clears running");
    app.running = 1;
    check(SendMessageA(window, WM_CLOSE, 0, 0) == 0 && app.running == 0 && IsWindow(window),
          "close clears running and keeps the window");

    // Through the queue, as the frame loop sees them.
    app.running = 1;
    PostMessageA(window, WM_KEYDOWN, 'Q', 0);
    pumpMessages(app);
    check(app.running == 1, "a posted ordinary key leaves the show running");
    PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    pumpMessages(app);
    check(app.running == 0, "a posted Escape is dispatched by the pump");
    app.running = 1;
    PostMessageA(window, WM_CLOSE, 0, 0);
    pumpMessages(app);
    check(app.running == 0 && IsWindow(window), "a posted close is dispatched by the pump");
    MSG left;
    check(!PeekMessageA(&left, nullptr, 0, 0, PM_NOREMOVE), "the pump leaves the queue empty");

    // A window of the class without a record attached gets the default
    // handling: closing it destroys it.
    HWND bare = CreateWindowExA(0, "morlu", "bare", WS_POPUP, 0, 0, 8, 8, nullptr, nullptr, nullptr,
                                nullptr);
    SendMessageA(bare, WM_CLOSE, 0, 0);
    check(bare != nullptr && !IsWindow(bare), "without a record, messages go to the default");
    app.running = 1;
}

void checkTicksAndMusic() {
    uint32_t before = platformTicks();
    Sleep(100);
    uint32_t after = platformTicks();
    check(after - before >= 80 && after - before < 2000, "ticks advance in milliseconds");

    // No such file and, under test, perhaps no sound device: every call
    // still returns at once with handles and nothing is reported.
    size_t boxesBefore = boxes.size();
    SoundSystem* system = soundSystemCreate();
    soundSystemInit(system, 1);
    Sound* sound = soundCreateStream(system, "no such music.mp3");
    SoundChannel* channel = soundPlay(system, sound, false);
    check(system && sound && channel && boxes.size() == boxesBefore,
          "music calls return handles and report nothing");
}

void checkSecondSetupFails() {
    // The class is registered already, so a second set-up stops at the
    // registration with its message and leaves running clear.
    boxes.clear();
    AppWindow second = {};
    second.running = 1;
    setupDisplay(second);
    check(boxes.size() == 1 && hasBox("some window init failzz", "you fail") &&
              second.running == 0 && second.window == nullptr,
          "failed class registration reports and stops");
}

}  // namespace

int runProgram() {
    MessageBoxHandler installed = setMessageBoxHandler(recordBox);
    check(installed == platformMessageBox, "WinMain routes message boxes to MessageBoxA");

    // On a screen that cannot take 1024 x 768 the mode change fails: its box
    // is shown, and set-up goes on to a running show all the same.
    const bool smallScreen = std::strstr(GetCommandLineA(), "--small-screen") != nullptr;

    AppWindow app = {};
    setupDisplay(app);
    for (const Box& box : boxes)
        std::printf("box: %s / %s\n", box.caption.c_str(), printable(box.text).c_str());
    check(app.running == 1, "set-up succeeds and sets running");
    const char* modeFailure = "can't change display settingsdgorij\xF6oiejh\xF6oj\xF6ose";
    if (smallScreen) {
        check(boxes.size() == 1 && hasBox(modeFailure, "you fail"),
              "failed mode change reported once, in Windows-1252");
    } else {
        check(boxes.empty(), "no failure reported");
    }
    check(wglBindTexImageARB && wglReleaseTexImageARB && wglSetPbufferAttribARB,
          "render-texture entry points found");

    checkWindowAndContext(app);
    checkWindowProcedure(app);
    checkTicksAndMusic();
    checkSecondSetupFails();

    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
