// The show's music: a small synthesiser that renders one fixed piece.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace assets {

constexpr int kSampleRate = 44100;

struct Stereo {
    std::vector<double> left, right;
    size_t frames() const { return left.size(); }
};

// About a minute of music in A minor at 120 beats a minute, so that every
// ten-second slide lasts exactly five bars. Normalised to a peak of -1 dBFS.
Stereo composeSoundtrack();

// 16-bit PCM stereo WAV, samples clamped to [-1, 1].
bool writeWav(const std::string& path, const Stereo& sound);

}  // namespace assets
