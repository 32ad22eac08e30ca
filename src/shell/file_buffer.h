#pragma once
#include <cstddef>
#include <cstdint>

// A whole file in memory, followed by one extra byte (0xFF). A zero-
// initialised FileBuffer is empty and owns nothing.
struct FileBuffer {
    uint8_t* data;     // the file's contents and the extra byte
    int32_t size;      // file length + 1: the bytes of data that may be read
    uint8_t ownsData;  // 1 when data was allocated by load and must be freed
};

// Fills the buffer from the file at path, freeing what it owned before. A
// file that cannot be opened or read (a folder, no permission, too large to
// allocate) shows "ei avaudu: <path>" and leaves the buffer as for an empty
// file: one byte, 0xFF.
void load(FileBuffer& buffer, const char* path);

// Frees data when the buffer owns it and leaves the buffer empty.
void release(FileBuffer& buffer);

// Where load gets a file's bytes: returns nullptr when there is no memory
// (the default is a non-throwing new[]; release frees with delete[]). Tests
// install a failing one. Returns the previous allocator; nullptr restores
// the default.
using FileAllocator = uint8_t* (*)(size_t size);
FileAllocator setFileAllocator(FileAllocator allocator);
