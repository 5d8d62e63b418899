// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target of the media decoder: any bytes, read from memory through
// the decoder's own AVIOContext, are opened and decoded to the end.
#include "MediaDecoder.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string error;
    auto decoder = lectorio::MediaDecoder::OpenMemory(data, size, error);
    if (!decoder)
        return error.empty() ? (__builtin_trap(), 0) : 0; // a refusal always says why
    const lectorio::WaveFormat format = decoder->Format();
    if (format.channels < 1 || format.channels > 2 || format.sampleRate == 0)
        __builtin_trap();
    int16_t buffer[4096];
    // Enough for any seed; a tiny file may claim hours of audio.
    for (int64_t total = 0, n; total < 4'000'000 && (n = decoder->Read(buffer, 4096)) > 0; total += n) {
        if (n > 4096)
            __builtin_trap();
    }
    return 0;
}
