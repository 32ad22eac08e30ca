// The heap as the C library sets it up: builds whose allocator needs no help
// (and sanitizer builds, whose allocator is their own).
#include "shell/heap.h"

void prepareHeapForLoading() {}
