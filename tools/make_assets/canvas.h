// Drawing surface for the generated slide pictures.
//
// Scenes are drawn in screen pixels (the show's screen is 1024 x 768, y
// downwards, square pixels) onto a supersampled floating-point canvas that
// covers the part of the screen the slide's quad spans. The canvas is then
// box-filtered down to the picture file's size and, for slides whose first
// image row is shown at the bottom, flipped. That way a scene is composed as
// it will look on screen, whatever size and orientation its file has.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace assets {

struct Rgb {
    double r = 0, g = 0, b = 0;
};

inline Rgb rgb(double r, double g, double b) { return Rgb{r, g, b}; }
inline Rgb hex(uint32_t c) {
    return Rgb{((c >> 16) & 255) / 255.0, ((c >> 8) & 255) / 255.0, (c & 255) / 255.0};
}
Rgb mix(const Rgb& a, const Rgb& b, double t);
Rgb operator+(const Rgb& a, const Rgb& b);
Rgb operator*(const Rgb& a, double s);

double clamp01(double v);
double smoothstep(double e0, double e1, double x);
// Fraction of a pixel covered, given the signed distance (screen pixels,
// negative inside) from the pixel centre to a shape's edge.
double coverage(double signedDistance, double pixelSize);

// Deterministic hashing and value noise: the pictures must come out the same
// on every run and every machine, so nothing here uses library randomness.
uint32_t hash32(uint32_t x);
double hash01(int32_t x, int32_t y, uint32_t seed);
double noise1(double x, uint32_t seed);
double noise2(double x, double y, uint32_t seed);
double fbm2(double x, double y, int octaves, uint32_t seed);

class Random {
public:
    explicit Random(uint64_t seed) : state_(seed * 2 + 1) {}
    uint32_t next();
    double uniform();  // [0, 1)
    double range(double lo, double hi) { return lo + (hi - lo) * uniform(); }

private:
    uint64_t state_;
};

// How a slide's quad lies on the screen.
struct Placement {
    double top;     // screen y of the quad's upper edge
    double height;  // screen height of the quad
    bool firstRowAtBottom;
};
// Slide 0 fills the screen; slides 1 to 3 span 1024 x 1024 screen pixels
// centred on it, an eighth of their height hanging off at the top and bottom.
Placement slidePlacement(int slide);

class Canvas {
public:
    // width x height screen pixels starting at screen y = top, each drawn
    // with supersample x supersample canvas pixels.
    Canvas(int width, int height, double top, int supersample);

    int pixelWidth() const { return w_; }
    int pixelHeight() const { return h_; }
    double screenTop() const { return top_; }
    double screenBottom() const { return top_ + h_ / double(ss_); }
    // Size of one canvas pixel in screen pixels, for anti-aliasing widths.
    double pixel() const { return 1.0 / ss_; }

    Rgb& at(int x, int y) { return px_[size_t(y) * w_ + x]; }
    const Rgb& at(int x, int y) const { return px_[size_t(y) * w_ + x]; }

    // Calls f(screenX, screenY, colour) for every canvas pixel whose centre
    // lies in the screen rectangle; f may change the colour.
    void forEach(double x0, double y0, double x1, double y1,
                 const std::function<void(double, double, Rgb&)>& f);
    void forAll(const std::function<void(double, double, Rgb&)>& f);

    void blend(Rgb& dst, const Rgb& c, double alpha) const;
    void fillCircle(double cx, double cy, double radius, const Rgb& c, double alpha = 1.0);
    void glow(double cx, double cy, double radius, const Rgb& c, double strength);
    // A stroke with round ends, as from a round brush.
    void line(double x0, double y0, double x1, double y1, double width, const Rgb& c,
              double alpha = 1.0);
    // A convex polygon given clockwise or anticlockwise.
    void fillConvex(const std::vector<double>& xy, const Rgb& c, double alpha = 1.0);

    // Box-filtered down to an image of outW x outH pixels, 8 bits per
    // channel, RGB interleaved (channels 3) or luminance (channels 1); with
    // flip the canvas's bottom row becomes the image's first row.
    std::vector<uint8_t> resample(int outW, int outH, int channels, bool flip) const;

private:
    int w_, h_, ss_;
    double top_;
    std::vector<Rgb> px_;
};

// Binary PPM (channels 3) or PGM (channels 1).
bool writePnm(const std::string& path, int width, int height, int channels,
              const std::vector<uint8_t>& pixels);

}  // namespace assets
