// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target of a whole segmentation run: any bytes as the recording,
// segmented with a short history so that small inputs still make segments.
// Every segment written must hold samples of the recording only.
#include "FuzzFiles.h"
#include "Segmenter.h"

using namespace lectorio;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input = fuzz::WriteScratchFile("in.wav", data, size);
    SegmentationOptions options;
    options.energyHistory = 2;
    options.maxSegmentLength = 1;
    SegmentationListener quiet;
    const SegmentationResult result = SegmentRecording(input, fuzz::ScratchFolder(), "p", options, quiet);
    if (result.framesRead > result.framesExpected || result.failedFiles != 0)
        __builtin_trap();
    return 0;
}
