// The full inverse DCT with its doubles in AVX registers: four lanes in one
// operation where SSE2 takes two. The build compiles this file alone with
// AVX enabled; the decoder picks it only on a CPU that runs AVX.
#include <immintrin.h>

#include "jpeg/jpeg_idct_quad.h"
#include "jpeg/jpeg_idct_x86.h"

namespace {

struct AvxLanes : FloatQuad {
    using Wide = __m256d;
    static Wide widen(__m128 v) { return _mm256_cvtps_pd(v); }
    static __m128 narrow(Wide v) { return _mm256_cvtpd_ps(v); }
    static Wide set(double k) { return _mm256_set1_pd(k); }
    static Wide add(Wide a, Wide b) { return _mm256_add_pd(a, b); }
    static Wide sub(Wide a, Wide b) { return _mm256_sub_pd(a, b); }
    static Wide mul(Wide a, Wide b) { return _mm256_mul_pd(a, b); }
};

}  // namespace

void fullTransformToSamplesAvx(float* block, uint32_t columns, uint8_t* samples, int32_t stride) {
    fullTransformToSamplesQuad<AvxLanes>(block, columns, samples, stride);
}
