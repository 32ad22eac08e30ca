#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "surfaces/pbuffer.h"

// A surface without GL: upload copies the RGBA bytes, readBack returns them.
// It sizes itself the way Bitmap does (0, 0 keeps the current size; a size
// with only one 0 is taken as given), so the decoder's outcome rules look
// the same through it as through a texture.
class MemorySurface : public PBuffer {
public:
    MemorySurface() = default;
    ~MemorySurface() = default;

    uint32_t bind() override { return 0; }
    uint8_t* readBack() override { return rgba.data(); }
    void upload(const uint8_t* pixels, int32_t w, int32_t h) override {
        if (w == 0 && h == 0) {
            w = width;
            h = height;
        }
        setSize(w, h);
        ++uploadCount;
        size_t count = (w > 0 && h > 0) ? size_t(w) * size_t(h) * 4 : 0;
        rgba.assign(pixels, pixels + count);
    }

    std::vector<uint8_t> rgba;
    int32_t uploadCount = 0;
};
