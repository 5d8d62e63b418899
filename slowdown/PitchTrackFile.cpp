// SPDX-License-Identifier: GPL-3.0-or-later
#include "PitchTrackFile.h"

#include "SafeFile.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <sys/stat.h>

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
std::optional<int64_t> HeaderInteger(float value) {
    if (!std::isfinite(value) || value < 0.0f || value >= 2147483648.0f)
        return std::nullopt;
    return static_cast<int64_t>(value);
}

} // namespace

TrackReadResult ReadPitchTrack(const std::string& path, PitchTrack& track) {
    // Closed on every way out.
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(StreamOf(OpenRegularForReading(path), "rb"),
                                                               ::fclose);
    std::FILE* f = file.get();
    if (!f)
        return TrackReadResult::Missing;
    std::array<uint8_t, 16> header;
    if (std::fread(header.data(), 1, header.size(), f) != header.size())
        return TrackReadResult::Truncated;
    const uint8_t* p = header.data();
    const auto n = HeaderInteger(GetFloat(p)), h = HeaderInteger(GetFloat(p + 4)),
               fs = HeaderInteger(GetFloat(p + 8)), k = HeaderInteger(GetFloat(p + 12));
    if (!n || !h || !fs || !k)
        return TrackReadResult::Malformed;
    // The file's size must hold the K values before any memory is spent on
    // them, so a header claiming a huge K costs nothing.
    const int64_t size = 16 + 4 * *k;
    struct stat st {};
    if (::fstat(::fileno(f), &st) != 0 || st.st_size < size)
        return TrackReadResult::Truncated;
    if (st.st_size > size)
        return TrackReadResult::Malformed;
    std::vector<uint8_t> bytes(static_cast<size_t>(4 * *k));
    if (std::fread(bytes.data(), 1, bytes.size(), f) != bytes.size())
        return TrackReadResult::Truncated; // cut since it was measured
    std::vector<float> values;
    for (size_t i = 0; i < bytes.size(); i += 4) {
        values.push_back(GetFloat(bytes.data() + i));
        if (!std::isfinite(values.back()) || values.back() < 0.0f)
            return TrackReadResult::Malformed;
    }
    track.frameLength = static_cast<int32_t>(*n);
    track.frameStep = static_cast<int32_t>(*h);
    track.sampleRate = static_cast<int32_t>(*fs);
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
