#include "support/tone_audio.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>

namespace nuvra::test {

std::vector<std::int16_t> Tone(double hz, double seconds)
{
    const auto frames = static_cast<std::size_t>(std::lround(seconds * kToneRate));
    std::vector<std::int16_t> samples;
    samples.reserve(frames * 2);
    for (std::size_t i = 0; i < frames; ++i) {
        const auto value = static_cast<std::int16_t>(
            std::lround(8000.0 * std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(i) / kToneRate)));
        samples.push_back(value);
        samples.push_back(value);
    }
    return samples;
}

std::string LittleEndian(const std::vector<std::int16_t>& samples)
{
    std::string bytes;
    bytes.reserve(samples.size() * 2);
    for (std::int16_t s : samples) {
        const auto u = static_cast<std::uint16_t>(s);
        bytes.push_back(static_cast<char>(u & 0xFF));
        bytes.push_back(static_cast<char>(u >> 8));
    }
    return bytes;
}

std::string WavFile(const std::vector<std::int16_t>& samples)
{
    auto u32 = [](std::uint32_t v) {
        return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                           static_cast<char>(v >> 24)};
    };
    auto u16 = [](std::uint16_t v) { return std::string{static_cast<char>(v), static_cast<char>(v >> 8)}; };
    const std::string data = LittleEndian(samples);
    const auto data_size = static_cast<std::uint32_t>(data.size());
    return "RIFF" + u32(36 + data_size) + "WAVE" + "fmt " + u32(16) + u16(1) + u16(2) + u32(kToneRate) +
           u32(kToneRate * 4) + u16(4) + u16(16) + "data" + u32(data_size) + data;
}

std::string WriteToneDisc(const TempDir& dir, const std::vector<double>& tones, int seconds)
{
    std::string bin;
    std::string cue = "FILE \"disc.bin\" BINARY\n";
    for (std::size_t t = 0; t < tones.size(); ++t) {
        const std::size_t start = static_cast<std::size_t>(seconds) * t;
        char entry[96];
        std::snprintf(entry, sizeof entry, "  TRACK %02zu AUDIO\n    INDEX 01 %02zu:%02zu:00\n", t + 1, start / 60,
                      start % 60);
        cue += entry;
        bin += LittleEndian(Tone(tones[t], seconds));
    }
    dir.WriteFile("disc.bin", bin);
    return dir.WriteFile("disc.cue", cue);
}

std::vector<std::int16_t> ReadCapture(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::vector<std::int16_t> left;
    left.reserve(bytes.size() / 4);
    for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4)
        left.push_back(static_cast<std::int16_t>(static_cast<std::uint8_t>(bytes[i]) |
                                                 static_cast<std::uint8_t>(bytes[i + 1]) << 8));
    return left;
}

std::size_t CapturedFrames(const std::string& path)
{
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0 : static_cast<std::size_t>(size / 4);
}

std::size_t Frames(double seconds)
{
    return static_cast<std::size_t>(seconds * kToneRate);
}

int ClassifyWindow(const std::vector<std::int16_t>& left, std::size_t start, const std::vector<double>& tones)
{
    double energy = 0;
    int crossings = 0;
    for (std::size_t i = start; i < start + kToneWindow; ++i) {
        energy += static_cast<double>(left[i]) * left[i];
        if (i > start && (left[i - 1] < 0) != (left[i] < 0))
            ++crossings;
    }
    if (std::sqrt(energy / kToneWindow) < 1000)
        return kSilence;
    const double hz = crossings * static_cast<double>(kToneRate) / (2.0 * kToneWindow);
    for (std::size_t t = 0; t < tones.size(); ++t) {
        if (std::abs(hz - tones[t]) < 0.12 * tones[t])
            return static_cast<int>(t);
    }
    return kUnknown;
}

std::vector<int> Classify(const std::vector<std::int16_t>& left, std::size_t from_frame, std::size_t to_frame,
                          const std::vector<double>& tones)
{
    std::vector<int> windows;
    for (std::size_t start = from_frame; start + kToneWindow <= std::min(to_frame, left.size());
         start += kToneWindow)
        windows.push_back(ClassifyWindow(left, start, tones));
    return windows;
}

std::string Describe(const std::vector<int>& windows)
{
    std::string text;
    for (int w : windows)
        text += w == kSilence ? '.' : w == kUnknown ? '?' : static_cast<char>('1' + w);
    return text;
}

int DominantTone(const std::vector<int>& windows, std::size_t tone_count)
{
    std::vector<int> counts(tone_count + 2, 0);
    for (int w : windows)
        ++counts[static_cast<std::size_t>(w + 2)];
    const auto best = std::max_element(counts.begin(), counts.end());
    return static_cast<int>(best - counts.begin()) - 2;
}

}  // namespace nuvra::test
