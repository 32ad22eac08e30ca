#include "canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace assets {

Rgb mix(const Rgb& a, const Rgb& b, double t) {
    return Rgb{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
Rgb operator+(const Rgb& a, const Rgb& b) { return Rgb{a.r + b.r, a.g + b.g, a.b + b.b}; }
Rgb operator*(const Rgb& a, double s) { return Rgb{a.r * s, a.g * s, a.b * s}; }

double clamp01(double v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

double smoothstep(double e0, double e1, double x) {
    double t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

double coverage(double signedDistance, double pixelSize) {
    return clamp01(0.5 - signedDistance / pixelSize);
}

uint32_t hash32(uint32_t x) {
    // lowbias32: cheap and well mixed.
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

double hash01(int32_t x, int32_t y, uint32_t seed) {
    uint32_t h = hash32(uint32_t(x) * 0x9e3779b1U ^ hash32(uint32_t(y) ^ seed * 0x85ebca6bU));
    return (h >> 8) / double(1 << 24);
}

static double fade(double t) { return t * t * t * (t * (t * 6 - 15) + 10); }

double noise1(double x, uint32_t seed) {
    double fx = std::floor(x);
    int32_t ix = int32_t(fx);
    double t = fade(x - fx);
    double a = hash01(ix, 0, seed), b = hash01(ix + 1, 0, seed);
    return a + (b - a) * t;
}

double noise2(double x, double y, uint32_t seed) {
    double fx = std::floor(x), fy = std::floor(y);
    int32_t ix = int32_t(fx), iy = int32_t(fy);
    double tx = fade(x - fx), ty = fade(y - fy);
    double a = hash01(ix, iy, seed), b = hash01(ix + 1, iy, seed);
    double c = hash01(ix, iy + 1, seed), d = hash01(ix + 1, iy + 1, seed);
    double top = a + (b - a) * tx, bottom = c + (d - c) * tx;
    return top + (bottom - top) * ty;
}

double fbm2(double x, double y, int octaves, uint32_t seed) {
    double sum = 0, amp = 0.5, norm = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += amp * noise2(x, y, seed + uint32_t(i) * 101U);
        norm += amp;
        // Rotate between octaves so the lattice never lines up.
        double nx = 1.6 * x + 1.2 * y, ny = -1.2 * x + 1.6 * y;
        x = nx + 17.3;
        y = ny - 5.1;
        amp *= 0.5;
    }
    return sum / norm;
}

uint32_t Random::next() {
    // PCG-XSH-RR.
    uint64_t old = state_;
    state_ = old * 6364136223846793005ULL + 1442695040888963407ULL;
    uint32_t shifted = uint32_t(((old >> 18) ^ old) >> 27);
    uint32_t rot = uint32_t(old >> 59);
    return (shifted >> rot) | (shifted << ((32 - rot) & 31));
}

double Random::uniform() { return (next() >> 8) / double(1 << 24); }

Placement slidePlacement(int slide) {
    if (slide == 0) return Placement{0.0, 768.0, true};
    return Placement{-128.0, 1024.0, slide != 2};
}

Canvas::Canvas(int width, int height, double top, int supersample)
    : w_(width * supersample),
      h_(height * supersample),
      ss_(supersample),
      top_(top),
      px_(size_t(w_) * h_) {}

void Canvas::forEach(double x0, double y0, double x1, double y1,
                     const std::function<void(double, double, Rgb&)>& f) {
    // Canvas pixel i has its centre at screen (i + 0.5) / ss.
    int ix0 = std::max(0, int(std::floor(x0 * ss_)));
    int ix1 = std::min(w_, int(std::ceil(x1 * ss_)) + 1);
    int iy0 = std::max(0, int(std::floor((y0 - top_) * ss_)));
    int iy1 = std::min(h_, int(std::ceil((y1 - top_) * ss_)) + 1);
    for (int y = iy0; y < iy1; ++y) {
        double sy = top_ + (y + 0.5) / ss_;
        for (int x = ix0; x < ix1; ++x) f((x + 0.5) / ss_, sy, at(x, y));
    }
}

void Canvas::forAll(const std::function<void(double, double, Rgb&)>& f) {
    forEach(0, top_, w_ / double(ss_), screenBottom(), f);
}

void Canvas::blend(Rgb& dst, const Rgb& c, double alpha) const {
    if (alpha <= 0) return;
    dst = mix(dst, c, std::min(alpha, 1.0));
}

void Canvas::fillCircle(double cx, double cy, double radius, const Rgb& c, double alpha) {
    double px = pixel();
    forEach(cx - radius - 1, cy - radius - 1, cx + radius + 1, cy + radius + 1,
            [&](double x, double y, Rgb& dst) {
                double d = std::hypot(x - cx, y - cy) - radius;
                blend(dst, c, alpha * coverage(d, px));
            });
}

void Canvas::glow(double cx, double cy, double radius, const Rgb& c, double strength) {
    forEach(cx - radius, cy - radius, cx + radius, cy + radius, [&](double x, double y, Rgb& dst) {
        double t = 1 - std::hypot(x - cx, y - cy) / radius;
        if (t > 0) dst = dst + c * (strength * t * t);
    });
}

void Canvas::line(double x0, double y0, double x1, double y1, double width, const Rgb& c,
                  double alpha) {
    double px = pixel();
    // Strokes thinner than a canvas pixel are drawn one pixel wide and
    // fainter, so they fade instead of breaking up between samples.
    double faint = width < px ? width / px : 1.0;
    double half = std::max(width, px) / 2;
    double dx = x1 - x0, dy = y1 - y0;
    double len2 = dx * dx + dy * dy;
    forEach(std::min(x0, x1) - half - 1, std::min(y0, y1) - half - 1, std::max(x0, x1) + half + 1,
            std::max(y0, y1) + half + 1, [&](double x, double y, Rgb& dst) {
                double t = len2 > 0 ? clamp01(((x - x0) * dx + (y - y0) * dy) / len2) : 0;
                double d = std::hypot(x - (x0 + t * dx), y - (y0 + t * dy)) - half;
                blend(dst, c, alpha * faint * coverage(d, px));
            });
}

void Canvas::fillConvex(const std::vector<double>& xy, const Rgb& c, double alpha) {
    size_t n = xy.size() / 2;
    if (n < 3) return;
    double minX = xy[0], maxX = xy[0], minY = xy[1], maxY = xy[1];
    double area2 = 0;
    for (size_t i = 0; i < n; ++i) {
        minX = std::min(minX, xy[2 * i]);
        maxX = std::max(maxX, xy[2 * i]);
        minY = std::min(minY, xy[2 * i + 1]);
        maxY = std::max(maxY, xy[2 * i + 1]);
        size_t j = (i + 1) % n;
        area2 += xy[2 * i] * xy[2 * j + 1] - xy[2 * j] * xy[2 * i + 1];
    }
    double orient = area2 >= 0 ? 1.0 : -1.0;
    double px = pixel();
    forEach(minX - 1, minY - 1, maxX + 1, maxY + 1, [&](double x, double y, Rgb& dst) {
        // Distance outside the polygon: the largest distance outside any edge.
        double d = -1e30;
        for (size_t i = 0; i < n; ++i) {
            size_t j = (i + 1) % n;
            double ex = xy[2 * j] - xy[2 * i], ey = xy[2 * j + 1] - xy[2 * i + 1];
            double len = std::hypot(ex, ey);
            if (len == 0) continue;
            double side = ((x - xy[2 * i]) * ey - (y - xy[2 * i + 1]) * ex) / len;
            d = std::max(d, side * orient);
        }
        blend(dst, c, alpha * coverage(d, px));
    });
}

std::vector<uint8_t> Canvas::resample(int outW, int outH, int channels, bool flip) const {
    // Box filter with fractional edge weights, one axis at a time.
    struct Tap {
        int index;
        double weight;
    };
    auto taps = [](int in, int out) {
        std::vector<std::vector<Tap>> result(out);
        double step = double(in) / out;
        for (int o = 0; o < out; ++o) {
            double a = o * step, b = (o + 1) * step;
            for (int i = int(std::floor(a)); i < int(std::ceil(b)) && i < in; ++i) {
                double w = std::min(b, i + 1.0) - std::max(a, double(i));
                if (w > 0) result[o].push_back(Tap{i, w / step});
            }
        }
        return result;
    };
    std::vector<std::vector<Tap>> tx = taps(w_, outW), ty = taps(h_, outH);

    std::vector<Rgb> rows(size_t(outW) * h_);
    for (int y = 0; y < h_; ++y)
        for (int x = 0; x < outW; ++x) {
            Rgb sum;
            for (const Tap& t : tx[x]) sum = sum + at(t.index, y) * t.weight;
            rows[size_t(y) * outW + x] = sum;
        }

    std::vector<uint8_t> out(size_t(outW) * outH * channels);
    for (int y = 0; y < outH; ++y) {
        int fileRow = flip ? outH - 1 - y : y;
        for (int x = 0; x < outW; ++x) {
            Rgb sum;
            for (const Tap& t : ty[y]) sum = sum + rows[size_t(t.index) * outW + x] * t.weight;
            // Half a level of deterministic dither keeps the wide sky
            // gradients from banding.
            double dither = hash01(x, y, 77) - hash01(x, y, 78);
            uint8_t* p = &out[(size_t(fileRow) * outW + x) * channels];
            auto level = [&](double v) {
                double q = std::floor(clamp01(v) * 255.0 + 0.5 + 0.5 * dither);
                return uint8_t(std::min(255.0, std::max(0.0, q)));
            };
            if (channels == 1) {
                p[0] = level(0.299 * sum.r + 0.587 * sum.g + 0.114 * sum.b);
            } else {
                p[0] = level(sum.r);
                p[1] = level(sum.g);
                p[2] = level(sum.b);
            }
        }
    }
    return out;
}

bool writePnm(const std::string& path, int width, int height, int channels,
              const std::vector<uint8_t>& pixels) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::fprintf(f, "P%d\n%d %d\n255\n", channels == 1 ? 5 : 6, width, height);
    size_t n = size_t(width) * height * channels;
    bool ok = pixels.size() == n && std::fwrite(pixels.data(), 1, n, f) == n;
    return std::fclose(f) == 0 && ok;
}

}  // namespace assets
