// The full inverse DCT four lanes at a time with SSE2, the doubles as two
// pairs of lanes.
#include <emmintrin.h>

#include "jpeg/jpeg_idct_quad.h"
#include "jpeg/jpeg_idct_x86.h"

namespace {

struct Sse2Lanes : FloatQuad {
    struct Wide {
        __m128d low, high;  // lanes 0 and 1, lanes 2 and 3
    };
    static Wide widen(__m128 v) { return {_mm_cvtps_pd(v), _mm_cvtps_pd(_mm_movehl_ps(v, v))}; }
    static __m128 narrow(Wide v) {
        return _mm_movelh_ps(_mm_cvtpd_ps(v.low), _mm_cvtpd_ps(v.high));
    }
    static Wide set(double k) { return {_mm_set1_pd(k), _mm_set1_pd(k)}; }
    static Wide add(Wide a, Wide b) {
        return {_mm_add_pd(a.low, b.low), _mm_add_pd(a.high, b.high)};
    }
    static Wide sub(Wide a, Wide b) {
        return {_mm_sub_pd(a.low, b.low), _mm_sub_pd(a.high, b.high)};
    }
    static Wide mul(Wide a, Wide b) {
        return {_mm_mul_pd(a.low, b.low), _mm_mul_pd(a.high, b.high)};
    }
};

}  // namespace

void fullTransformToSamplesSse2(float* block, uint32_t columns, uint8_t* samples, int32_t stride) {
    fullTransformToSamplesQuad<Sse2Lanes>(block, columns, samples, stride);
}
