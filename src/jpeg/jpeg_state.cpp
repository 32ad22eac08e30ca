// The decoder's one process-wide record, which every stage works on, and the
// vector paths it may take. They have a file of their own so that the stages
// depend on it and not on each other.
#include "jpeg/jpeg_internal.h"

JpegDecoder jpegDecoder;

VectorPaths vectorPathsTheCpuRuns() {
    VectorPaths paths{false, false};
#if CQ_JPEG_AVX
    // The checks include that the OS saves the wider registers.
    __builtin_cpu_init();
    paths.avx = __builtin_cpu_supports("avx");
    paths.avx2 = __builtin_cpu_supports("avx2");
#endif
    return paths;
}

VectorPaths vectorPaths = vectorPathsTheCpuRuns();
