#include "pictures.h"

#include "canvas.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace assets {

namespace {

const double kPi = 3.14159265358979323846;
const double kScreenW = 1024;
const int kSupersample = 2;

// A ridge line across the screen: y of the ridge for each x.
using Ridge = std::function<double(double)>;

// Fills everything below a ridge with colour(x, y, depthBelowRidge),
// anti-aliased along the ridge's true (slanted) edge.
void fillBelow(Canvas& c, const Ridge& ridge, double yMax,
               const std::function<Rgb(double, double, double)>& colour) {
    // The ridge is sampled once per canvas column.
    double px = c.pixel();
    int columns = c.pixelWidth();
    std::vector<double> h(columns), norm(columns);
    for (int i = 0; i < columns; ++i) {
        double x = (i + 0.5) * px;
        h[i] = ridge(x);
        double slope = ridge(x + 0.5) - ridge(x - 0.5);
        norm[i] = 1 / std::sqrt(1 + slope * slope);
    }
    c.forEach(0, c.screenTop(), kScreenW, yMax, [&](double x, double y, Rgb& dst) {
        int i = std::min(columns - 1, int(x / px));
        if (y < h[i] - 4) return;
        double d = (h[i] - y) * norm[i];
        c.blend(dst, colour(x, y, y - h[i]), coverage(d, px));
    });
}

void stars(Canvas& c, Random& rng, int count, double yTop, double yBottom, const Rgb& tint) {
    for (int i = 0; i < count; ++i) {
        double x = rng.range(0, kScreenW);
        double u = rng.uniform();
        double y = yTop + (yBottom - yTop) * u * u;
        double size = rng.uniform();
        double bright = (0.35 + 0.65 * rng.uniform()) * (1 - 0.8 * u);
        double radius = 0.45 + 1.1 * size * size * size;
        c.fillCircle(x, y, radius, mix(tint, rgb(1, 1, 1), 0.6), bright);
        if (size > 0.93) c.glow(x, y, 9 + 10 * size, tint, 0.25 * bright);
    }
}

// ---------------------------------------------------------------- slide 0

Rgb gradient(const std::vector<std::pair<double, Rgb>>& stops, double t) {
    if (t <= stops.front().first) return stops.front().second;
    for (size_t i = 1; i < stops.size(); ++i)
        if (t <= stops[i].first) {
            double f = (t - stops[i - 1].first) / (stops[i].first - stops[i - 1].first);
            return mix(stops[i - 1].second, stops[i].second, f);
        }
    return stops.back().second;
}

double ridged(double x, uint32_t seed, int octaves) {
    double sum = 0, amp = 0.5, norm = 0;
    for (int i = 0; i < octaves; ++i) {
        double n = 1 - std::fabs(2 * noise1(x, seed + uint32_t(i) * 31U) - 1);
        sum += amp * n * n;
        norm += amp;
        x *= 2.03;
        amp *= 0.5;
    }
    return sum / norm;
}

void drawSunset(Canvas& c) {
    const double horizon = 478;
    const double sunX = 512, sunY = 318, sunR = 178;
    const Rgb neon = hex(0xff2bd6), cyan = hex(0x2de2e6);

    std::vector<std::pair<double, Rgb>> sky = {{0.0, hex(0x07031c)},
                                               {0.45, hex(0x2a0a55)},
                                               {0.75, hex(0x7a1273)},
                                               {0.93, hex(0xe0306e)},
                                               {1.0, hex(0xff7a5c)}};
    c.forAll([&](double x, double y, Rgb& dst) {
        if (y < horizon) {
            dst = gradient(sky, y / horizon);
            // Thin haze bands low in the sky.
            double band = fbm2(x * 0.004, y * 0.05, 3, 5);
            dst = dst + hex(0xff4fa0) * (0.10 * smoothstep(0.5, 0.8, band) * (y / horizon));
        } else {
            double dy = y - horizon;
            dst = mix(hex(0x4a0d63), hex(0x0a0118), clamp01(std::pow(dy / 120, 0.6)));
        }
    });

    Random rng(1);
    stars(c, rng, 520, 0, horizon - 60, hex(0xc9b8ff));

    // Sun: glow, then the disc with its widening cuts toward the horizon.
    c.glow(sunX, sunY, 430, hex(0xff3d81), 0.55);
    double px = c.pixel();
    c.forEach(sunX - sunR - 1, sunY - sunR - 1, sunX + sunR + 1, horizon,
              [&](double x, double y, Rgb& dst) {
                  double d = std::hypot(x - sunX, y - sunY) - sunR;
                  double a = coverage(d, px) * coverage(y - horizon, px);
                  double cutStart = sunY - 0.15 * sunR;
                  if (y > cutStart) {
                      double s = (y - cutStart) / (horizon - cutStart);
                      double period = 30 - 8 * s;
                      double gap = 2 + 13 * s;
                      double yy = std::fmod(y - cutStart, period);
                      double inGap = std::max(-yy, yy - gap);
                      a *= 1 - coverage(inGap, px);
                  }
                  double t = clamp01((y - (sunY - sunR)) / (1.7 * sunR));
                  Rgb col = gradient(
                      {{0.0, hex(0xfff27a)}, {0.45, hex(0xffa23d)}, {1.0, hex(0xff2d78)}}, t);
                  c.blend(dst, col, a);
              });

    // Two mountain ranges that open in the middle so the sun stays in view.
    auto envelope = [](double x) { return 0.18 + 0.82 * smoothstep(90, 430, std::fabs(x - 512)); };
    Ridge far = [&](double x) {
        return horizon - 8 - 190 * envelope(x) * ridged(x * 0.0065, 11, 5);
    };
    Ridge nearR = [&](double x) {
        return horizon + 2 - 120 * envelope(x + 60) * ridged(x * 0.009 + 3.7, 23, 5);
    };
    fillBelow(c, far, horizon, [&](double, double, double depth) {
        Rgb base = mix(hex(0x3a0f6b), hex(0x1b0637), clamp01(depth / 90));
        return base + neon * (0.9 * std::exp(-depth / 2.0));
    });
    fillBelow(c, nearR, horizon + 1, [&](double, double, double depth) {
        Rgb base = mix(hex(0x1e0540), hex(0x0c0220), clamp01(depth / 60));
        return base + cyan * (0.8 * std::exp(-depth / 1.6));
    });

    // The floor: a grid in perspective, fading where its lines crowd.
    const double depthK = 1500, lateral = 4.6;
    c.forEach(0, horizon, kScreenW, c.screenBottom(), [&](double x, double y, Rgb& dst) {
        double dy = y - horizon;
        if (dy <= 0) return;
        double z = depthK / dy;
        double rowSpacing = dy * dy / depthK;
        double rowDist = std::fabs(z - std::floor(z + 0.5)) * rowSpacing;
        double lx = (x - 512) * lateral / dy;
        double colSpacing = dy / lateral;
        double slant = std::sqrt(1 + (lx * lx) / (lateral * lateral));
        double colDist = std::fabs(lx - std::floor(lx + 0.5)) * colSpacing / slant;
        double width = 0.8 + 1.8 * dy / 290;
        double rows = coverage(rowDist - width / 2, px) * smoothstep(2, 9, rowSpacing);
        double cols = coverage(colDist - width / 2, px) * smoothstep(2, 9, colSpacing);
        double glowRows = std::exp(-rowDist / (2.5 * width)) * smoothstep(2, 9, rowSpacing);
        double glowCols = std::exp(-colDist / (2.5 * width)) * smoothstep(2, 9, colSpacing);
        double line = std::max(rows, cols);
        dst = dst + neon * (0.35 * std::max(glowRows, glowCols));
        c.blend(dst, mix(neon, rgb(1, 0.85, 1), 0.25), line);
        // The sun's broken reflection.
        double shimmer = smoothstep(0.45, 0.75, noise2(x * 0.02, dy * 0.35, 9));
        double refl = std::exp(-std::fabs(x - sunX) / 70) * std::exp(-dy / 110) * shimmer;
        dst = dst + hex(0xff8a5c) * (0.55 * refl);
    });
    // Horizon glow.
    c.forEach(0, horizon - 30, kScreenW, horizon + 30, [&](double, double y, Rgb& dst) {
        dst = dst + hex(0xff5fa8) * (0.7 * std::exp(-std::fabs(y - horizon) / 3.5));
    });
}

// ---------------------------------------------------------------- slide 1

void pinePad(Canvas& c, Random& rng, double cx, double cy, double w, double h, const Rgb& ink) {
    // A flat-bottomed cushion of needles, as a brush paints a pine.
    std::vector<double> outline;
    const int steps = 20;
    for (int i = 0; i <= steps; ++i) {
        double a = kPi * i / steps;
        outline.push_back(cx + std::cos(a) * w / 2);
        outline.push_back(cy - std::sin(a) * h);
    }
    c.fillConvex(outline, ink, 0.92);
    // Needle tufts bristling from the upper edge.
    for (int i = 0; i < 70; ++i) {
        double a = rng.range(0.05, kPi - 0.05);
        double ex = cx + std::cos(a) * w / 2 * 0.97, ey = cy - std::sin(a) * h * 0.97;
        double dir = -kPi / 2 + (a - kPi / 2) * -1.1 + rng.range(-0.35, 0.35);
        double len = rng.range(5, 12);
        c.line(ex, ey, ex + std::cos(dir) * len, ey + std::sin(dir) * len, 1.4, ink, 0.85);
    }
    // Paler needle texture inside, so the pad is not a flat blot.
    for (int i = 0; i < 18; ++i) {
        double x = cx + rng.range(-0.38, 0.38) * w, y = cy - rng.range(0.15, 0.6) * h;
        c.line(x - 6, y + 3, x + 6, y - 3, 1.2, rgb(0.3, 0.3, 0.3), 0.5);
    }
}

void drawInkMountains(Canvas& c) {
    const double sunX = 720, sunY = 205, sunR = 92;
    c.forAll([&](double x, double y, Rgb& dst) {
        double t = clamp01((y + 128) / 700);
        double v = 0.80 + 0.17 * std::sqrt(t);
        v += 0.025 * (fbm2(x * 0.01, y * 0.01, 4, 3) - 0.5);  // paper grain
        dst = rgb(v, v, v);
    });
    double px = c.pixel();
    // Dark sun, crossed by thin drifting cloud streaks.
    c.forEach(sunX - sunR - 2, sunY - sunR - 2, sunX + sunR + 2, sunY + sunR + 2,
              [&](double x, double y, Rgb& dst) {
                  double d = std::hypot(x - sunX, y - sunY) - sunR;
                  double streak = smoothstep(0.55, 0.8, fbm2(x * 0.004, y * 0.06, 4, 14));
                  c.blend(dst, rgb(0.22, 0.22, 0.22), coverage(d, px) * (1 - 0.8 * streak));
              });

    const int layers = 6;
    for (int i = 0; i < layers; ++i) {
        double base = 395 + i * 68;
        double amp = 165 - i * 16;
        double freq = 0.0032 + i * 0.0009;
        uint32_t seed = 100 + uint32_t(i) * 7;
        double ink = 0.74 - i * 0.13;
        double mistLen = 70 + i * 18;
        bool last = i == layers - 1;
        Ridge ridge = [=](double x) {
            double r = ridged(x * freq + i * 5.3, seed, 6);
            return base - amp * r * r;
        };
        fillBelow(c, ridge, c.screenBottom(), [&](double x, double y, double depth) {
            double streaks = 0.035 * (fbm2(x * 0.018, y * 0.004, 3, seed + 1) - 0.5);
            // Mist lies in level banks, so it is measured from the layer's
            // base line, not from the ridge above each column.
            double mist = last ? 0.0 : smoothstep(base - amp * 0.35, base + mistLen, y);
            double edge = 0.1 * std::exp(-depth / 3);
            double v = ink + (0.93 - ink) * 0.85 * mist + streaks - edge;
            return rgb(v, v, v);
        });
    }

    // A pine leaning out from the nearest ridge.
    const Rgb ink = rgb(0.05, 0.05, 0.05);
    Random rng(7);
    double bx = 178, by = 735;
    double tx = 262, ty = 455;
    int segments = 14;
    for (int s = 0; s < segments; ++s) {
        double a = double(s) / segments, b = double(s + 1) / segments;
        auto pos = [&](double t, double& x, double& y) {
            x = bx + (tx - bx) * t + 38 * std::sin(t * kPi * 1.3);
            y = by + (ty - by) * t;
        };
        double x0, y0, x1, y1;
        pos(a, x0, y0);
        pos(b, x1, y1);
        c.line(x0, y0, x1, y1, 16 - 11 * a, ink);
    }
    struct Pad {
        double t, dx, w, h;
    };
    const Pad pads[] = {{0.35, -70, 130, 34},
                        {0.5, 90, 170, 40},
                        {0.68, -60, 150, 38},
                        {0.82, 70, 140, 34},
                        {1.0, 0, 120, 40}};
    for (const Pad& p : pads) {
        double x = bx + (tx - bx) * p.t + 38 * std::sin(p.t * kPi * 1.3);
        double y = by + (ty - by) * p.t;
        c.line(x, y, x + p.dx, y - 12, 5, ink);
        pinePad(c, rng, x + p.dx, y - 8, p.w, p.h, ink);
    }

    // Birds far off, between the sun and the pine.
    Random birds(3);
    for (int i = 0; i < 6; ++i) {
        double x = 420 + birds.range(0, 200), y = 150 + birds.range(0, 110);
        double s = birds.range(7, 12);
        c.line(x - s, y - s * 0.35, x, y, 1.8, ink, 0.8);
        c.line(x, y, x + s * 0.9, y - s * 0.45, 1.8, ink, 0.8);
    }
}

// ---------------------------------------------------------------- slide 2

void thornBranch(Canvas& c, Random& rng, double x, double y, double angle, double len, double width,
                 int depth, const Rgb& col) {
    double ex = x + std::cos(angle) * len, ey = y + std::sin(angle) * len;
    // Slight bend: two segments.
    double bend = rng.range(-0.25, 0.25);
    double mx = x + std::cos(angle + bend) * len * 0.5, my = y + std::sin(angle + bend) * len * 0.5;
    c.line(x, y, mx, my, width, col);
    c.line(mx, my, ex, ey, width * 0.8, col);
    int thorns = int(len / 14);
    for (int i = 0; i < thorns; ++i) {
        double t = rng.range(0.1, 0.95);
        double tx = t < 0.5 ? x + (mx - x) * t * 2 : mx + (ex - mx) * (t - 0.5) * 2;
        double ty = t < 0.5 ? y + (my - y) * t * 2 : my + (ey - my) * (t - 0.5) * 2;
        double side = rng.uniform() < 0.5 ? -1 : 1;
        double ta = angle + side * rng.range(0.7, 1.2) - 0.3 * side;
        double tl = rng.range(5, 11) * std::min(1.0, width / 3 + 0.4);
        c.line(tx, ty, tx + std::cos(ta) * tl, ty + std::sin(ta) * tl, std::max(0.9, width * 0.35),
               col);
    }
    if (depth == 0) return;
    int children = rng.uniform() < 0.35 ? 3 : 2;
    for (int k = 0; k < children; ++k) {
        double spread = rng.range(0.3, 0.75) * (k % 2 ? 1 : -1);
        if (children == 3 && k == 2) spread = rng.range(-0.15, 0.15);
        thornBranch(c, rng, ex, ey, angle + spread, len * rng.range(0.62, 0.78), width * 0.66,
                    depth - 1, col);
    }
}

void drawAuroraForest(Canvas& c) {
    const double ground = 640;
    c.forAll([&](double, double y, Rgb& dst) {
        dst = gradient({{-128, hex(0x010208)}, {300, hex(0x03101c)}, {ground, hex(0x0a2a33)}}, y);
    });
    Random rng(5);
    stars(c, rng, 700, -128, ground - 40, hex(0xb8d8ff));

    // Crescent moon.
    c.glow(846, 92, 120, hex(0x4a7a8a), 0.35);
    c.forEach(810, 56, 882, 128, [&](double x, double y, Rgb& dst) {
        double lit = coverage(std::hypot(x - 846, y - 92) - 30, c.pixel());
        double shadow = coverage(std::hypot(x - 860, y - 84) - 27, c.pixel());
        c.blend(dst, hex(0xf2f5e6), lit * (1 - shadow));
    });

    // Aurora curtains: a sharp lower hem, a long fade upwards, fine rays.
    struct Curtain {
        double base, tilt, amp, phase, len, gain;
        uint32_t seed;
    };
    // Two ribbons that cross, so the dark sky between them never closes
    // into a shape that reads as hills.
    const Curtain curtains[] = {{150, 0.24, 45, 0.0, 150, 1.0, 31},
                                {390, -0.2, 35, 2.3, 100, 0.55, 47}};
    for (const Curtain& k : curtains) {
        c.forEach(0, -128, kScreenW, ground, [&](double x, double y, Rgb& dst) {
            double hem = k.base + k.tilt * x + k.amp * std::sin(x * 0.0058 + k.phase) +
                         22 * std::sin(x * 0.023 + 2 * k.phase) +
                         50 * (noise1(x * 0.006, k.seed) - 0.5);
            double up = hem - y;
            // A sharp hem with a faint glow under it.
            double profile =
                up >= 0 ? std::exp(-up / k.len) : 0.7 * std::exp(up / 6) + 0.3 * std::exp(up / 70);
            if (profile < 0.002) return;
            // Bright and dim stretches along the curtain, fine rays within.
            double stretch = 0.15 + 0.85 * smoothstep(0.25, 0.7, noise1(x * 0.0035, k.seed + 4));
            double rays = 0.35 + 0.65 * std::pow(noise1(x * 0.16 + up * 0.004, k.seed + 1), 3) +
                          0.35 * noise1(x * 0.03, k.seed + 2);
            double fold = 0.6 + 0.4 * noise1(x * 0.008 + y * 0.002, k.seed + 3);
            Rgb col = gradient({{0, hex(0x5dffa8)}, {0.4, hex(0x22d6a0)}, {1, hex(0x8a4dff)}},
                               clamp01(up / (2.2 * k.len)));
            dst = dst + col * (k.gain * profile * rays * fold * stretch);
        });
    }

    // Mist over the plain, lit green from above.
    c.forEach(0, ground - 120, kScreenW, ground + 40, [&](double x, double y, Rgb& dst) {
        double m = fbm2(x * 0.006, y * 0.03, 4, 61);
        double band = std::exp(-std::fabs(y - (ground - 30)) / 45);
        c.blend(dst, hex(0x2f6b68), 0.55 * band * smoothstep(0.35, 0.75, m));
    });

    // Far trees, grey in the mist.
    Random trees(9);
    const Rgb farCol = hex(0x0d2a30);
    for (int i = 0; i < 9; ++i) {
        double x = 40 + i * 118 + trees.range(-30, 30);
        thornBranch(c, trees, x, ground + 6, -kPi / 2 + trees.range(-0.1, 0.1), trees.range(45, 70),
                    5, 4, farCol);
    }

    // Ash plain.
    Ridge plain = [&](double x) { return ground + 14 * (noise1(x * 0.01, 71) - 0.5); };
    fillBelow(c, plain, c.screenBottom(), [&](double x, double y, double depth) {
        Rgb base = mix(hex(0x1e3a40), hex(0x05090c), clamp01(depth / 160));
        double sheen = 0.12 * std::exp(-depth / 25) * (0.5 + noise2(x * 0.02, y * 0.2, 72));
        return base + hex(0x4dffa0) * sheen;
    });

    // Near thorn trees, black against the veil.
    const Rgb black = hex(0x010203);
    struct Tree {
        double x, len, width, lean;
        int depth;
    };
    const Tree near[] = {{95, 125, 15, 0.12, 6},
                         {300, 95, 11, -0.08, 5},
                         {640, 80, 9, 0.05, 5},
                         {905, 135, 16, -0.15, 6},
                         {470, 55, 6, 0.0, 4}};
    for (const Tree& t : near)
        thornBranch(c, trees, t.x, ground + 30, -kPi / 2 + t.lean, t.len, t.width, t.depth, black);
    // Bramble along the foot of the trees.
    for (int i = 0; i < 60; ++i) {
        double x = trees.range(0, kScreenW), y = ground + trees.range(20, 60);
        thornBranch(c, trees, x, y, -kPi / 2 + trees.range(-1.2, 1.2), trees.range(12, 30), 2.5, 1,
                    black);
    }
}

// ---------------------------------------------------------------- slide 3

struct Iso {
    double cx, cy, a;
    void project(double X, double Y, double Z, double& sx, double& sy) const {
        sx = cx + (X - Y) * a * 0.8660254037844386;
        sy = cy + (X + Y) * a * 0.5 - Z * a;
    }
};

// Fills the parallelogram origin + u*e1 + v*e2 (u, v in 0..1) with
// shade(u, v), anti-aliased along its edges.
void fillFace(Canvas& c, const Iso& iso, const double o[3], const double e1[3], const double e2[3],
              const std::function<Rgb(double, double)>& shade) {
    double ox, oy, ax, ay, bx, by;
    iso.project(o[0], o[1], o[2], ox, oy);
    iso.project(o[0] + e1[0], o[1] + e1[1], o[2] + e1[2], ax, ay);
    iso.project(o[0] + e2[0], o[1] + e2[1], o[2] + e2[2], bx, by);
    ax -= ox;
    ay -= oy;
    bx -= ox;
    by -= oy;
    double det = ax * by - ay * bx;
    if (std::fabs(det) < 1e-9) return;
    double la = std::hypot(ax, ay), lb = std::hypot(bx, by);
    double px = c.pixel();
    double minX = std::min({ox, ox + ax, ox + bx, ox + ax + bx});
    double maxX = std::max({ox, ox + ax, ox + bx, ox + ax + bx});
    double minY = std::min({oy, oy + ay, oy + by, oy + ay + by});
    double maxY = std::max({oy, oy + ay, oy + by, oy + ay + by});
    c.forEach(minX - 1, minY - 1, maxX + 1, maxY + 1, [&](double x, double y, Rgb& dst) {
        double rx = x - ox, ry = y - oy;
        double u = (rx * by - ry * bx) / det;
        double v = (ax * ry - ay * rx) / det;
        // Distances (screen pixels) outside each pair of edges.
        double du = std::max(-u, u - 1) * std::fabs(det) / lb;
        double dv = std::max(-v, v - 1) * std::fabs(det) / la;
        double a = coverage(std::max(du, dv), px);
        if (a > 0) c.blend(dst, shade(clamp01(u), clamp01(v)), a);
    });
}

void drawFloatingTown(Canvas& c) {
    // Bright day sky with soft clouds.
    c.forAll([&](double x, double y, Rgb& dst) {
        dst = gradient({{-128, hex(0x1f7fd6)}, {350, hex(0x63b8f2)}, {896, hex(0xd4f1ff)}}, y);
        double cl = fbm2(x * 0.004, y * 0.009, 6, 88);
        double amount = smoothstep(0.5, 0.72, cl) * (0.4 + 0.6 * smoothstep(0, 800, y));
        c.blend(dst, mix(rgb(1, 1, 1), hex(0xc9def0), clamp01((cl - 0.6) * 3)), amount);
    });
    c.glow(900, 40, 360, hex(0xfff3c4), 0.6);
    c.fillCircle(900, 40, 46, hex(0xfffbe8));

    const int n = 6;
    const Iso iso{512, 250, 60};
    const double slab = 0.55;

    // Rock hanging under the island, in jagged facets.
    double lx, ly, fx, fy, rx, ry;
    iso.project(0, n, -slab, lx, ly);
    iso.project(n, n, -slab, fx, fy);
    iso.project(n, 0, -slab, rx, ry);
    Random rock(21);
    const int steps = 10;
    std::vector<double> edgeX, edgeY;
    for (int i = 0; i <= steps; ++i) {
        // The two ends stay on the slab's corners; the points between are
        // jittered into a broken outline.
        double t = double(i) / steps;
        bool corner = i == 0 || i == steps;
        double jagY = corner ? 0 : rock.range(-28, 28);
        double jagX = corner ? 0 : rock.range(-8, 8);
        edgeX.push_back(lx + (rx - lx) * t + jagX);
        edgeY.push_back(ly + (fy + 300 - ly) * std::pow(std::sin(kPi * t), 1.3) + jagY);
    }
    for (int i = 0; i < steps; ++i) {
        double mid = (i + 0.5) / steps;
        double shade = mid < 0.5 ? 0.62 + 0.1 * rock.uniform() : 0.85 + 0.12 * rock.uniform();
        Rgb col = hex(0x8a5a3c) * shade;
        c.fillConvex({fx, fy, edgeX[i], edgeY[i], edgeX[i + 1], edgeY[i + 1]}, col);
    }
    // Strata lines across the rock.
    for (int k = 1; k < 5; ++k) {
        for (int i = 0; i < steps; ++i) {
            double t = k / 5.0;
            c.line(fx + (edgeX[i] - fx) * t, fy + (edgeY[i] - fy) * t, fx + (edgeX[i + 1] - fx) * t,
                   fy + (edgeY[i + 1] - fy) * t, 1.5, hex(0x5e3a24), 0.5);
        }
    }

    // The slab: earth sides and a grass top in tiles.
    const double left[3] = {0, n, -slab}, right[3] = {n, 0, -slab};
    const double alongX[3] = {n, 0, 0}, alongY[3] = {0, n, 0}, up[3] = {0, 0, slab};
    fillFace(c, iso, left, alongX, up, [&](double u, double v) {
        Rgb earth = hex(0x8c5a36) * (0.78 + 0.06 * noise1(u * 40, 5));
        return v > 0.78 ? hex(0x4f9a3a) : earth;
    });
    fillFace(c, iso, right, alongY, up, [&](double u, double v) {
        Rgb earth = hex(0xb07848) * (0.95 + 0.06 * noise1(u * 40, 6));
        return v > 0.78 ? hex(0x6cc04c) : earth;
    });
    const double top[3] = {0, 0, 0};
    fillFace(c, iso, top, alongX, alongY, [&](double u, double v) {
        int tx = int(u * n * 2), ty = int(v * n * 2);
        double checker = ((tx + ty) & 1) ? 1.0 : 0.93;
        return hex(0x86d05a) * checker;
    });

    // Waterfall from the front edge.
    double wx, wy;
    iso.project(n, n * 0.62, 0, wx, wy);
    c.forEach(wx - 14, wy, wx + 20, 900, [&](double x, double y, Rgb& dst) {
        double spread = 9 + (y - wy) * 0.03;
        double d = std::fabs(x - (wx + 3)) - spread;
        double fall = coverage(d, c.pixel()) * (1 - smoothstep(wy + 200, wy + 480, y));
        double streak = 0.75 + 0.25 * noise2(x * 0.4, y * 0.02, 99);
        c.blend(dst, mix(hex(0xbfe6ff), rgb(1, 1, 1), streak - 0.5), fall * 0.92);
    });

    // Houses and trees, back to front.
    Random town(42);
    const Rgb walls[] = {hex(0xf4e3c1), hex(0xe07a5f), hex(0x3d9a9b),
                         hex(0xf2cc8f), hex(0xb8a1d9), hex(0xf6f1e9)};
    int height[n][n];
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            double centre = 1 - std::hypot(i - 2.5, j - 2.5) / 3.6;
            double r = town.uniform();
            height[i][j] = r < 0.22 ? 0 : 1 + int(std::floor(centre * 3.2 + town.uniform() * 1.6));
        }
    for (int s = 0; s <= 2 * (n - 1); ++s)
        for (int i = 0; i < n; ++i) {
            int j = s - i;
            if (j < 0 || j >= n) continue;
            int h = height[i][j];
            if (h == 0) {
                double tx, ty;
                iso.project(i + 0.5, j + 0.5, 0, tx, ty);
                c.line(tx, ty, tx, ty - 26, 6, hex(0x6b4226));
                c.fillCircle(tx, ty - 40, 21, hex(0x2f7d32));
                c.fillCircle(tx + 5, ty - 45, 13, hex(0x4caf50));
                continue;
            }
            Rgb wall = walls[town.next() % 6];
            double x0 = i + 0.12, y0 = j + 0.12, w = 0.76;
            const double o1[3] = {x0, y0 + w, 0}, o2[3] = {x0 + w, y0, 0},
                         o3[3] = {x0, y0, double(h)};
            const double ex[3] = {w, 0, 0}, ey[3] = {0, w, 0}, ez[3] = {0, 0, double(h)};
            auto windows = [&](double shadeFactor) {
                return [=](double u, double v) {
                    double floorV = v * h, cellU = u * 3;
                    double fu = cellU - std::floor(cellU), fv = floorV - std::floor(floorV);
                    bool glass = fu > 0.28 && fu < 0.72 && fv > 0.3 && fv < 0.72;
                    if (glass)
                        return mix(hex(0x244a6b), hex(0x9fd3ff), 0.35 + 0.4 * fv) * shadeFactor;
                    return wall * shadeFactor;
                };
            };
            fillFace(c, iso, o1, ex, ez, windows(0.72));
            fillFace(c, iso, o2, ey, ez, windows(0.9));
            fillFace(c, iso, o3, ex, ey, [&](double u, double v) {
                bool rim = u < 0.08 || u > 0.92 || v < 0.08 || v > 0.92;
                return rim ? wall * 1.05 : wall * 0.88;
            });
        }

    // A few clouds drifting in front of the rock: puffs over a flat,
    // shaded underside.
    Random clouds(17);
    const double cloudAt[3][2] = {{170, 690}, {560, 735}, {860, 660}};
    for (const auto& at : cloudAt) {
        std::vector<double> px, py, pr;
        for (int i = 0; i < 16; ++i) {
            double u = clouds.range(-1, 1);
            double r = 14 + 22 * (1 - u * u) * clouds.range(0.7, 1.0);
            px.push_back(at[0] + u * 95);
            py.push_back(at[1] - r * clouds.range(0.2, 0.7));
            pr.push_back(r);
        }
        for (int i = 0; i < 16; ++i) c.fillCircle(px[i], py[i] + 5, pr[i], hex(0xb9cfe0));
        for (int i = 0; i < 16; ++i)
            c.fillCircle(px[i] - 2, py[i] - 2, pr[i] * 0.92, hex(0xfdfeff));
    }
}

struct SlideLayout {
    const char* name;
    int width, height, channels;
    void (*draw)(Canvas&);
};

// Sizes and channels chosen so that the four files cover the decoder's
// cases between them; the JPEG options go with them in make-assets.sh.
const SlideLayout kLayouts[kSlideCount] = {
    {"slide0.ppm", 1024, 768, 3, drawSunset},
    {"slide1.pgm", 1024, 768, 1, drawInkMountains},
    {"slide2.ppm", 1024, 768, 3, drawAuroraForest},
    {"slide3.ppm", 1000, 750, 3, drawFloatingTown},
};

}  // namespace

Picture drawSlide(int slide) {
    const SlideLayout& l = kLayouts[slide];
    Placement place = slidePlacement(slide);
    Canvas canvas(int(kScreenW), int(place.height), place.top, kSupersample);
    l.draw(canvas);
    Picture p;
    p.name = l.name;
    p.width = l.width;
    p.height = l.height;
    p.channels = l.channels;
    p.pixels = canvas.resample(l.width, l.height, l.channels, place.firstRowAtBottom);
    return p;
}

}  // namespace assets
