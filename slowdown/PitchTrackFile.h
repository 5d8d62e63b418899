// SPDX-License-Identifier: GPL-3.0-or-later
// The pitch-track file "dosya.ptc": four little-endian 32-bit floats N, H,
// fs and K (frame length and step in samples, sample rate in Hz, number of
// values), then K floats, the fundamental frequency of each frame in Hz
// (0 = unvoiced or silent). Frame i is centred on sample N / 2 + i * H.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace lectorio {

// Asked now and then by the engine's long computations (on their own
// thread); true makes them give up.
using CancelCheck = std::function<bool()>;

struct PitchTrack {
    int32_t frameLength = 0; // N, samples
    int32_t frameStep = 0;   // H, samples
    int32_t sampleRate = 0;  // fs, Hz
    std::vector<float> values;
};

enum class TrackReadResult {
    Ok,
    Missing,   // the file cannot be opened
    Truncated, // shorter than its header says
    Malformed, // header values out of range, extra bytes, or a value that is no frequency
};

// Reads a whole track. The header values are truncated to integers; a
// header value that is not finite or lies outside 0..2^31, a negative, NaN
// or infinite frequency, or bytes beyond the K values make it Malformed.
TrackReadResult ReadPitchTrack(const std::string& path, PitchTrack& track);

// Writes the track through a temporary file beside `path` that replaces it
// when complete. Returns false (and leaves `path` as it was) on failure.
bool WritePitchTrack(const std::string& path, const PitchTrack& track);

} // namespace lectorio
