// The program's entry point with the SDL back end. SDL_MAIN_HANDLED is not
// needed: SDL's own main wrapper is never included, so this is the real main.
#include "shell/entry.h"
#include "shell/message_box.h"
#include "shell/platform.h"

int main(int, char**) {
    setMessageBoxHandler(platformMessageBox);
    return runProgram();
}
