// The program's entry point with the SDL back end. SDL_MAIN_HANDLED is not
// needed: SDL's own main wrapper is never included, so this is the real main.
#include <cstdlib>  // defines __GLIBC__ where the C library is glibc
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "shell/entry.h"
#include "shell/message_box.h"
#include "shell/platform.h"

int main(int, char**) {
#if defined(__GLIBC__)
    // The load step makes and frees the same large buffers once per slide:
    // the decoded image, the read-back copy and its padded temporary. glibc
    // hands blocks this large back to the system and takes fresh ones for
    // the next slide, each page faulted in and cleared again; kept for
    // reuse, the next slide's buffers cost nothing to get. (The driver's
    // textures are aligned allocations, which glibc cannot fit into the
    // blocks a freed texture leaves, so those stay fresh either way.)
    mallopt(M_MMAP_THRESHOLD, 128 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
#endif
    setMessageBoxHandler(platformMessageBox);
    return runProgram();
}
