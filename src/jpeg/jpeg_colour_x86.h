#pragma once
// Colour conversion's x86 kernels: with SSE2 (jpeg_colour_sse2.cpp, every
// x86 target this project builds for), eight pixels at a time, and with AVX2
// (jpeg_colour_avx2.cpp, for a CPU that runs AVX2), sixteen. Same contract
// as the scalar kernels of jpeg_colour.h.
#include <cstdint>

#include "jpeg/jpeg_colour.h"

void colourAreaSse2(uint8_t* rgba, int64_t rgbaStride, const SamplePlanes& planes, int32_t columns,
                    int32_t rows);
void greyAreaSse2(uint8_t* rgba, int64_t rgbaStride, const SamplePlanes& planes, int32_t columns,
                  int32_t rows);
void colourAreaAvx2(uint8_t* rgba, int64_t rgbaStride, const SamplePlanes& planes, int32_t columns,
                    int32_t rows);

// The SSE2 rows the AVX2 kernel builds on: a row of chroma offsets, and the
// pixels of a row from them, `repeat` pixels per chroma sample.
void chromaOffsetsSse2(const uint8_t* cb, const uint8_t* cr, int32_t count, ChromaRow row);
void rgbaFromOffsetsSse2(uint8_t* rgba, const uint8_t* y, ChromaRow row, int32_t width,
                         int32_t repeat);
