#include "jpeg/jpeg_decoder.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "jpeg/jpeg_markers.h"
#include "jpeg/jpeg_record.h"
#include "jpeg/jpeg_scan.h"
#include "shell/message_box.h"
#include "surfaces/pbuffer.h"

namespace {

// Handed to upload when there is no array, so that a surface never sees null.
uint8_t noPixels[4];

// decodeJpeg's first step.
void resetDecoder(const uint8_t* bytes, int32_t size) {
    // Everything from position through currentByte; the two block
    // workspaces are rewritten before every read and stay as they are.
    std::memset(&jpegDecoder, 0, offsetof(JpegDecoder, block));
    jpegDecoder.position = 0;
    jpegDecoder.input = bytes;
    jpegDecoder.size = bytes ? (size > 0 ? size : 0) : 0;
    jpegDecoder.exhausted = 0;
}

}  // namespace

// A frame that cannot be decoded safely, or whose array would be absurdly
// large, is delivered as no image at all: 0 x 0 and the message box.
static bool frameIsRefused() {
    const JpegDecoder& d = jpegDecoder;
    int64_t pixelCount = int64_t(d.width) * int64_t(d.height);
    if (pixelCount > maxPixelCount) return true;
    return pixelCount > 0 && !frameIsDecodable();
}

PBuffer* decodeJpeg(PBuffer* surface, const uint8_t* bytes, int32_t size) {
    JpegDecoder& d = jpegDecoder;
    resetDecoder(bytes, size);
    parseMarkers();

    if (frameIsRefused()) {
        d.width = 0;
        d.height = 0;
    }
    size_t byteCount = size_t(d.width) * size_t(d.height) * 4;
    d.pixels = static_cast<uint8_t*>(std::malloc(byteCount > 0 ? byteCount : 1));
    if (d.pixels == nullptr) {
        d.width = 0;
        d.height = 0;
    } else {
        // The scan converts each MCU as it finishes it, into every byte.
        decodeScan();
    }

    surface->upload(d.pixels ? d.pixels : noPixels, d.width, d.height);
    if (surface->width == 0 || surface->height == 0) {
        showMessageBox(
            "jotai ongelmii jpegin lataukses, debuggaa. kato ettet oo tallentanu jpegia "
            "progressivena.",
            ",-.-.-.-.-.-.");
    }
    std::free(d.pixels);
    d.pixels = nullptr;
    return surface;
}
