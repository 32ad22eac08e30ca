// The Win32 back end: the full-screen window with its WGL context,
// the message pump, the multimedia timer, MessageBoxA and the music through
// winmm's MCI. Plain Win32 and standard C++, so MinGW-w64 and MSVC both
// build it.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// after windows.h, which it needs
#include <mmsystem.h>

#include <cstdio>
#include <cstdlib>

#include "shell/display.h"
#include "shell/gl.h"
#include "shell/message_box.h"
#include "shell/platform.h"
#include "shell/wgl_extensions.h"

// The record layouts the display set-up is defined against.
static_assert(sizeof(DEVMODEA) == 156, "display-mode record is 156 bytes");
static_assert(sizeof(PIXELFORMATDESCRIPTOR) == 40, "pixel format descriptor is 40 bytes");
static_assert((DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT) == 0x1C0000, "display fields mask");
static_assert((CS_VREDRAW | CS_HREDRAW | CS_OWNDC) == 0x23, "window class styles");
static_assert((PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER) == 0x25,
              "pixel format flags");

namespace {

// Stored in Windows-1252, as MessageBoxA shows them: \xF6 is ö.
const char* const kDisplayModeFailure = "can't change display settingsdgorij\xF6oiejh\xF6oj\xF6ose";
const char* const kExtensionsFailure =
    "no things supported by your crappy hw. emt r\xF6yh mee pois";

AppWindow* attachedWindow(HWND window) {
    return reinterpret_cast<AppWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    AppWindow* app = attachedWindow(window);
    // Messages sent while the window is being created and shown arrive
    // before the record is attached.
    if (!app) return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
        case WM_SYSCOMMAND:
            // The show must not be interrupted by the screen saver or by the
            // monitor powering down.
            if (wParam == SC_SCREENSAVE || wParam == SC_MONITORPOWER) return 0;
            break;
        case WM_KEYDOWN:
            if (wParam == VK_ESCAPE) {
                app->running = 0;
                return 0;
            }
            break;
        case WM_CLOSE:
            // The frame loop ends and the process exits; the window is left to
            // the system.
            app->running = 0;
            return 0;
        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool registerWindowClass(HINSTANCE instance) {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_OWNDC;
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 4;
    windowClass.hInstance = instance;
    // The system resources by number, so the A calls get them whether or
    // not the build defines UNICODE.
    windowClass.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_WINLOGO));
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = nullptr;
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = "morlu";
    windowClass.hIconSm = nullptr;
    return RegisterClassExA(&windowClass) != 0;
}

bool changeDisplayMode(const AppWindow& app) {
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    mode.dmBitsPerPel = 32;
    mode.dmPelsWidth = static_cast<DWORD>(app.width);
    mode.dmPelsHeight = static_cast<DWORD>(app.height);
    return ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL;
}

PIXELFORMATDESCRIPTOR pixelFormatDescriptor() {
    PIXELFORMATDESCRIPTOR descriptor = {};
    descriptor.nSize = sizeof descriptor;
    descriptor.nVersion = 1;
    descriptor.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    descriptor.iPixelType = PFD_TYPE_RGBA;
    descriptor.cColorBits = 32;
    descriptor.cDepthBits = 32;
    descriptor.cStencilBits = 8;
    return descriptor;
}

WglProc lookUpWglProc(const char* name) {
    return reinterpret_cast<WglProc>(wglGetProcAddress(name));
}

bool loadWglExtensions() { return loadWglExtensionsWith(lookUpWglProc); }

}  // namespace

void setupDisplay(AppWindow& app) {
    app.width = 1024;
    app.height = 768;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    app.instance = instance;

    if (!registerWindowClass(instance)) {
        reportSetupFailure(app, "some window init failzz");
        return;
    }

    // The full-screen styles are defined for a successful mode change. When
    // the change fails the window keeps them all the same: a borderless
    // popup's client area is the whole 1024 x 768 the viewport assumes, and
    // it covers as much of the current desktop as it can.
    DWORD extendedStyle = WS_EX_APPWINDOW;
    DWORD style = WS_POPUP;
    // A failed change is reported but set-up goes on; running is set again
    // once the window and its context exist.
    if (!changeDisplayMode(app)) reportSetupFailure(app, kDisplayModeFailure);
    ShowCursor(FALSE);

    HWND window = CreateWindowExA(extendedStyle, "morlu", "cquorvath iso", style, 0, 0, app.width,
                                  app.height, nullptr, nullptr, nullptr, nullptr);
    app.window = window;
    if (!window) {
        reportSetupFailure(app, "fail fail fail");
        return;
    }

    PIXELFORMATDESCRIPTOR descriptor = pixelFormatDescriptor();
    HDC deviceContext = GetDC(window);
    app.deviceContext = deviceContext;
    if (!deviceContext) {
        reportSetupFailure(app, "mee pois");
        return;
    }
    int pixelFormat = ChoosePixelFormat(deviceContext, &descriptor);
    if (!SetPixelFormat(deviceContext, pixelFormat, &descriptor)) {
        reportSetupFailure(app, "mee pois");
        return;
    }
    HGLRC glContext = wglCreateContext(deviceContext);
    app.glContext = glContext;
    if (!glContext) {
        reportSetupFailure(app, "mee pois");
        return;
    }
    if (!wglMakeCurrent(deviceContext, glContext)) {
        reportSetupFailure(app, "mee pois");
        return;
    }

    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetFocus(window);
    app.running = 1;
    // The pointer-sized slot, so the record's address survives on 64-bit
    // Windows too.
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&app));

    glViewport(0, 0, app.width, app.height);
    if (!loadWglExtensions()) reportSetupFailure(app, kExtensionsFailure);
    applyInitialGlState();
}

void pumpMessages(AppWindow&) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void swapBuffers(AppWindow& app) { SwapBuffers(static_cast<HDC>(app.deviceContext)); }

void platformMessageBox(const char* text, const char* caption) {
    MessageBoxA(nullptr, text, caption, MB_OK);
}

uint32_t platformTicks() { return timeGetTime(); }

// The music through the Media Control Interface: the MPEG device streams the
// file from disk and plays it on threads of its own. Every command may fail
// (no sound device, no MP3 codec); the show then simply runs silent.
//
// Show time 0 follows the start of the music, so soundPlay returns only once
// the open and play commands have returned. Opening the device can take
// seconds, longest when there is no sound device and the open is going to
// fail; the commands therefore run on a thread of the music's own and the
// wait for them is bounded: past it the show starts without waiting more.
//
// The media layer's playback threads must not be running when the process
// tears itself down: the run-time exit (DLL detach, the system's own
// library clean-up) can then crash one of them and end the process with a
// failure status. So the exit first has the music stopped and the device
// closed, on the thread that opened it, and waits for that a bounded time.
struct SoundSystem {
    int channels;
};
struct Sound {
    char openCommand[1100];
    char playCommand[32];
};
struct SoundChannel {
    const Sound* sound;
};

namespace {
SoundSystem theSoundSystem;
Sound theSound;
SoundChannel theChannel;

constexpr DWORD kMusicStartWaitMs = 5000;
// Escape to the end of the process stays under half a second: stopping and
// closing takes 10 to 40 ms, a few hundred at most on a crowded machine.
constexpr DWORD kMusicCloseWaitMs = 300;

// The music's thread, and its two events: set once it is out of its open
// and play commands; set by the exit to have it stop and close the device.
HANDLE musicThread = nullptr;
HANDLE musicCommandsDone = nullptr;
HANDLE musicCloseAsked = nullptr;

// Serves this thread's messages, which the device opened on it may need,
// until event is set.
void serveMessagesUntil(HANDLE event) {
    MSG message;
    while (MsgWaitForMultipleObjects(1, &event, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1)
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

DWORD WINAPI playMusic(LPVOID parameter) {
    const Sound* sound = static_cast<const Sound*>(parameter);
    mciSendStringA(sound->openCommand, nullptr, 0, nullptr);
    mciSendStringA(sound->playCommand, nullptr, 0, nullptr);
    SetEvent(musicCommandsDone);
    serveMessagesUntil(musicCloseAsked);
    // Both fail harmlessly when the open did.
    mciSendStringA("stop cqmusic", nullptr, 0, nullptr);
    mciSendStringA("close cqmusic", nullptr, 0, nullptr);
    return 0;
}

// Waits at most timeoutMs for event. Messages sent to this thread's window
// meanwhile (by another thread or process, which hangs until they are
// answered) are served; posted ones, the user's input among them, stay
// queued for the frame loop.
void waitServingSentMessages(HANDLE event, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    MSG message;
    for (;;) {
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        const DWORD waited = GetTickCount() - start;
        if (waited >= timeoutMs) return;
        const DWORD woken =
            MsgWaitForMultipleObjects(1, &event, FALSE, timeoutMs - waited, QS_SENDMESSAGE);
        if (woken != WAIT_OBJECT_0 + 1) return;  // set, timed out or failed
    }
}

// Runs first in the run-time exit. The music is stopped and closed; the rest
// of the exit then goes on as usual. A thread still inside its open command
// (which can take seconds) or a close that does not end in time is not
// waited for: the process then ends at once with status 0, the media layer
// still untouched, and the system reclaims everything.
void closeMusicBeforeExit() {
    if (WaitForSingleObject(musicCommandsDone, 0) != WAIT_OBJECT_0)
        TerminateProcess(GetCurrentProcess(), 0);
    SetEvent(musicCloseAsked);
    if (WaitForSingleObject(musicThread, kMusicCloseWaitMs) != WAIT_OBJECT_0)
        TerminateProcess(GetCurrentProcess(), 0);
}

void closeHandle(HANDLE& handle) {
    if (handle) CloseHandle(handle);
    handle = nullptr;
}
}  // namespace

SoundSystem* soundSystemCreate() { return &theSoundSystem; }

void soundSystemInit(SoundSystem* system, int channels) { system->channels = channels; }

Sound* soundCreateStream(SoundSystem*, const char* path) {
    std::snprintf(theSound.openCommand, sizeof theSound.openCommand,
                  "open \"%s\" type mpegvideo alias cqmusic", path);
    // Played once: no "repeat", and no "wait" on the music's thread either.
    std::snprintf(theSound.playCommand, sizeof theSound.playCommand, "play cqmusic");
    return &theSound;
}

SoundChannel* soundPlay(SoundSystem*, Sound* sound, bool paused) {
    theChannel.sound = sound;
    if (paused) return &theChannel;
    // Without its events the exit could neither tell a busy thread from a
    // finished one nor have the device closed: no events, no music.
    musicCommandsDone = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    musicCloseAsked = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (musicCommandsDone && musicCloseAsked)
        musicThread = CreateThread(nullptr, 0, playMusic, sound, 0, nullptr);
    if (!musicThread) {
        closeHandle(musicCommandsDone);
        closeHandle(musicCloseAsked);
        return &theChannel;
    }
    std::atexit(closeMusicBeforeExit);
    waitServingSentMessages(musicCommandsDone, kMusicStartWaitMs);
    return &theChannel;
}
