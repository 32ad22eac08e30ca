#include "soundtrack.h"

#include "canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace assets {

namespace {

const double kPi = 3.14159265358979323846;
const double kBeat = 0.5;  // seconds, 120 beats a minute
const double kBar = 4 * kBeat;
const int kBars = 30;         // 60 s of arrangement
const double kLength = 61.5;  // the last chord rings out past the show's end

double midiHz(double note) { return 440.0 * std::pow(2.0, (note - 69) / 12); }

// Band-limited step correction for the saw and pulse oscillators, so that
// high notes do not alias into a hiss.
double polyBlep(double t, double dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1;
    }
    if (t > 1 - dt) {
        t = (t - 1) / dt;
        return t * t + t + t + 1;
    }
    return 0;
}

struct Osc {
    double phase = 0;
    double saw(double hz) {
        double dt = hz / kSampleRate;
        double v = 2 * phase - 1 - polyBlep(phase, dt);
        advance(dt);
        return v;
    }
    double pulse(double hz, double width) {
        double dt = hz / kSampleRate;
        double p2 = phase + (1 - width);
        p2 -= std::floor(p2);
        // Offset by the wave's mean so narrow pulses add no DC.
        double v =
            (phase < width ? 1.0 : -1.0) + polyBlep(phase, dt) - polyBlep(p2, dt) - (2 * width - 1);
        advance(dt);
        return v;
    }
    double sine(double hz) {
        double v = std::sin(2 * kPi * phase);
        advance(hz / kSampleRate);
        return v;
    }
    void advance(double dt) {
        phase += dt;
        phase -= std::floor(phase);
    }
};

struct Lowpass {
    double state = 0;
    double run(double x, double cutoffHz) {
        double a = 1 - std::exp(-2 * kPi * cutoffHz / kSampleRate);
        state += a * (x - state);
        return state;
    }
};

// A bus that notes are mixed into; effects run over whole buses.
struct Bus {
    Stereo s;
    Bus() {
        size_t n = size_t(kLength * kSampleRate);
        s.left.assign(n, 0.0);
        s.right.assign(n, 0.0);
    }
    // Adds a mono voice rendered by f(i, t) (sample index, seconds since the
    // note began) from time start for length seconds, panned -1..1.
    template <class F>
    void add(double start, double length, double pan, F f) {
        size_t first = size_t(std::max(0.0, start) * kSampleRate);
        size_t count = size_t(length * kSampleRate);
        double gl = std::cos((pan + 1) * kPi / 4), gr = std::sin((pan + 1) * kPi / 4);
        // The last 5 ms fade to silence, so that cutting a note's tail
        // never clicks.
        const double fade = 0.005 * kSampleRate;
        for (size_t i = 0; i < count && first + i < s.left.size(); ++i) {
            double v = f(double(i) / kSampleRate) * std::min(1.0, double(count - i) / fade);
            s.left[first + i] += v * gl;
            s.right[first + i] += v * gr;
        }
    }
};

// Attack, then hold until gate, then exponential release.
double envelope(double t, double attack, double gate, double release) {
    if (t < attack) return t / attack;
    if (t < gate) return 1;
    return std::exp(-(t - gate) / release);
}

// --- the score

struct Chord {
    int root;      // bass note
    int tones[3];  // pad voicing
};
// Am - F - C - G, one chord a bar.
const Chord kChords[4] = {
    {45, {57, 60, 64}}, {41, {57, 60, 65}}, {48, {55, 60, 64}}, {43, {55, 59, 62}}};

struct Note {
    int pitch;    // MIDI note, -1 for a rest
    int eighths;  // length
};
// Four-bar phrases over the chord loop.
const std::vector<Note> kThemeA = {{76, 2}, {69, 1}, {72, 1}, {76, 1}, {74, 1}, {72, 2},  // Am
                                   {69, 2}, {72, 1}, {77, 1}, {76, 2}, {72, 2},           // F
                                   {67, 2}, {72, 1}, {76, 1}, {79, 3}, {76, 1},           // C
                                   {74, 3}, {71, 1}, {67, 2}, {-1, 2}};                   // G
const std::vector<Note> kThemeA2 = {{76, 2}, {69, 1}, {72, 1}, {76, 1}, {74, 1}, {72, 2}, {69, 2},
                                    {72, 1}, {77, 1}, {76, 2}, {81, 2}, {79, 2}, {76, 1}, {72, 1},
                                    {79, 3}, {76, 1}, {74, 2}, {76, 2}, {71, 4}};
const std::vector<Note> kThemeB = {{81, 4}, {79, 2}, {76, 2}, {77, 6}, {76, 2},
                                   {76, 4}, {74, 2}, {72, 2}, {74, 4}, {71, 4}};

// The loop repeats, but the piece ends at home on A minor.
const Chord& chordAt(int bar) { return kChords[bar == kBars - 1 ? 0 : bar % 4]; }

bool between(int bar, int first, int last) { return bar >= first && bar <= last; }

void padVoices(Bus& bus) {
    for (int bar = 0; bar < kBars; ++bar) {
        const Chord& ch = chordAt(bar);
        bool last = bar == kBars - 1;
        double start = bar * kBar;
        double gate = last ? 1.5 * kBar : kBar;
        double open = 500 + 1700 * smoothstep(0, 10, bar) - 900 * smoothstep(26, 29, bar);
        for (int k = 0; k < 3; ++k) {
            const double detune[3] = {-0.08, 0.0, 0.08};
            for (int d = 0; d < 3; ++d) {
                Osc osc;
                osc.phase = hash01(bar, k * 3 + d, 4);
                Lowpass lp;
                double hz = midiHz(ch.tones[k] + detune[d]);
                bus.add(start, gate + 2.5, detune[d] * 9, [&](double t) {
                    double env = envelope(t, 0.5, gate, 0.6);
                    return 0.045 * env * lp.run(osc.saw(hz), open);
                });
            }
        }
        // A soft root an octave below the pad anchors the intro and ending.
        Osc sub;
        bus.add(start, gate + 2.5, 0, [&](double t) {
            return 0.06 * envelope(t, 0.4, gate, 0.5) * sub.sine(midiHz(ch.root + 12));
        });
    }
}

void arpeggio(Bus& bus) {
    const int pattern[8] = {0, 1, 2, 3, 4, 3, 2, 1};
    for (int bar = 2; bar < kBars; ++bar) {
        const Chord& ch = chordAt(bar);
        int notes[5] = {ch.tones[0] + 12, ch.tones[1] + 12, ch.tones[2] + 12, ch.tones[0] + 24,
                        ch.tones[1] + 24};
        double level = 0.11 * smoothstep(2, 4, bar) * (1 - 0.6 * smoothstep(27, 30, bar));
        for (int step = 0; step < 16; ++step) {
            double start = bar * kBar + step * kBeat / 4;
            int note = notes[pattern[step % 8]];
            double cutoff = 1800 + 1400 * std::sin(2 * kPi * (bar * 16 + step) / 64.0);
            Osc osc;
            Lowpass lp;
            double hz = midiHz(note);
            double pan = (step % 2) ? 0.45 : -0.45;
            bus.add(start, 0.5, pan, [&](double t) {
                double env = std::exp(-t / 0.09) * std::min(1.0, t / 0.003);
                return level * env * lp.run(osc.pulse(hz, 0.3), cutoff);
            });
        }
    }
}

void bassLine(Bus& bus) {
    for (int bar = 0; bar < kBars; ++bar) {
        if (!between(bar, 4, 15) && !between(bar, 20, 27)) continue;
        const Chord& ch = chordAt(bar);
        for (int e = 0; e < 8; ++e) {
            double start = bar * kBar + e * kBeat / 2;
            int note = ch.root + ((e == 3 || e == 7) ? 12 : 0);
            Osc a, b;
            Lowpass lp;
            double hz = midiHz(note);
            bus.add(start, 0.3, 0, [&](double t) {
                double env = envelope(t, 0.004, 0.18, 0.03);
                double cutoff = 220 + 1300 * std::exp(-t / 0.06);
                double v = 0.6 * a.saw(hz) + 0.4 * b.pulse(hz * 0.5, 0.5);
                return 0.32 * env * lp.run(v, cutoff);
            });
        }
    }
}

void lead(Bus& bus, const std::vector<Note>& theme, int firstBar, double level) {
    double t0 = firstBar * kBar;
    for (const Note& n : theme) {
        double len = n.eighths * kBeat / 2;
        if (n.pitch >= 0) {
            Osc osc, vib;
            double hz = midiHz(n.pitch);
            double gate = len * 0.92;
            bus.add(t0, len + 0.6, 0.15, [&](double t) {
                double depth = 0.004 * smoothstep(0.15, 0.45, t);
                double f = hz * (1 + depth * vib.sine(5.5));
                double s = osc.sine(f);
                double tone = s + 0.18 * s * s * s;  // a little odd harmonic edge
                return level * envelope(t, 0.015, gate, 0.12) * tone;
            });
        }
        t0 += len;
    }
}

void drums(Bus& bus) {
    Random rng(11);
    for (int bar = 0; bar < kBars; ++bar) {
        bool full = between(bar, 4, 15) || between(bar, 20, 27);
        for (int beat = 0; beat < 4 && full; ++beat) {
            double start = bar * kBar + beat * kBeat;
            Osc osc;
            bus.add(start, 0.4, 0, [&](double t) {
                double hz = 48 + 110 * std::exp(-t / 0.035);
                return 0.55 * std::exp(-t / 0.16) * osc.sine(hz);
            });
            bool snare = (beat == 1 || beat == 3) && (between(bar, 8, 15) || between(bar, 20, 27));
            if (snare) {
                Osc body;
                Lowpass lp;
                uint32_t seed = rng.next();
                bus.add(start, 0.3, 0.05, [&](double t) {
                    double noise = 2 * hash01(int32_t(t * kSampleRate), 0, seed) - 1;
                    double bright = noise - lp.run(noise, 900);  // keep the rattle, drop the thud
                    return 0.26 * std::exp(-t / 0.07) * bright +
                           0.18 * std::exp(-t / 0.05) * body.sine(185);
                });
            }
        }
        bool hats = between(bar, 6, 15) || between(bar, 20, 27);
        for (int e = 0; e < 8 && hats; ++e) {
            double start = bar * kBar + e * kBeat / 2;
            bool open = e % 2 == 1;
            Lowpass lp;
            uint32_t seed = rng.next();
            bus.add(start, open ? 0.2 : 0.06, -0.3, [&](double t) {
                double noise = 2 * hash01(int32_t(t * kSampleRate), 1, seed) - 1;
                double hiss = noise - lp.run(noise, 6000);
                return (open ? 0.14 : 0.09) * std::exp(-t / (open ? 0.05 : 0.015)) * hiss;
            });
        }
    }
}

// Ping-pong echo: left feeds right and right feeds left.
void echo(Stereo& s, double delaySeconds, double feedback, double wet) {
    size_t d = size_t(delaySeconds * kSampleRate);
    std::vector<double> l(s.frames(), 0.0), r(s.frames(), 0.0);
    for (size_t i = 0; i < s.frames(); ++i) {
        double inL = s.left[i], inR = s.right[i];
        double fbL = i >= d ? r[i - d] : 0, fbR = i >= d ? l[i - d] : 0;
        l[i] = inR * 0.5 + fbL * feedback;
        r[i] = inL * 0.5 + fbR * feedback;
        s.left[i] = inL + wet * l[i];
        s.right[i] = inR + wet * r[i];
    }
}

// A small Schroeder reverb: parallel combs, then allpasses, per channel
// with different lengths so the tail is wide. Returns the tail alone.
Stereo reverb(const Stereo& in) {
    auto run = [&](const std::vector<double>& x, int spread) {
        const int combs[4] = {1557, 1617, 1491, 1422};
        const int allpasses[2] = {225, 556};
        std::vector<double> out(x.size(), 0.0);
        for (int c : combs) {
            size_t len = size_t(c + spread);
            std::vector<double> buf(len, 0.0);
            double damp = 0;
            for (size_t i = 0; i < x.size(); ++i) {
                double y = buf[i % len];
                damp = y * 0.6 + damp * 0.4;
                buf[i % len] = x[i] * 0.015 + damp * 0.84;
                out[i] += y;
            }
        }
        for (int a : allpasses) {
            size_t len = size_t(a + spread / 2);
            std::vector<double> buf(len, 0.0);
            for (size_t i = 0; i < x.size(); ++i) {
                double b = buf[i % len];
                double y = -out[i] + b;
                buf[i % len] = out[i] + b * 0.5;
                out[i] = y;
            }
        }
        return out;
    };
    Stereo tail;
    tail.left = run(in.left, 0);
    tail.right = run(in.right, 23);
    return tail;
}

void mixInto(Stereo& dst, const Stereo& src, double gain) {
    for (size_t i = 0; i < dst.frames(); ++i) {
        dst.left[i] += gain * src.left[i];
        dst.right[i] += gain * src.right[i];
    }
}

}  // namespace

Stereo composeSoundtrack() {
    Bus pad, arp, bass, melody, kit;
    padVoices(pad);
    arpeggio(arp);
    bassLine(bass);
    lead(melody, kThemeA, 8, 0.2);
    lead(melody, kThemeA, 12, 0.2);
    lead(melody, kThemeB, 16, 0.17);
    lead(melody, kThemeA, 20, 0.22);
    lead(melody, kThemeA2, 24, 0.22);
    drums(kit);

    echo(arp.s, 3 * kBeat / 4, 0.38, 0.55);
    echo(melody.s, 3 * kBeat / 2, 0.3, 0.35);
    Stereo room = pad.s;
    mixInto(room, melody.s, 1.0);
    Stereo tail = reverb(room);

    Stereo out = pad.s;
    mixInto(out, arp.s, 1.0);
    mixInto(out, bass.s, 1.0);
    mixInto(out, melody.s, 1.0);
    mixInto(out, kit.s, 1.0);
    mixInto(out, tail, 0.5);

    // DC blocker (a first-order high-pass near 10 Hz), then short fades
    // against clicks and a longer one at the very end.
    size_t n = out.frames();
    const double pole = 1 - 2 * kPi * 10.0 / kSampleRate;
    double prevInL = 0, prevOutL = 0, prevInR = 0, prevOutR = 0;
    for (size_t i = 0; i < n; ++i) {
        double l = out.left[i], r = out.right[i];
        out.left[i] = prevOutL = l - prevInL + pole * prevOutL;
        out.right[i] = prevOutR = r - prevInR + pole * prevOutR;
        prevInL = l;
        prevInR = r;
    }
    for (size_t i = 0; i < n; ++i) {
        double t = double(i) / kSampleRate;
        double g = std::min(1.0, t / 0.02) * (1 - smoothstep(kLength - 2.5, kLength, t));
        out.left[i] *= g;
        out.right[i] *= g;
    }

    double peak = 0;
    for (size_t i = 0; i < n; ++i)
        peak = std::max({peak, std::fabs(out.left[i]), std::fabs(out.right[i])});
    double gain = peak > 0 ? std::pow(10.0, -1.0 / 20) / peak : 0;
    for (size_t i = 0; i < n; ++i) {
        out.left[i] *= gain;
        out.right[i] *= gain;
    }
    return out;
}

bool writeWav(const std::string& path, const Stereo& sound) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    uint32_t frames = uint32_t(sound.frames());
    uint32_t dataBytes = frames * 4;
    std::vector<uint8_t> out;
    out.reserve(44 + dataBytes);
    auto text = [&](const char* s) { out.insert(out.end(), s, s + 4); };
    auto u32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
    };
    auto u16 = [&](uint32_t v) {
        out.push_back(uint8_t(v));
        out.push_back(uint8_t(v >> 8));
    };
    text("RIFF");
    u32(36 + dataBytes);
    text("WAVE");
    text("fmt ");
    u32(16);
    u16(1);  // PCM
    u16(2);  // channels
    u32(kSampleRate);
    u32(kSampleRate * 4);
    u16(4);   // bytes per frame
    u16(16);  // bits per sample
    text("data");
    u32(dataBytes);
    auto sample = [&](double v) {
        double q = std::floor(std::max(-1.0, std::min(1.0, v)) * 32767.0 + 0.5);
        u16(uint32_t(int32_t(q)) & 0xFFFF);
    };
    for (uint32_t i = 0; i < frames; ++i) {
        sample(sound.left[i]);
        sample(sound.right[i]);
    }
    bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace assets
