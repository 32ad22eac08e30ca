// The Win32 back end on a (Wine) desktop. Prints each failed check and then
// "N passed, M failed"; exit status 0 when all passed. With --small-screen
// (a screen that cannot take 1024 x 768) the mode change must fail, be
// reported, and set-up go on all the same.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "shell/entry.h"
#include "shell/platform.h"
#include "support/support.h"

static int passed = 0, failed = 0;
#define CHECK(condition) \
    ((condition) ? ++passed : (++failed, std::printf("FAIL line %d: %s\n", __LINE__, #condition)))

// A close request sent to the window from another thread: the window's
// thread answers it the next time it serves sent messages.
static DWORD WINAPI sendClose(LPVOID window) {
    return SendNotifyMessageA(static_cast<HWND>(window), WM_CLOSE, 0, 0);
}

int runProgram() {
    CHECK(setMessageBoxHandler(nullptr) == platformMessageBox);  // WinMain installed MessageBoxA
    MessageRecorder boxes;
    AppWindow app = {};
    setupDisplay(app);
    HWND window = static_cast<HWND>(app.window);
    CHECK(app.running == 1 && app.width == 1024 && app.height == 768);
    const bool smallScreen = std::strstr(GetCommandLineA(), "--small-screen") != nullptr;
    CHECK(boxes.messages().size() == (smallScreen ? 1u : 0u));
    CHECK(!smallScreen ||
          boxes.messages()[0] == MessageRecorder::Message("you fail",
                                                          "can't change display settingsdgorij"
                                                          "\xF6oiejh\xF6oj\xF6ose"));

    char name[64] = {}, title[64] = {};
    GetClassNameA(window, name, sizeof name);
    GetWindowTextA(window, title, sizeof title);
    CHECK(std::strcmp(name, "morlu") == 0 && std::strcmp(title, "cquorvath iso") == 0);
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    CHECK(GetClassInfoExA(static_cast<HINSTANCE>(app.instance), "morlu", &windowClass) &&
          app.instance == GetModuleHandleA(nullptr) && windowClass.style == 0x23 &&
          windowClass.cbWndExtra == 4 && windowClass.hIcon && windowClass.hCursor &&
          !windowClass.hbrBackground);
    CHECK(IsWindowVisible(window) && (GetWindowLongA(window, GWL_STYLE) & WS_POPUP) &&
          (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_APPWINDOW));
    RECT client = {};
    CHECK(GetClientRect(window, &client) && client.right == 1024 && client.bottom == 768);
    CHECK(GetWindowLongPtrA(window, GWLP_USERDATA) == reinterpret_cast<LONG_PTR>(&app));
    CHECK(GetForegroundWindow() == window && GetFocus() == window);
    CHECK(ShowCursor(TRUE) == 0);  // it was hidden once
    HDC dc = static_cast<HDC>(app.deviceContext);
    PIXELFORMATDESCRIPTOR format = {};
    DescribePixelFormat(dc, GetPixelFormat(dc), sizeof format, &format);
    CHECK((format.dwFlags & 0x25) == 0x25 && wglGetCurrentContext() == app.glContext);

    // The window procedure, reached through the frame loop's pump.
    PostMessageA(window, WM_KEYDOWN, 'Q', 0);
    pumpMessages(app);
    CHECK(app.running == 1);
    PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    pumpMessages(app);
    MSG left;
    CHECK(app.running == 0 && !PeekMessageA(&left, nullptr, 0, 0, PM_NOREMOVE));
    app.running = 1;
    CHECK(SendMessageA(window, WM_CLOSE, 0, 0) == 0 && app.running == 0 && IsWindow(window));

    const uint32_t before = platformTicks();
    Sleep(100);
    CHECK(platformTicks() - before >= 80 && platformTicks() - before < 2000);
    // While the music starts, messages sent to the window are served (this
    // one is already waiting); posted input stays for the frame loop.
    HANDLE sender = CreateThread(nullptr, 0, sendClose, window, 0, nullptr);
    WaitForSingleObject(sender, INFINITE);
    CloseHandle(sender);
    PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    app.running = 1;
    SoundSystem* system = soundSystemCreate();  // no such music: silent, nothing reported
    soundSystemInit(system, 1);
    CHECK(soundPlay(system, soundCreateStream(system, "no such.mp3"), false) &&
          boxes.messages().size() == (smallScreen ? 1u : 0u));
    CHECK(app.running == 0 && PeekMessageA(&left, window, WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE));
    AppWindow second = {};  // the class is taken: set-up stops at once
    setupDisplay(second);
    CHECK(boxes.messages().back() ==
              MessageRecorder::Message("you fail", "some window init failzz") &&
          !second.running && !second.window);
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
