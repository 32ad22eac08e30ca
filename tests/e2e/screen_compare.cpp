#include "screen_compare.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>

void Picture::rgb(int x, int y, double out[3]) const {
    const uint8_t* p = &pixels[(static_cast<size_t>(y) * width + x) * channels];
    for (int c = 0; c < 3; ++c) out[c] = p[channels >= 3 ? c : 0];
}

namespace {

// Netpbm header token reader: skips white space and # comments.
struct HeaderReader {
    const std::vector<uint8_t>& bytes;
    size_t pos = 0;

    void skipSpace() {
        while (pos < bytes.size()) {
            if (bytes[pos] == '#') {
                while (pos < bytes.size() && bytes[pos] != '\n') ++pos;
            } else if (std::isspace(bytes[pos])) {
                ++pos;
            } else {
                break;
            }
        }
    }
    std::string token() {
        skipSpace();
        std::string t;
        while (pos < bytes.size() && !std::isspace(bytes[pos]))
            t += static_cast<char>(bytes[pos++]);
        return t;
    }
    bool number(int& value) {
        std::string t = token();
        if (t.empty() || t.size() > 9) return false;
        for (char c : t)
            if (!std::isdigit(static_cast<unsigned char>(c))) return false;
        value = std::stoi(t);
        return true;
    }
};

}  // namespace

bool parseNetpbm(const std::vector<uint8_t>& bytes, Picture& out, std::string& error) {
    HeaderReader in{bytes};
    std::string magic = in.token();
    int width = 0, height = 0, depth = 0, maxval = 0;
    if (magic == "P5" || magic == "P6") {
        depth = magic == "P5" ? 1 : 3;
        if (!in.number(width) || !in.number(height) || !in.number(maxval)) {
            error = "bad header";
            return false;
        }
        ++in.pos;  // the single white-space byte before the raster
    } else if (magic == "P7") {
        for (;;) {
            std::string key = in.token();
            if (key == "ENDHDR") break;
            if (key.empty()) {
                error = "PAM header without ENDHDR";
                return false;
            }
            if (key == "TUPLTYPE") {
                in.token();
                continue;
            }
            int value = 0;
            if (!in.number(value)) {
                error = "bad PAM field " + key;
                return false;
            }
            if (key == "WIDTH") width = value;
            if (key == "HEIGHT") height = value;
            if (key == "DEPTH") depth = value;
            if (key == "MAXVAL") maxval = value;
        }
        while (in.pos < bytes.size() && bytes[in.pos] != '\n') ++in.pos;
        ++in.pos;
    } else {
        error = "not a binary PGM, PPM or PAM file";
        return false;
    }
    if (width <= 0 || height <= 0 || (depth != 1 && depth != 3 && depth != 4) || maxval != 255) {
        error = "unsupported size, depth or maxval";
        return false;
    }
    size_t need = static_cast<size_t>(width) * height * depth;
    if (in.pos > bytes.size() || bytes.size() - in.pos < need) {
        error = "raster shorter than the header says";
        return false;
    }
    out.width = width;
    out.height = height;
    out.channels = depth;
    out.pixels.assign(bytes.begin() + in.pos, bytes.begin() + in.pos + need);
    return true;
}

bool readNetpbm(const std::string& path, Picture& out, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot open " + path;
        return false;
    }
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                               std::istreambuf_iterator<char>());
    return parseNetpbm(bytes, out, error);
}

bool writePpm(const std::string& path, const Picture& picture) {
    std::ofstream file(path, std::ios::binary);
    if (!file) return false;
    file << "P6\n" << picture.width << ' ' << picture.height << "\n255\n";
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            double c[3];
            picture.rgb(x, y, c);
            for (double v : c) file.put(static_cast<char>(static_cast<uint8_t>(v)));
        }
    }
    return static_cast<bool>(file);
}

bool slideQuad(int slide, double r, SlideQuad& quad) {
    switch (slide) {
        case 0: {
            // Slide 0 uses the ratio in single precision.
            double rf = static_cast<float>(r);
            quad = {-rf, rf};
            return true;
        }
        case 1:
        case 3:
            quad = {-1.0, 1.0};
            return true;
        case 2:
            quad = {1.0, -1.0};
            return true;
        default:
            return false;
    }
}

namespace {

// GL_LINEAR at image coordinates (u, v) measured in pixels, texel centres
// at half-integers; clamped at the edges.
void sampleBilinear(const Picture& image, double u, double v, double out[3]) {
    double fx = u - 0.5, fy = v - 0.5;
    int x0 = static_cast<int>(std::floor(fx)), y0 = static_cast<int>(std::floor(fy));
    double ax = fx - x0, ay = fy - y0;
    auto clampX = [&](int x) { return std::min(std::max(x, 0), image.width - 1); };
    auto clampY = [&](int y) { return std::min(std::max(y, 0), image.height - 1); };
    double p00[3], p10[3], p01[3], p11[3];
    image.rgb(clampX(x0), clampY(y0), p00);
    image.rgb(clampX(x0 + 1), clampY(y0), p10);
    image.rgb(clampX(x0), clampY(y0 + 1), p01);
    image.rgb(clampX(x0 + 1), clampY(y0 + 1), p11);
    for (int c = 0; c < 3; ++c) {
        double top = p00[c] + (p10[c] - p00[c]) * ax;
        double bottom = p01[c] + (p11[c] - p01[c]) * ax;
        out[c] = top + (bottom - top) * ay;
    }
}

}  // namespace

Picture renderSlide(const Picture& image, int slide, int screenWidth, int screenHeight) {
    Picture screen;
    screen.width = screenWidth;
    screen.height = screenHeight;
    screen.channels = 3;
    screen.pixels.assign(static_cast<size_t>(screenWidth) * screenHeight * 3, 0);
    SlideQuad quad;
    double r = static_cast<double>(screenHeight) / screenWidth;
    if (!slideQuad(slide, r, quad) || image.width <= 0 || image.height <= 0) return screen;
    for (int py = 0; py < screenHeight; ++py) {
        // Screen row 0 is the top of the view, y = r.
        double y = r - (py + 0.5) * (2.0 * r) / screenHeight;
        double t = (y - quad.yFirst) / (quad.yLast - quad.yFirst);
        if (t < 0.0 || t > 1.0) continue;
        for (int px = 0; px < screenWidth; ++px) {
            double s = (px + 0.5) / screenWidth;  // x runs -1..1 over the whole width
            double c[3];
            sampleBilinear(image, s * image.width, t * image.height, c);
            uint8_t* out = &screen.pixels[(static_cast<size_t>(py) * screenWidth + px) * 3];
            for (int k = 0; k < 3; ++k) out[k] = static_cast<uint8_t>(std::lround(c[k]));
        }
    }
    return screen;
}

namespace {

std::vector<double> blockMeans(const Picture& p, int block) {
    int bw = (p.width + block - 1) / block, bh = (p.height + block - 1) / block;
    std::vector<double> sums(static_cast<size_t>(bw) * bh * 3, 0.0);
    std::vector<int> counts(static_cast<size_t>(bw) * bh, 0);
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
            size_t b = static_cast<size_t>(y / block) * bw + x / block;
            double c[3];
            p.rgb(x, y, c);
            for (int k = 0; k < 3; ++k) sums[b * 3 + k] += c[k];
            ++counts[b];
        }
    }
    for (size_t b = 0; b < counts.size(); ++b)
        for (int k = 0; k < 3; ++k) sums[b * 3 + k] /= counts[b];
    return sums;
}

}  // namespace

double coarseDifference(const Picture& a, const Picture& b, int block) {
    if (a.width != b.width || a.height != b.height || a.width <= 0 || a.height <= 0 || block <= 0)
        return 255.0;
    std::vector<double> ma = blockMeans(a, block), mb = blockMeans(b, block);
    double total = 0;
    for (size_t i = 0; i < ma.size(); ++i) total += std::fabs(ma[i] - mb[i]);
    return total / ma.size();
}

double largestChannelSpread(const Picture& p) {
    if (p.width <= 0 || p.height <= 0) return 0;
    double sum[3] = {0, 0, 0}, sumSq[3] = {0, 0, 0};
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
            double c[3];
            p.rgb(x, y, c);
            for (int k = 0; k < 3; ++k) {
                sum[k] += c[k];
                sumSq[k] += c[k] * c[k];
            }
        }
    }
    double n = static_cast<double>(p.width) * p.height, worst = 0;
    for (int k = 0; k < 3; ++k) {
        double mean = sum[k] / n;
        worst = std::max(worst, std::sqrt(std::max(0.0, sumSq[k] / n - mean * mean)));
    }
    return worst;
}

SlideMatch matchSlide(const Picture& shot, const std::vector<Picture>& candidates, int wanted,
                      double threshold, double margin) {
    SlideMatch m;
    for (const Picture& c : candidates) m.differences.push_back(coarseDifference(shot, c, 16));
    if (m.differences.empty()) return m;
    m.closest = static_cast<int>(std::min_element(m.differences.begin(), m.differences.end()) -
                                 m.differences.begin());
    if (wanted < 0 || wanted >= static_cast<int>(candidates.size())) return m;
    double want = m.differences[wanted];
    m.accepted = want <= threshold;
    for (size_t i = 0; i < m.differences.size(); ++i)
        if (static_cast<int>(i) != wanted && m.differences[i] < want + margin) m.accepted = false;
    return m;
}

AudioLevel measureAudio(const std::vector<uint8_t>& raw) {
    AudioLevel level;
    level.samples = raw.size() / 2;
    if (level.samples == 0) return level;
    double sumSq = 0;
    size_t nonZero = 0;
    for (size_t i = 0; i < level.samples; ++i) {
        int v = static_cast<int16_t>(raw[2 * i] | (raw[2 * i + 1] << 8));
        sumSq += static_cast<double>(v) * v;
        level.peak = std::max(level.peak, std::abs(v));
        if (v != 0) ++nonZero;
    }
    level.rms = std::sqrt(sumSq / level.samples);
    level.nonZeroFraction = static_cast<double>(nonZero) / level.samples;
    return level;
}
