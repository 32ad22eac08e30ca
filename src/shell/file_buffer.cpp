#include "shell/file_buffer.h"

#include <cstdint>
#include <cstdio>
#include <new>

#include "shell/message_box.h"

namespace {

// The byte after the contents: what storing fgetc's end-of-file value in a
// byte gives, and what the decoder may see after the last real byte.
constexpr uint8_t endByte = 0xFF;

void reportUnopenable(const char* path) {
    char text[1024];
    std::snprintf(text, sizeof text, "ei avaudu: %s", path);
    showMessageBox(text, "khar bax");
}

// Returns the file's length, or -1 when it cannot be taken (not seekable,
// or too long for the 32-bit size with its extra byte).
long fileLength(std::FILE* file) {
    if (std::fseek(file, 0, SEEK_END) != 0) return -1;
    long length = std::ftell(file);
    if (length < 0 || length > long(INT32_MAX - 1)) return -1;
    if (std::fseek(file, 0, SEEK_SET) != 0) return -1;
    return length;
}

// A file's bytes can be more than a 32-bit process can allocate: a failed
// allocation is an unreadable file, never an exception ending the program.
uint8_t* allocateNothrow(size_t size) { return new (std::nothrow) uint8_t[size]; }
FileAllocator allocateBytes = allocateNothrow;

void makeEmpty(FileBuffer& buffer) {
    // With not even one byte to spare, a static byte the buffer does not own.
    static uint8_t lastResort[1] = {endByte};
    buffer.data = allocateNothrow(1);
    buffer.ownsData = buffer.data != nullptr;
    if (!buffer.data) buffer.data = lastResort;
    buffer.data[0] = endByte;
    buffer.size = 1;
}

}  // namespace

void load(FileBuffer& buffer, const char* path) {
    release(buffer);

    std::FILE* file = std::fopen(path, "rb");
    long length = file ? fileLength(file) : -1;
    if (length < 0) {
        if (file) std::fclose(file);
        reportUnopenable(path);
        makeEmpty(buffer);
        return;
    }

    uint8_t* data = allocateBytes(size_t(length) + 1);
    size_t got = data ? std::fread(data, 1, size_t(length), file) : 0;
    // A folder opens on some systems but cannot be read: same as unopenable.
    bool failed = !data || std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        delete[] data;
        reportUnopenable(path);
        makeEmpty(buffer);
        return;
    }
    // A file that shrank since its length was taken ends where reading did.
    buffer.data = data;
    buffer.data[got] = endByte;
    buffer.size = int32_t(got) + 1;
    buffer.ownsData = 1;
}

void release(FileBuffer& buffer) {
    if (buffer.ownsData) delete[] buffer.data;
    buffer.data = nullptr;
    buffer.size = 0;
    buffer.ownsData = 0;
}

FileAllocator setFileAllocator(FileAllocator allocator) {
    FileAllocator previous = allocateBytes;
    allocateBytes = allocator ? allocator : allocateNothrow;
    return previous;
}
