// The glibc heap preparation: texture-sized aligned blocks are reused the way
// the load step makes them, and posix_memalign keeps its contract.
#include <errno.h>
#include <stdint.h>
#include <stdlib.h>

#include <gtest/gtest.h>

#include "shell/heap.h"

namespace {

constexpr size_t kTextureBytes = size_t(1024) * 1024 * 4;

bool alignedTo(const void* block, size_t alignment) {
    return (uintptr_t(block) & (alignment - 1)) == 0;
}

// Per slide the driver makes the importer's texture, then the slide's, and
// frees the importer's: every importer after the first should get the first
// one's block back instead of fresh pages.
TEST(GlibcHeap, EachImporterTextureReusesTheBlockTheLastOneFreed) {
    prepareHeapForLoading();
    void* firstImporter = nullptr;
    void* slides[4] = {};
    for (int slide = 0; slide < 4; ++slide) {
        void* importer = nullptr;
        ASSERT_EQ(posix_memalign(&importer, 64, kTextureBytes), 0);
        ASSERT_EQ(posix_memalign(&slides[slide], 64, kTextureBytes), 0);
        EXPECT_TRUE(alignedTo(importer, 64));
        EXPECT_TRUE(alignedTo(slides[slide], 64));
        static_cast<uint8_t*>(importer)[kTextureBytes - 1] = uint8_t(slide);
        if (slide == 0) {
            firstImporter = importer;
        } else {
            EXPECT_EQ(importer, firstImporter) << "importer texture of slide " << slide;
        }
        free(importer);
    }
    for (void* block : slides) free(block);
}

TEST(GlibcHeap, PosixMemalignKeepsItsContract) {
    prepareHeapForLoading();
    const size_t alignments[] = {sizeof(void*), 16, 64, 4096};
    const size_t sizes[] = {0, 1, 100, size_t(1) << 20, (size_t(1) << 20) + 1, 3 << 20};
    for (size_t alignment : alignments) {
        for (size_t size : sizes) {
            void* block = nullptr;
            ASSERT_EQ(posix_memalign(&block, alignment, size), 0) << alignment << " " << size;
            ASSERT_NE(block, nullptr);
            EXPECT_TRUE(alignedTo(block, alignment)) << alignment << " " << size;
            if (size > 0) {
                static_cast<uint8_t*>(block)[0] = 1;
                static_cast<uint8_t*>(block)[size - 1] = 2;
            }
            free(block);
        }
    }

    void* untouched = &untouched;
    for (size_t bad : {size_t(0), size_t(3), sizeof(void*) / 2, sizeof(void*) * 3}) {
        EXPECT_EQ(posix_memalign(&untouched, bad, 64), EINVAL) << bad;
    }
    EXPECT_EQ(untouched, &untouched);

    // Larger than any address space: both the plain and the aligned try fail.
    volatile size_t impossible = SIZE_MAX - 4096;
    EXPECT_EQ(posix_memalign(&untouched, 64, impossible), ENOMEM);
    EXPECT_EQ(untouched, &untouched);
}

}  // namespace
