// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target of the WAV reader: any bytes go through the header parser
// and, when it accepts them, through the sample conversion to the end.
#include "WaveFile.h"

#include <cstdint>
#include <cstdio>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0; // fmemopen refuses an empty buffer
    std::vector<uint8_t> copy(data, data + size);
    std::FILE* stream = fmemopen(copy.data(), copy.size(), "rb");
    if (!stream)
        return 0;
    auto wave = lectorio::OpenWaveStream(stream);
    if (wave->status == lectorio::WaveStatus::Reading) {
        int16_t buffer[257];
        for (int64_t n; (n = wave->ReadMonoSamples(buffer, 257)) > 0;) {
            if (n > 257)
                __builtin_trap();
        }
    } else if (wave->frameCount != 0) {
        __builtin_trap(); // a failed parse reports no frames
    }
    wave->Close();
    return 0;
}
