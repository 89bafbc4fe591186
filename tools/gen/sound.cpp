#include "sound.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace gen {

namespace {

constexpr double Tau = 2 * std::numbers::pi;

std::vector<double> Silence(double seconds) {
    return std::vector<double>(static_cast<size_t>(seconds * SampleRate + 0.5), 0.0);
}

// A short linear ramp in and out so no effect starts or ends on a click.
void Edges(std::vector<double>& s, double inMs, double outMs) {
    size_t in = static_cast<size_t>(inMs * SampleRate / 1000),
           out = static_cast<size_t>(outMs * SampleRate / 1000);
    for (size_t i = 0; i < in && i < s.size(); ++i) {
        s[i] *= static_cast<double>(i) / static_cast<double>(in);
    }
    for (size_t i = 0; i < out && i < s.size(); ++i) {
        s[s.size() - 1 - i] *= static_cast<double>(i) / static_cast<double>(out);
    }
}

// A struck tone: partials (ratio, level, decay time) that start at `start` seconds.
struct Partial {
    double ratio, level, decay;
};
void Strike(std::vector<double>& s, double start, double freq, double amp,
            std::initializer_list<Partial> partials) {
    size_t first = static_cast<size_t>(start * SampleRate);
    for (size_t i = first; i < s.size(); ++i) {
        double t = static_cast<double>(i - first) / SampleRate;
        double attack = std::min(1.0, t / 0.0015);
        double v = 0;
        for (const Partial& p : partials) {
            v += p.level * std::exp(-t / p.decay) * std::sin(Tau * freq * p.ratio * t);
        }
        s[i] += amp * attack * v;
    }
}

void Put16(Bytes& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}
void Put32(Bytes& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
void Tag(Bytes& out, const char* tag) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<uint8_t>(tag[i]));
    }
}

}  // namespace

std::vector<double> SelectMoveSamples() {
    // 30 ms: a quiet wooden tick, high enough to be quick, soft enough to repeat.
    std::vector<double> s = Silence(0.030);
    Strike(s, 0, 1480, 0.42, {{1, 1.0, 0.006}, {2.0, 0.35, 0.003}, {0.5, 0.25, 0.010}});
    Edges(s, 0.4, 4);
    return s;
}

std::vector<double> SelectCheckSamples() {
    // Three bell notes climbing a fifth and an octave (A5, E6, A6), each ringing on.
    std::vector<double> s = Silence(0.42);
    const std::initializer_list<Partial> bell = {
        {1, 1.0, 0.16}, {2.0, 0.45, 0.07}, {3.0, 0.18, 0.04}, {4.2, 0.08, 0.02}};
    Strike(s, 0.000, 880.0, 0.22, bell);
    Strike(s, 0.055, 1318.5, 0.22, bell);
    Strike(s, 0.110, 1760.0, 0.20, bell);
    Edges(s, 0.5, 40);
    return s;
}

std::vector<double> SelectCancelSamples() {
    // A soft square-ish voice gliding down from E5 to A3 and fading.
    std::vector<double> s = Silence(0.30);
    double phase = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        double t = static_cast<double>(i) / SampleRate;
        double k = t / 0.30;
        double freq = 659.3 * std::pow(220.0 / 659.3, std::pow(k, 0.8));
        phase += Tau * freq / SampleRate;
        double v = std::sin(phase) + std::sin(3 * phase) / 5 + std::sin(5 * phase) / 12;
        double env = std::exp(-t / 0.11);
        s[i] = 0.30 * env * v;
    }
    Edges(s, 1.0, 30);
    return s;
}

std::vector<double> HitSamples() {
    // 70 ms: a round knock like a glass bead on a tile. The body is a G5 whose
    // pitch settles in the first milliseconds; an inharmonic partial adds the
    // edge and dies within 10 ms, so ten a second do not build up into a buzz.
    std::vector<double> s = Silence(0.070);
    double phase = 0;
    uint32_t noise = 0x1234567u;
    double lowpassed = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        double t = static_cast<double>(i) / SampleRate;
        double freq = 784.0 * (1 + 0.06 * std::exp(-t / 0.004));
        phase += Tau * freq / SampleRate;
        double body = std::exp(-t / 0.016) * std::sin(phase);
        double edge = 0.35 * std::exp(-t / 0.005) * std::sin(phase * 2.76);
        noise = noise * 1664525u + 1013904223u;
        double white = static_cast<double>(noise >> 8) / 8388608.0 - 1.0;
        lowpassed += 0.35 * (white - lowpassed);
        double click = 0.5 * std::exp(-t / 0.0012) * lowpassed;
        s[i] = 0.36 * (body + edge + click);
    }
    Edges(s, 0.3, 8);
    return s;
}

Bytes EncodeWave(const std::vector<double>& samples) {
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    Bytes out;
    out.reserve(44 + dataBytes);
    Tag(out, "RIFF");
    Put32(out, 36 + dataBytes);
    Tag(out, "WAVE");
    Tag(out, "fmt ");
    Put32(out, 16);
    Put16(out, 1);               // PCM
    Put16(out, 1);               // mono
    Put32(out, SampleRate);      // samples per second
    Put32(out, SampleRate * 2);  // bytes per second
    Put16(out, 2);               // bytes per sample frame
    Put16(out, 16);              // bits per sample
    Tag(out, "data");
    Put32(out, dataBytes);
    for (double v : samples) {
        long q = std::lround(std::clamp(v, -1.0, 1.0) * 32767.0);
        Put16(out, static_cast<uint32_t>(static_cast<int16_t>(q)) & 0xFFFF);
    }
    return out;
}

}  // namespace gen
