#pragma once
#include <cstdint>

// A whole file in memory, followed by one extra byte (0xFF). A zero-
// initialised FileBuffer is empty and owns nothing.
struct FileBuffer {
    uint8_t* data;     // the file's contents and the extra byte
    int32_t size;      // file length + 1: the bytes of data that may be read
    uint8_t ownsData;  // 1 when data was allocated by load and must be freed
};

// Fills the buffer from the file at path, freeing what it owned before. A
// file that cannot be opened or read (a folder, no permission, too large)
// shows "ei avaudu: <path>" and leaves the buffer as for an empty file: one
// byte, 0xFF.
void load(FileBuffer& buffer, const char* path);

// Frees data when the buffer owns it and leaves the buffer empty.
void release(FileBuffer& buffer);
