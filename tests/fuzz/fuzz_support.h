#pragma once
// What both fuzz entries share: the decode with the rules that must hold
// for any input checked after it; a failed rule aborts, which libFuzzer
// reports as a crash.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "jpeg/jpeg_decoder.h"
#include "memory_surface.h"
#include "shell/message_box.h"

namespace fuzzsupport {

inline int messageCount = 0;

[[noreturn]] inline void fail(const char* what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

inline void countMessages() {
    setMessageBoxHandler([](const char*, const char*) { ++messageCount; });
}

// One upload; the decoder's box exactly when the surface is 0 wide or 0 high;
// never more pixels than the frame-size cap; the array as large as the size.
inline void decodeAndCheck(const uint8_t* bytes, int32_t size) {
    countMessages();
    MemorySurface surface;
    const int before = messageCount;
    if (decodeJpeg(&surface, bytes, size) != &surface) fail("another surface returned");
    const bool empty = surface.width == 0 || surface.height == 0;
    if (surface.uploadCount != 1) fail("upload not called exactly once");
    if (messageCount - before != (empty ? 1 : 0)) fail("message box does not match the outcome");
    if (surface.width < 0 || surface.height < 0) fail("negative size");
    if (int64_t(surface.width) * surface.height > maxPixelCount) fail("image above the cap");
    if (!empty && surface.rgba.size() != size_t(surface.width) * size_t(surface.height) * 4)
        fail("pixel array does not match the size");
}

}  // namespace fuzzsupport
