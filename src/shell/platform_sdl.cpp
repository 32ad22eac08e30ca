// The SDL2 back end: window, GL context, input, message boxes, ticks and the
// music on Linux. Everything SDL-specific stays in this file.
#include <SDL2/SDL.h>
#include <SDL2/SDL_mixer.h>

#include <cstdlib>
#include <cstring>

#include "shell/display.h"
#include "shell/gl.h"
#include "shell/message_box.h"
#include "shell/picture_area.h"
#include "shell/platform.h"
#include "shell/render_texture.h"

namespace {

SDL_Window* sdlWindow(AppWindow& app) { return static_cast<SDL_Window*>(app.window); }

// The window that owns the changed display mode, for the exit handler.
SDL_Window* fullscreenWindow = nullptr;

// SDL gives the mode back only when the window goes or SDL shuts down, and
// nothing is torn down at exit; leaving full screen here restores the
// desktop's mode while the GL context stays alive for the slides' destructors.
void restoreDisplayMode() {
    if (fullscreenWindow) SDL_SetWindowFullscreen(fullscreenWindow, 0);
    fullscreenWindow = nullptr;
}

// With no usable display SDL quietly picks a driver that renders nowhere.
// A show nobody can see is a failed set-up.
bool videoDriverIsVisible() {
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver && std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0;
}

// The full-screen mode the show asks for, if the display offers it: the
// size and 32 bits per pixel. SDL names a 32-bit pixel by its colour bits,
// so 24 bits in 4 bytes (RGB888) counts as 32; any other depth is no such
// mode.
bool findShowMode(int width, int height, SDL_DisplayMode& mode) {
    SDL_DisplayMode wanted{};
    wanted.format = SDL_PIXELFORMAT_RGB888;
    wanted.w = width;
    wanted.h = height;
    return SDL_GetClosestDisplayMode(0, &wanted, &mode) && mode.w == width && mode.h == height &&
           SDL_BYTESPERPIXEL(mode.format) == 4 && SDL_BITSPERPIXEL(mode.format) >= 24;
}

void setGlAttributes(int depthBits) {
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depthBits);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
}

// Under Wayland, directly or through Xwayland, a mode change is only
// pretended: the compositor scales the window (stretched, on GNOME) or sizes
// it to the real screen (KDE, weston), and SDL's Wayland driver keeps
// reporting the desktop's mode. Full screen at the desktop's own size, with
// the picture centred in it, looks the same everywhere. Xwayland names its
// outputs XWAYLAND0, XWAYLAND1, ...
bool modeChangeIsPretended() {
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* display = SDL_GetDisplayName(0);
    return (driver && std::strcmp(driver, "wayland") == 0) ||
           (display && std::strncmp(display, "XWAYLAND", 8) == 0);
}

// The desktop itself can carry the show: 32 bits per pixel, counted as in
// findShowMode.
bool desktopHasShowDepth() {
    SDL_DisplayMode mode{};
    return SDL_GetDesktopDisplayMode(0, &mode) == 0 && SDL_BYTESPERPIXEL(mode.format) == 4 &&
           SDL_BITSPERPIXEL(mode.format) >= 24;
}

SDL_Window* createShowWindow(const AppWindow& app, Uint32 fullscreenFlag) {
    const Uint32 flags = SDL_WINDOW_OPENGL | fullscreenFlag;
    // Depth sizes are minimums and X picks the deepest visual at or above
    // one, so 24 gets 32 bits wherever they exist; Mesa refuses a request
    // for 32 outright. 16 is the fallback where 24 is refused.
    const int depthChoices[] = {24, 16};
    for (int depthBits : depthChoices) {
        setGlAttributes(depthBits);
        SDL_Window* window = SDL_CreateWindow("cquorvath iso", 0, 0, app.width, app.height, flags);
        if (window) return window;
    }
    return nullptr;
}

// The window's drawable size, from which the picture's place follows; the
// bars beside it are cleared before each swap (nothing else clears the
// window between frames, and the picture must keep what it shows).
PictureArea picture{0, 0, 0, 0};
int drawableWidth = 0, drawableHeight = 0;

void fitPictureToWindow(SDL_Window* window) {
    SDL_GL_GetDrawableSize(window, &drawableWidth, &drawableHeight);
    picture = centredPictureArea(drawableWidth, drawableHeight);
    glViewport(picture.x, picture.y, picture.width, picture.height);
}

void clearOutsidePicture() {
    if (picture.width == drawableWidth && picture.height == drawableHeight) return;
    const int right = picture.x + picture.width, top = picture.y + picture.height;
    const int bars[4][4] = {{0, 0, picture.x, drawableHeight},
                            {right, 0, drawableWidth - right, drawableHeight},
                            {0, 0, drawableWidth, picture.y},
                            {0, top, drawableWidth, drawableHeight - top}};
    glPushAttrib(GL_SCISSOR_BIT | GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);  // opaque: compositors blend by alpha
    for (const auto& bar : bars) {
        glScissor(bar[0], bar[1], bar[2], bar[3]);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glPopAttrib();
}

bool currentModeIs(int width, int height) {
    SDL_DisplayMode mode{};
    return SDL_GetCurrentDisplayMode(0, &mode) == 0 && mode.w == width && mode.h == height;
}

void* lookupGlProc(const char* name) { return SDL_GL_GetProcAddress(name); }

// Where the driver has no vsync the loop would spin a core; keep it near
// 60 frames a second. With vsync the swap itself already takes that long.
Uint64 lastSwapCounter = 0;
void paceFrame() {
    const Uint64 frequency = SDL_GetPerformanceFrequency();
    const Uint64 framePeriod = frequency / 60;
    const Uint64 nowCounter = SDL_GetPerformanceCounter();
    if (lastSwapCounter != 0 && nowCounter - lastSwapCounter < framePeriod) {
        const Uint64 remaining = framePeriod - (nowCounter - lastSwapCounter);
        SDL_Delay(Uint32(remaining * 1000 / frequency));
    }
    lastSwapCounter = SDL_GetPerformanceCounter();
}

const char* kCannotChangeMode = "can't change display settingsdgorijöoiejhöojöose";

}  // namespace

void setupDisplay(AppWindow& app) {
    app.width = 1024;
    app.height = 768;
    app.instance = nullptr;

    // The X11 window class; SDL reads it when it opens the display.
    SDL_setenv("SDL_VIDEO_X11_WMCLASS", "morlu", 1);
    SDL_SetHint(SDL_HINT_APP_NAME, "morlu");
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0 || !videoDriverIsVisible()) {
        reportSetupFailure(app, "some window init failzz");
        return;
    }

    SDL_DisplayMode mode{};
    const bool atDesktopSize = modeChangeIsPretended();
    const bool fullscreen =
        atDesktopSize ? desktopHasShowDepth() : findShowMode(app.width, app.height, mode);
    if (!fullscreen) reportSetupFailure(app, kCannotChangeMode);

    SDL_ShowCursor(SDL_DISABLE);

    const Uint32 fullscreenFlag = !fullscreen     ? 0
                                  : atDesktopSize ? SDL_WINDOW_FULLSCREEN_DESKTOP
                                                  : SDL_WINDOW_FULLSCREEN;
    SDL_Window* window = createShowWindow(app, fullscreenFlag);
    app.window = window;
    if (!window) {
        reportSetupFailure(app, "fail fail fail");
        return;
    }
    if (fullscreenFlag == SDL_WINDOW_FULLSCREEN) {
        fullscreenWindow = window;
        std::atexit(restoreDisplayMode);
        SDL_SetWindowDisplayMode(window, &mode);
        if (!currentModeIs(app.width, app.height)) {
            // The mode switch did not happen: go on in a plain window. Full
            // screen is left first, or window managers keep the box behind
            // the window.
            SDL_SetWindowFullscreen(window, 0);
            SDL_SetWindowSize(window, app.width, app.height);
            fullscreenWindow = nullptr;
            reportSetupFailure(app, kCannotChangeMode);
        }
    }

    SDL_GLContext context = SDL_GL_CreateContext(window);
    app.glContext = context;
    app.deviceContext = window;  // SDL draws through the window itself
    if (!context) {
        reportSetupFailure(app, "mee pois");
        return;
    }
    if (SDL_GL_MakeCurrent(window, context) != 0) {
        reportSetupFailure(app, "mee pois");
        return;
    }

    SDL_ShowWindow(window);
    SDL_RaiseWindow(window);
    SDL_SetWindowInputFocus(window);
    SDL_DisableScreenSaver();
    app.running = 1;

    // The show draws a 1024 x 768 picture; the window may be larger.
    fitPictureToWindow(window);

    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (!loadRenderTextureEntryPoints(extensions, lookupGlProc)) {
        reportSetupFailure(app, "no things supported by your crappy hw. emt röyh mee pois");
    }

    applyInitialGlState();

    // Vsync where the driver has it; swapBuffers paces the loop otherwise.
    SDL_GL_SetSwapInterval(1);
}

void pumpMessages(AppWindow& app) {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
            case SDL_KEYDOWN:
                if (event.key.keysym.sym == SDLK_ESCAPE) app.running = 0;
                break;
            case SDL_QUIT:
                app.running = 0;
                break;
            case SDL_WINDOWEVENT:
                if (event.window.event == SDL_WINDOWEVENT_CLOSE) app.running = 0;
                break;
            default:
                break;
        }
    }
}

void swapBuffers(AppWindow& app) {
    clearOutsidePicture();
    SDL_GL_SwapWindow(sdlWindow(app));
    paceFrame();
    // The window's size may have changed (a compositor's configure, the
    // desktop's size once full screen took) before the next frame.
    fitPictureToWindow(sdlWindow(app));
}

void platformMessageBox(const char* text, const char* caption) {
    // Without a display no box can be shown; the text must not be lost and
    // the program must not wait for a click that can never come. SDL is not
    // asked then: it hands the box to a helper such as zenity, which fails
    // without a display and is still taken for a shown box.
    const bool displayOpen = SDL_WasInit(SDL_INIT_VIDEO) && videoDriverIsVisible();
    if (!displayOpen || SDL_ShowSimpleMessageBox(0, caption, text, nullptr) != 0)
        writeMessageToStderr(text, caption);
}

uint32_t platformTicks() { return SDL_GetTicks(); }

// The music, on SDL_mixer. Nothing is checked: without an audio device each
// call fails at once and the show runs silent.
struct SoundSystem {
    bool audioOpen;
};
struct Sound {
    Mix_Music* music;
};
struct SoundChannel {
    int playing;
};

namespace {
SoundSystem theSoundSystem{false};
Sound theSound{nullptr};
SoundChannel theChannel{0};
}  // namespace

SoundSystem* soundSystemCreate() {
    SDL_InitSubSystem(SDL_INIT_AUDIO);
    return &theSoundSystem;
}

void soundSystemInit(SoundSystem* system, int channels) {
    Mix_Init(MIX_INIT_MP3);
    system->audioOpen = Mix_OpenAudio(44100, MIX_DEFAULT_FORMAT, 2, 2048) == 0;
    Mix_AllocateChannels(channels);
}

Sound* soundCreateStream(SoundSystem*, const char* path) {
    // Mix_Music decodes from the file as it plays rather than loading it whole.
    theSound.music = Mix_LoadMUS(path);
    return &theSound;
}

SoundChannel* soundPlay(SoundSystem*, Sound* sound, bool paused) {
    theChannel.playing = sound && sound->music && Mix_PlayMusic(sound->music, 1) == 0;
    if (paused) Mix_PauseMusic();
    return &theChannel;
}
