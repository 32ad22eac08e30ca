#pragma once
// What every fuzz entry shares: a silenced message box that counts, and the
// decoder's outcome rule checked after each decode.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "jpeg/jpeg_decoder.h"
#include "memory_surface.h"
#include "shell/message_box.h"

namespace fuzzsupport {

inline int messageCount = 0;

inline void countMessage(const char*, const char*) { ++messageCount; }

inline void installQuietMessageBox() {
    static bool installed = false;
    if (!installed) {
        setMessageBoxHandler(countMessage);
        installed = true;
    }
}

[[noreturn]] inline void fail(const char* what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

// Decodes and holds the result to the rules that must survive any input:
// one upload, the decoder's box exactly when the surface is 0 wide or 0 high,
// never more pixels than the frame-size cap, the array as large as the size.
inline void decodeAndCheck(const uint8_t* bytes, int32_t size) {
    installQuietMessageBox();
    MemorySurface surface;
    int messagesBefore = messageCount;
    if (decodeJpeg(&surface, bytes, size) != &surface) fail("decodeJpeg returned another surface");
    int messages = messageCount - messagesBefore;
    bool empty = surface.width == 0 || surface.height == 0;
    if (surface.uploadCount != 1) fail("upload not called exactly once");
    if (messages != (empty ? 1 : 0)) fail("message box does not match the outcome");
    if (surface.width < 0 || surface.height < 0) fail("negative size");
    if (int64_t(surface.width) * surface.height > maxPixelCount)
        fail("image above the frame-size cap");
    if (!empty && surface.rgba.size() != size_t(surface.width) * size_t(surface.height) * 4)
        fail("pixel array does not match the size");
}

}  // namespace fuzzsupport
