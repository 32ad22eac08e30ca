// jpegdecode IN.jpg OUT.pam: decodes IN with the program's own decoder and
// writes exactly the RGBA bytes it delivered as a binary PAM.
//
// Exit status: 0 for an image, 1 when the decoder delivered nothing usable
// (0 wide or 0 high; its message is on stderr), 2 for usage or I/O errors.
// OUT is written for every decode, header only for an empty image.
#include <cstdio>
#include <cstring>

#include "jpeg/jpeg_decoder.h"
#include "memory_surface.h"
#include "shell/file_buffer.h"
#include "shell/message_box.h"

namespace {

bool inputUnreadable = false;

// Passes every message on to stderr and notes the loader's own failure.
void watchMessages(const char* text, const char* caption) {
    if (std::strcmp(caption, "khar bax") == 0) inputUnreadable = true;
    writeMessageToStderr(text, caption);
}

bool writePam(const char* path, const MemorySurface& surface) {
    std::FILE* out = std::fopen(path, "wb");
    if (!out) return false;
    std::fprintf(out, "P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n",
                 int(surface.width), int(surface.height));
    bool ok = surface.rgba.empty() ||
              std::fwrite(surface.rgba.data(), 1, surface.rgba.size(), out) == surface.rgba.size();
    ok = (std::fclose(out) == 0) && ok;
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: jpegdecode IN.jpg OUT.pam\n");
        return 2;
    }
    setMessageBoxHandler(watchMessages);

    FileBuffer buffer{};
    load(buffer, argv[1]);
    if (inputUnreadable) {
        release(buffer);
        return 2;
    }
    MemorySurface surface;
    decodeJpeg(&surface, buffer.data, buffer.size);
    release(buffer);

    if (!writePam(argv[2], surface)) {
        std::fprintf(stderr, "jpegdecode: cannot write %s\n", argv[2]);
        return 2;
    }
    return (surface.width == 0 || surface.height == 0) ? 1 : 0;
}
