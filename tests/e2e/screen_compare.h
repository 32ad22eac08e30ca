#pragma once
#include <cstdint>
#include <string>
#include <vector>

// What the end-to-end tests know about the show's picture: the expected
// 1024x768 screen for each slide, computed from the decoder's own output and
// the slide corner table, and a coarse comparison with a screenshot that
// tolerates filtering differences but not a wrong slide or orientation.

// An 8-bit picture, rows top first, 1 (grey), 3 (RGB) or 4 (RGBA) channels.
struct Picture {
    int width = 0;
    int height = 0;
    int channels = 0;
    std::vector<uint8_t> pixels;

    // Red, green and blue of one pixel (grey repeated; alpha dropped).
    void rgb(int x, int y, double out[3]) const;
};

// Reads binary PGM (P5), PPM (P6) or PAM (P7) with maxval 255.
bool readNetpbm(const std::string& path, Picture& out, std::string& error);
bool parseNetpbm(const std::vector<uint8_t>& bytes, Picture& out, std::string& error);
bool writePpm(const std::string& path, const Picture& picture);

// The quad of one slide in view coordinates: x runs from -1 to 1, y from
// yFirst (where the image's first row goes) to yLast. The view spans
// [-1,1] x [-r,r] with r = height/width.
struct SlideQuad {
    double yFirst;
    double yLast;
};
bool slideQuad(int slide, double r, SlideQuad& quad);

// The screen the show should present for a slide: every pixel centre mapped
// through the quad to the image and sampled bilinearly (texel centres at
// half-integers, edges clamped), as GL's linear filter does. Pixels outside
// the quad stay black. RGB.
Picture renderSlide(const Picture& image, int slide, int screenWidth, int screenHeight);

// Mean absolute difference per channel (0..255) of the two pictures'
// block averages over block x block squares: small for the same picture
// under different filtering, large for different pictures. Both must have
// the same size.
double coarseDifference(const Picture& a, const Picture& b, int block);

// Per-channel standard deviation of a picture, the largest of the three:
// near 0 for a screen of one colour.
double largestChannelSpread(const Picture& picture);

struct SlideMatch {
    std::vector<double> differences;  // coarseDifference against each candidate
    int closest = -1;
    bool accepted = false;
};

// Compares with 16x16 blocks. Accepts when the wanted candidate is within `threshold` and every
// other candidate is at least `margin` further away than the wanted one.
SlideMatch matchSlide(const Picture& shot, const std::vector<Picture>& candidates, int wanted,
                      double threshold, double margin);

// Loudness of raw audio read as signed 16-bit little-endian samples (the
// mixer's usual output format; any other format read this way still shows
// as loud when it carries sound).
struct AudioLevel {
    size_t samples = 0;
    double rms = 0;
    int peak = 0;
    double nonZeroFraction = 0;
};
AudioLevel measureAudio(const std::vector<uint8_t>& raw);
