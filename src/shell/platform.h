#pragma once
#include <cstdint>

#include "shell/app_window.h"

// Everything that differs between operating systems. Exactly one back end
// implements this file (platform_sdl.cpp or platform_win32.cpp), chosen by
// the top-level CMakeLists.txt. SDL and Windows headers stay in the back-end
// files: these two, the entry points main_sdl.cpp and main_win32.cpp, and
// the WGL render target (surfaces/render_target_wgl.cpp).

// Display set-up: display mode, the full-screen window with its
// double-buffered GL context, the render-texture entry points and the
// initial GL state. Never aborts: a failure shows its box (caption
// "you fail") and leaves app.running clear.
void setupDisplay(AppWindow& app);

// Dispatches every pending window message; Escape and a close request clear
// app.running.
void pumpMessages(AppWindow& app);

// Shows the frame just drawn.
void swapBuffers(AppWindow& app);

// The platform's modal message box; returns when the user has closed it.
void platformMessageBox(const char* text, const char* caption);

// A monotonic millisecond counter that wraps at 2^32.
uint32_t platformTicks();

// The music: an opaque system, one sound streamed from disk and one channel.
// None of these reports failure; with no sound device the show is silent.
struct SoundSystem;
struct Sound;
struct SoundChannel;
SoundSystem* soundSystemCreate();
void soundSystemInit(SoundSystem* system, int channels);
Sound* soundCreateStream(SoundSystem* system, const char* path);
SoundChannel* soundPlay(SoundSystem* system, Sound* sound, bool paused);
