// glibc's heap, prepared for the load step.
//
// 1. glibc hands large blocks back to the system when they are freed and
//    takes fresh ones for the next request, each page faulted in and cleared
//    again. With the thresholds raised they stay in the heap, so the next
//    slide's buffers reuse the last slide's pages.
// 2. The GL driver allocates each texture with posix_memalign. glibc before
//    2.38 never serves an aligned request from a freed block of the same
//    size: it asks for alignment plus a minimum chunk more than the block
//    holds, and the scraps it splits off stay cached where they cannot
//    merge. So every importer texture took fresh pages although the last
//    one's had just been freed. posix_memalign below asks for a plain block
//    first; a freed aligned block of the same size comes back at its own,
//    aligned, address and is taken.
#include <errno.h>
#include <malloc.h>
#include <stdint.h>
#include <stdlib.h>

#include "shell/heap.h"

namespace {
// Texture-sized requests only; small ones gain nothing from a second try.
constexpr size_t kPlainFirstBytes = size_t(1) << 20;
}  // namespace

void prepareHeapForLoading() {
    mallopt(M_MMAP_THRESHOLD, 128 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
}

// Replaces the C library's function for the whole process (the link exports
// it, so the driver's calls come here too). Same contract: EINVAL for an
// alignment that is not a power of two multiple of a pointer's size, ENOMEM
// when there is no memory; the block is released with free.
extern "C" int posix_memalign(void** block, size_t alignment, size_t size) {
    if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0) return EINVAL;
    if (size >= kPlainFirstBytes) {
        void* plain = malloc(size);
        if (plain && (uintptr_t(plain) & (alignment - 1)) == 0) {
            *block = plain;
            return 0;
        }
        free(plain);
    }
    void* aligned = memalign(alignment, size);
    if (!aligned) return ENOMEM;
    *block = aligned;
    return 0;
}
