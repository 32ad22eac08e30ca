// jpegdecode IN.jpg OUT.pam: decodes IN with the program's own decoder and
// writes exactly the RGBA bytes it delivered as a binary PAM.
//
// Exit status: 0 for an image, 1 when the decoder delivered nothing usable
// (0 wide or 0 high; its message is on stderr), 2 for usage or I/O errors.
// OUT is written for every decode, header only for an empty image.
#include <cstdio>
#include <cstring>

#include "jpeg/jpeg_decoder.h"
#include "shell/file_buffer.h"
#include "shell/message_box.h"
#include "surfaces/pbuffer.h"

namespace {

bool inputUnreadable = false;

// Passes every message on to stderr and notes the loader's own failure.
void watchMessages(const char* text, const char* caption) {
    if (std::strcmp(caption, "khar bax") == 0) inputUnreadable = true;
    writeMessageToStderr(text, caption);
}

// A surface that writes what is uploaded into it straight to a PAM file,
// sized the way a Bitmap sizes itself (0, 0 keeps the current size; a size
// with only one 0 is taken as given), so that the decoder's outcome rules
// look the same through it as through a texture. No copy of the image is
// kept.
class PamSurface : public PBuffer {
public:
    explicit PamSurface(std::FILE* out) : out_(out) {}

    uint32_t bind() override { return 0; }
    uint8_t* readBack() override { return nullptr; }
    void upload(const uint8_t* pixels, int32_t w, int32_t h) override {
        if (w == 0 && h == 0) {
            w = width;
            h = height;
        }
        setSize(w, h);
        written = true;
        std::fprintf(out_,
                     "P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n",
                     int(w), int(h));
        const size_t count = (w > 0 && h > 0) ? size_t(w) * size_t(h) * 4 : 0;
        if (count > 0 && std::fwrite(pixels, 1, count, out_) != count) failed = true;
    }

    bool written = false;
    bool failed = false;

private:
    std::FILE* out_;
};

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
    std::FILE* out = std::fopen(argv[2], "wb");
    if (!out) {
        std::fprintf(stderr, "jpegdecode: cannot write %s\n", argv[2]);
        release(buffer);
        return 2;
    }
    PamSurface surface(out);
    decodeJpeg(&surface, buffer.data, buffer.size);
    release(buffer);

    const bool closed = std::fclose(out) == 0;
    if (!surface.written || surface.failed || !closed) {
        std::fprintf(stderr, "jpegdecode: cannot write %s\n", argv[2]);
        return 2;
    }
    return (surface.width == 0 || surface.height == 0) ? 1 : 0;
}
