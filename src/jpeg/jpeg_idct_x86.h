#pragma once
// The inverse DCT's x86 kernels, four columns or rows at a time: with SSE2
// (jpeg_idct_sse2.cpp, every x86 target this project builds for) and with
// the doubles in AVX registers (jpeg_idct_avx.cpp, for a CPU that runs
// AVX). Same contract as fullTransformToSamplesScalar (jpeg_idct.h).
#include <cstdint>

void fullTransformToSamplesSse2(float* block, uint32_t columns, uint8_t* samples, int32_t stride);
void fullTransformToSamplesAvx(float* block, uint32_t columns, uint8_t* samples, int32_t stride);
