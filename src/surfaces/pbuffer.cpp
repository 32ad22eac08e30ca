#include "surfaces/pbuffer.h"

namespace {
// Sizes above 2^30 would overflow the doubling; no image comes near that
// (a JPEG side is at most 65535), so the padding simply stops growing there.
constexpr int32_t kLargestPadding = int32_t(1) << 30;

int32_t paddedSize(int32_t size) {
    int32_t padded = 1;
    if (size > 1) {
        do {
            padded *= 2;
        } while (padded < size && padded < kLargestPadding);
    }
    return padded;
}
}  // namespace

void PBuffer::setSize(int32_t w, int32_t h) {
    width = w;
    height = h;
    paddedWidth = paddedSize(w);
    paddedHeight = paddedSize(h);
    scaleS = float(double(w) / double(paddedWidth));
    scaleT = float(double(h) / double(paddedHeight));
}
