#pragma once
// A baseline (sequential, Huffman-coded, 8-bit) JPEG decoder. One image is
// decoded at a time; nothing carries over from one image to the next. The
// decoder's other headers are for its own files only.
#include <cstdint>

class PBuffer;

// Frames with more pixels than this are refused (no image, the decoder's
// message box, nothing written): 16 Mpixel (4096 x 4096) is far beyond any
// slide and keeps a decode of any input up to 1 MiB within a second and
// 256 MiB, the RGBA array (64 MiB) and the surface's copy of it included.
constexpr int64_t maxPixelCount = int64_t(1) << 24;

// Decodes `size` bytes of JPEG data and delivers the RGBA image through
// surface->upload; shows the decoder's message box when the surface ends up
// 0 wide or 0 high. The surface must be freshly constructed (0 x 0), as a
// BitmapImporter is. Returns the surface.
PBuffer* decodeJpeg(PBuffer* surface, const uint8_t* bytes, int32_t size);
