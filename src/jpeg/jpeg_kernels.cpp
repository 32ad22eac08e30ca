// The choice of kernels: plain C++ everywhere; on x86 (unless the build
// leaves them out) SSE2, which every x86 target this project builds for
// has, and AVX for the transform and AVX2 for colour where the CPU (and OS)
// runs them.
#include "jpeg/jpeg_kernels.h"

#include <cstdint>

#include "jpeg/jpeg_colour.h"
#include "jpeg/jpeg_idct.h"
#if CQ_JPEG_X86
#include "jpeg/jpeg_colour_x86.h"
#include "jpeg/jpeg_idct_x86.h"
#endif

KernelSets kernelSetsTheCpuRuns() {
    KernelSets found{};
    found.sets[found.count++] = {"scalar", fullTransformToSamplesScalar, colourAreaScalar,
                                 greyAreaScalar};
#if CQ_JPEG_X86
    found.sets[found.count++] = {"sse2", fullTransformToSamplesSse2, colourAreaSse2, greyAreaSse2};
    // The checks include that the OS saves the wider registers.
    __builtin_cpu_init();
    const bool avx = __builtin_cpu_supports("avx"), avx2 = __builtin_cpu_supports("avx2");
    if (avx || avx2) {
        found.sets[found.count++] = {avx2 ? (avx ? "avx+avx2" : "avx2") : "avx",
                                     avx ? fullTransformToSamplesAvx : fullTransformToSamplesSse2,
                                     avx2 ? colourAreaAvx2 : colourAreaSse2, greyAreaSse2};
    }
#endif
    return found;
}

namespace {
JpegKernels widestSet() {
    const KernelSets found = kernelSetsTheCpuRuns();
    return found.sets[found.count - 1];
}
}  // namespace

JpegKernels jpegKernels = widestSet();
