// SPDX-License-Identifier: GPL-3.0-or-later
#include "PitchTrackFile.h"

#include "SafeFile.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <memory>

namespace lectorio {

namespace {

void PutFloat(std::vector<uint8_t>& out, float value) {
    const uint32_t bits = std::bit_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(bits >> (8 * i)));
}

float GetFloat(const uint8_t* p) {
    const uint32_t bits = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                          static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
    return std::bit_cast<float>(bits);
}

// Truncation of a header value to an integer, refusing what has none.
bool HeaderInteger(float value, int64_t& result) {
    if (!std::isfinite(value) || value < 0.0f || value >= 2147483648.0f)
        return false;
    result = static_cast<int64_t>(value);
    return true;
}

} // namespace

TrackReadResult ReadPitchTrack(const std::string& path, PitchTrack& track) {
    // Closed on every way out.
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(StreamOf(OpenRegularForReading(path), "rb"),
                                                               ::fclose);
    std::FILE* f = file.get();
    if (!f)
        return TrackReadResult::Missing;
    uint8_t header[16];
    if (std::fread(header, 1, sizeof header, f) != sizeof header)
        return TrackReadResult::Truncated;
    int64_t n = 0, h = 0, fs = 0, k = 0;
    if (!HeaderInteger(GetFloat(header), n) || !HeaderInteger(GetFloat(header + 4), h) ||
        !HeaderInteger(GetFloat(header + 8), fs) || !HeaderInteger(GetFloat(header + 12), k))
        return TrackReadResult::Malformed;
    // Read in pieces so that a header claiming a huge K costs no memory
    // before the file proves to hold the values.
    std::vector<float> values;
    uint8_t block[4096];
    while (static_cast<int64_t>(values.size()) < k) {
        const int64_t wanted = std::min<int64_t>(static_cast<int64_t>(sizeof block) / 4,
                                                 k - static_cast<int64_t>(values.size()));
        const size_t got = std::fread(block, 1, static_cast<size_t>(wanted) * 4, f);
        if (got != static_cast<size_t>(wanted) * 4)
            return TrackReadResult::Truncated;
        for (size_t i = 0; i < got; i += 4)
            values.push_back(GetFloat(block + i));
    }
    if (std::fgetc(f) != EOF)
        return TrackReadResult::Malformed;
    for (const float v : values)
        if (!std::isfinite(v) || v < 0.0f)
            return TrackReadResult::Malformed;
    track.frameLength = static_cast<int32_t>(n);
    track.frameStep = static_cast<int32_t>(h);
    track.sampleRate = static_cast<int32_t>(fs);
    track.values = std::move(values);
    return TrackReadResult::Ok;
}

bool WritePitchTrack(const std::string& path, const PitchTrack& track) {
    std::vector<uint8_t> bytes;
    PutFloat(bytes, static_cast<float>(track.frameLength));
    PutFloat(bytes, static_cast<float>(track.frameStep));
    PutFloat(bytes, static_cast<float>(track.sampleRate));
    PutFloat(bytes, static_cast<float>(track.values.size()));
    for (const float v : track.values)
        PutFloat(bytes, v);

    // Analysed again whenever a segment is shown, so never worth a sync.
    return WriteFileAtomically(path,
                               std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                               {}, Durability::Rebuilt);
}

} // namespace lectorio
