// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the three demonstration message files the programmer looks for:
// 16-bit mono WAV at 11025 samples a second, each a tone pattern of its own so
// that a listener (or the call box) can tell them apart.
//
//   make_sample_messages <output folder>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 11025;
constexpr double kPi = 3.14159265358979323846;

// Frequency in Hz (0: silence) at time t of a recording.
using Pitch = std::function<double(double t)>;

void put16(std::ofstream& out, std::uint16_t v)
{
    const char b[2] = {char(v & 0xFF), char(v >> 8)};
    out.write(b, 2);
}

void put32(std::ofstream& out, std::uint32_t v)
{
    put16(out, std::uint16_t(v & 0xFFFF));
    put16(out, std::uint16_t(v >> 16));
}

std::vector<std::int16_t> synthesise(double seconds, const Pitch& pitch)
{
    const int count = int(seconds * kRate);
    std::vector<std::int16_t> samples(std::size_t(count), 0);
    double phase = 0;
    for (int i = 0; i < count; ++i) {
        const double t = double(i) / kRate;
        const double hz = pitch(t);
        if (hz <= 0)
            continue;
        // Phase is accumulated so that sweeps stay smooth.
        phase += 2 * kPi * hz / kRate;
        // 20 ms fades at both ends keep the speaker from clicking.
        const double edge = std::min({1.0, t / 0.02, (seconds - t) / 0.02});
        samples[std::size_t(i)] = std::int16_t(std::lround(12000.0 * edge * std::sin(phase)));
    }
    return samples;
}

bool writeWav(const std::string& path, const std::vector<std::int16_t>& samples)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    const std::uint32_t dataBytes = std::uint32_t(samples.size() * 2);
    out.write("RIFF", 4);
    put32(out, 36 + dataBytes);
    out.write("WAVEfmt ", 8);
    put32(out, 16);     // format chunk size
    put16(out, 1);      // PCM
    put16(out, 1);      // mono
    put32(out, kRate);
    put32(out, kRate * 2);  // bytes a second
    put16(out, 2);      // bytes a frame
    put16(out, 16);     // bits a sample
    out.write("data", 4);
    put32(out, dataBytes);
    for (std::int16_t s : samples)
        put16(out, std::uint16_t(s));
    return bool(out);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const std::string folder = std::string(argv[1]) + "/";

    // Local: one rising sweep, 400 to 1200 Hz over 2.5 s.
    const auto local = synthesise(2.5, [](double t) { return 400.0 + 320.0 * t; });
    // Radio: a two-tone warble, 650/950 Hz, switching every quarter second, 3 s.
    const auto radio = synthesise(3.0, [](double t) {
        return int(t / 0.25) % 2 == 0 ? 650.0 : 950.0;
    });
    // Low battery: three falling beeps, 1100 to 500 Hz, with short gaps, 2.2 s.
    const auto lowbatt = synthesise(2.2, [](double t) {
        const double within = std::fmod(t, 0.75);
        return within < 0.6 ? 1100.0 - 1000.0 * within : 0.0;
    });

    bool ok = writeWav(folder + "local.wav", local);
    ok = writeWav(folder + "radio.wav", radio) && ok;
    ok = writeWav(folder + "lowbatt.wav", lowbatt) && ok;
    if (!ok) {
        std::fprintf(stderr, "make_sample_messages: cannot write into %s\n", folder.c_str());
        return 1;
    }
    return 0;
}
