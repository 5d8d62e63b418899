// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target of the pitch-track reader through the synthesis: any bytes
// as the track of a fixed voiced segment, stretched to half, the same and
// double length. A track must be refused or give a copy of the right length,
// never make the synthesis read outside the segment.
#include "FuzzFiles.h"
#include "SlowVersion.h"
#include "WaveFile.h"

#include <cmath>
#include <vector>

using namespace lectorio;

namespace {

// 0.5 s of a 200 Hz tone at 16 kHz, the segment every track is tried on.
const std::string& SegmentPath() {
    static const std::string path = [] {
        std::vector<int16_t> x(8000);
        for (size_t i = 0; i < x.size(); ++i)
            x[i] = static_cast<int16_t>(10000.0 * std::sin(2.0 * 3.14159265358979 * 200.0 * i / 16000.0));
        const std::string p = fuzz::ScratchFolder() + "/seg.wav";
        auto w = CreateWaveFile(p, 16000, 16, 1, kFormatPcm);
        w->WriteMonoSamples(x.data(), static_cast<int64_t>(x.size()));
        w->Close();
        return p;
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::vector<int16_t> samples = [] {
        std::vector<int16_t> x;
        ReadAllMonoSamples(*OpenWaveFile(SegmentPath()), x);
        return x;
    }();
    // What SynthesizeSlowVersion does between reading the segment and
    // writing the copy (which would only add a disk flush per run).
    PitchTrack track;
    if (ReadPitchTrack(fuzz::WriteScratchFile("dosya.ptc", data, size), track) != TrackReadResult::Ok)
        return 0;
    PitchMarks marks;
    const int64_t n = static_cast<int64_t>(samples.size());
    if (!TrackFitsSegment(track, 16000, n) || !PlaceMarks(track, n, marks))
        return 0;
    for (const double factor : {0.5, 1.0, 2.0}) {
        if (static_cast<int64_t>(StretchSamples(samples, marks, factor).size()) != StretchedLength(n, factor))
            __builtin_trap();
    }
    return 0;
}
