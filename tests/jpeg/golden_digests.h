#pragma once
// Digests (FNV-1a 64) of the RGBA output for each baseline file of the
// corpus. Any change of a single output byte changes its digest.
#include <cstdint>
#include <cstring>

namespace jpegtest {

struct GoldenDigest {
    const char* file;
    int32_t width;
    int32_t height;
    uint64_t digest;
};

inline const GoldenDigest goldenDigests[] = {
    {"baseline_q5_420.jpg", 200, 150, 0x54d16a1974167c1aULL},
    {"edges_420_q90.jpg", 120, 90, 0x632346a8d7cbf310ULL},
    {"edges_444_q60.jpg", 120, 90, 0x77855320b3f7fe36ULL},
    {"flat_420_q90.jpg", 80, 64, 0x1b22b86ede4e2f25ULL},
    {"gradient_420_q75.jpg", 128, 96, 0x41624f1539cf1f84ULL},
    {"gradient_422_q85.jpg", 128, 96, 0x67f11216f64295c4ULL},
    {"gradient_444_q90.jpg", 128, 96, 0x6d36fe300a0b8dcaULL},
    {"grey_from_colour_q90.jpg", 120, 90, 0x832f00185f49ac03ULL},
    {"grey_noise_q95.jpg", 40, 24, 0xcccba2b24a5bcabbULL},
    {"grey_q75.jpg", 75, 50, 0x1bf2e0325c842459ULL},
    {"noise_420_q50.jpg", 64, 48, 0x144ccd921954adfaULL},
    {"noise_444_q95.jpg", 64, 48, 0xfd457610f327c9a7ULL},
    {"odd_17x9_420.jpg", 17, 9, 0xfe2daefd299c07b3ULL},
    {"odd_17x9_444.jpg", 17, 9, 0xefddfe376b8b48dcULL},
    {"odd_33x31_422.jpg", 33, 31, 0x5e0f0d8d04eebda3ULL},
    {"optimized_420.jpg", 200, 150, 0x52ac5cada0a55276ULL},
    {"optimized_grey.jpg", 75, 50, 0x6b01ddf59b406c46ULL},
    {"quant16_420.jpg", 200, 150, 0xc17bdde8597c1ee1ULL},
    {"quant16_grey.jpg", 75, 50, 0x3c10ad7e8c606d59ULL},
    {"restart_420_rows.jpg", 200, 150, 0x7517920bf02edf87ULL},
    {"restart_444_rows.jpg", 120, 90, 0x88796848378a85f6ULL},
    {"restart_grey_rows.jpg", 75, 50, 0x730d63f838a1a5e2ULL},
    {"scene_420_q90.jpg", 200, 150, 0x52ac5cada0a55276ULL},
    {"sensitive_colour.jpg", 128, 96, 0xc52d38b2a7a7325ULL},
    {"sensitive_idct.jpg", 312, 8, 0xc8b8c0059973f684ULL},
};

inline const GoldenDigest* findGolden(const char* file) {
    for (const GoldenDigest& g : goldenDigests)
        if (std::strcmp(g.file, file) == 0) return &g;
    return nullptr;
}

}  // namespace jpegtest
