// Built once per near-miss variant of the decoder's arithmetic: the
// sensitive files must expose it (another digest than the real decoder's),
// while the picture stays close, so the difference is only in the low bits.
#include <gtest/gtest.h>

#include "golden_digests.h"
#include "test_support.h"

namespace {

TEST(VariantSensitivity, SensitiveFilesExposeTheVariant) {
    for (const char* name : {CQ_VARIANT_EXPOSED_BY}) {
        const jpegtest::GoldenDigest* g = jpegtest::findGolden(name);
        ASSERT_NE(g, nullptr);
        jpegtest::Decoded d = jpegtest::decode(jpegtest::readFileBytes(jpegtest::corpusPath(name)));
        ASSERT_EQ(d.width, g->width) << name;
        ASSERT_EQ(d.height, g->height) << name;
        EXPECT_NE(jpegtest::digest(d.rgba), g->digest) << name;

        jpegtest::Reference ref = jpegtest::djpegReference(jpegtest::corpusPath(name));
        ASSERT_EQ(ref.rgb.size() / 3 * 4, d.rgba.size());
        for (size_t i = 0; i < ref.rgb.size(); ++i)
            ASSERT_LE(std::abs(int(d.rgba[i / 3 * 4 + i % 3]) - int(ref.rgb[i])), 6)
                << name << " " << i;
    }
}

}  // namespace
