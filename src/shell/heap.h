#pragma once

// Prepares the C library's heap for the load step, where every slide makes
// and frees the same large blocks: the decoded image, the importer's
// texture, the read-back copy. Called first thing by the SDL program's main;
// where the C library needs nothing (or a sanitizer brings an allocator of
// its own) it does nothing.
void prepareHeapForLoading();
