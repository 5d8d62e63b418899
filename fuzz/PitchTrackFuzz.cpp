// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target of the pitch-track reader through the synthesis: any bytes
// as the track of a fixed voiced segment, stretched at half, normal and
// double length. The synthesis must refuse or finish, never read outside the
// segment.
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
    const std::string track = fuzz::WriteScratchFile("dosya.ptc", data, size);
    const std::string output = fuzz::ScratchFolder() + "/seg_y.wav";
    for (const double factor : {0.5, 1.0, 2.0}) {
        if (SynthesizeSlowVersion(SegmentPath(), output, track, factor) == SlowVersionResult::Done &&
            OpenWaveFile(output)->frameCount != StretchedLength(8000, factor))
            __builtin_trap();
    }
    return 0;
}
