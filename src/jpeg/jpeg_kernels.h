#pragma once
// The decoder's numeric kernels for one instruction set: the inverse DCT of
// a full block and the colour conversion of an MCU's area. The decoder runs
// those of jpegKernels, chosen once when the program starts: the widest set
// the build has and the CPU runs.
#include <cstdint>

#include "jpeg/jpeg_colour.h"
#include "jpeg/jpeg_idct.h"

struct JpegKernels {
    const char* name;
    FullTransformToSamples fullTransformToSamples;
    ConvertArea convertYCbCrToRgb;
    ConvertArea convertGreyToRgb;
};

// Every set the build has that this CPU runs, narrowest (plain C++) first.
// All give the same bytes; the tests hold each to the definitions.
struct KernelSets {
    JpegKernels sets[3];  // plain C++, SSE2, AVX and AVX2
    int32_t count;
};
KernelSets kernelSetsTheCpuRuns();

extern JpegKernels jpegKernels;
