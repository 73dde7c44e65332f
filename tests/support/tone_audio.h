// Generated sound for the music tests, and the reading of what SDL's disk
// audio driver wrote (44.1 kHz, 16-bit, stereo): sine tones, WAV files, a
// BIN/CUE disc of tone tracks, and tones told apart by counting zero
// crossings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace nuvra::test {

inline constexpr int kToneRate = 44100;
// Frames per classified window, about 23 ms.
inline constexpr std::size_t kToneWindow = 1024;
// What ClassifyWindow gives for a window that is not one of the tones.
inline constexpr int kSilence = -1;
inline constexpr int kUnknown = -2;

// Interleaved stereo 16-bit samples of a sine tone.
std::vector<std::int16_t> Tone(double hz, double seconds);
std::string LittleEndian(const std::vector<std::int16_t>& samples);
// A 44.1 kHz stereo 16-bit PCM WAV file's bytes.
std::string WavFile(const std::vector<std::int16_t>& samples);

// A disc of one audio track per tone, each seconds long (whole seconds),
// as disc.bin and disc.cue in dir; returns the CUE sheet's path.
std::string WriteToneDisc(const TempDir& dir, const std::vector<double>& tones, int seconds);

// The left channel of everything the disk driver has written so far.
std::vector<std::int16_t> ReadCapture(const std::string& path);
// Frames written so far (0 when there is no file yet).
std::size_t CapturedFrames(const std::string& path);
std::size_t Frames(double seconds);

// The index of the tone in the window starting at start, kSilence, or
// kUnknown.
int ClassifyWindow(const std::vector<std::int16_t>& left, std::size_t start, const std::vector<double>& tones);
// One class per whole window from from_frame up to to_frame.
std::vector<int> Classify(const std::vector<std::int16_t>& left, std::size_t from_frame, std::size_t to_frame,
                          const std::vector<double>& tones);
// '1' for the first tone, '2' for the second..., '.' for silence, '?' for
// anything else.
std::string Describe(const std::vector<int>& windows);
// The class found in most windows.
int DominantTone(const std::vector<int>& windows, std::size_t tone_count);

}  // namespace nuvra::test
