// The program's entry point with the Win32 back end: a GUI program, so
// WinMain. None of its arguments is used.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "shell/entry.h"
#include "shell/message_box.h"
#include "shell/platform.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    setMessageBoxHandler(platformMessageBox);
    return runProgram();
}
