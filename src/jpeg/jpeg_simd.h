#pragma once
// Whether the decoder's SSE2 paths are compiled in: on every x86 target with
// SSE2, which is all 64-bit ones and the 32-bit ones built with -msse2, as
// this project's are. Elsewhere the scalar code, which gives the same bytes,
// runs.
#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define CQ_JPEG_SSE2 1
#include <emmintrin.h>
#include <xmmintrin.h>
#else
#define CQ_JPEG_SSE2 0
#endif
