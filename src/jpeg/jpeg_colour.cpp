// Colour conversion of an MCU's area in plain C++, for targets without a
// wider kernel.
#include "jpeg/jpeg_colour.h"

#include <cstdint>

void colourAreaScalar(uint8_t* rgba, int64_t rgbaStride, const SamplePlanes& planes,
                      int32_t columns, int32_t rows) {
    colourAreaRows(
        rgba, rgbaStride, planes, columns, rows,
        [](const uint8_t* cb, const uint8_t* cr, int32_t count, ChromaRow offsets) {
            chromaOffsetsFrom(0, cb, cr, count, offsets);
        },
        [&](uint8_t* out, const uint8_t* luma, ChromaRow offsets) {
            rgbaFromOffsetsFrom(0, out, luma, offsets, columns, planes.repeatX);
        });
}

void greyAreaScalar(uint8_t* rgba, int64_t rgbaStride, const SamplePlanes& planes, int32_t columns,
                    int32_t rows) {
    for (int32_t row = 0; row < rows; ++row)
        rgbaFromGreyFrom(0, rgba + row * rgbaStride, planes.luma + row * planes.lumaStride,
                         columns);
}
