// SPDX-License-Identifier: GPL-3.0-or-later
// The frame-energy speech/silence detector, on samples in memory.
//
// The caller hands it the input block by block (kBlockSamples samples each,
// fewer only in the last) and it reports every cut as it finds it: a silence
// part that ends at a speech start, a speech part that ends, and a speech part
// of no length (a used-up segment number). After the last block, FinalPart
// gives the rest of the input. Positions are absolute sample indices from the
// start of the input; parts include both ends.
#pragma once

#include "SegmentationOptions.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace lectorio {

// Samples are analysed in blocks of this many samples; a sample's absolute
// position p lies at index p mod kBlockSamples of the block that holds it.
inline constexpr int64_t kBlockSamples = 5'000'000;

// The detector's fixed quantities for one run, derived from the options and
// the input's sample rate (all arithmetic in the precisions the detector uses).
struct SegmentationLimits {
    int64_t frameLength = 0; // L, samples per frame (400 at 16000 Hz)
    int32_t history = 1;     // H, frames in the decision window (at least 1)
    float startLimit = 0.0f; // speech starts when more frames than this are active: H x start threshold
    float maxLength = 0.0f;  // M = maximum length x sample rate, in samples
    // Length thresholds in samples after the speech start, for 1.5, 1.3, 0.95,
    // 0.9, 0.85, 0.8, 0.75, 0.7 and 0.65 of M.
    int64_t lengthThresholds[9] = {};
    // Length multipliers beyond the 0.95 ... 0.65 thresholds (0.45 ... 0.3
    // divided by the end threshold).
    float multipliers[7] = {};
};

SegmentationLimits ComputeSegmentationLimits(const SegmentationOptions& options, uint32_t sampleRate);

// Receives the cuts, in order, while a block is analysed.
class BoundarySink {
public:
    virtual ~BoundarySink() = default;
    // A speech start at `to`: the silence part from `from` (the previous speech end) to `to`.
    virtual void SilenceEnds(int64_t from, int64_t to) = 0;
    // A speech end at frame position `to`: the speech part from `from` to `to`.
    virtual void SpeechEnds(int64_t from, int64_t to) = 0;
    // A speech end at or before its start: the number is used up, nothing is written.
    virtual void EmptySpeech() = 0;
    // The frame at `position` has been analysed.
    virtual void FrameDone(int64_t position) { (void)position; }
};

// The rest of the input after the last cut.
struct FinalPart {
    bool speech = false; // the next number is even
    int64_t from = 0;
    int64_t to = 0;          // the input's last sample
    int64_t endPosition = 0; // just past the last analysed frame
};

class SpeechDetector {
public:
    SpeechDetector(const SegmentationOptions& options, uint32_t sampleRate);

    const SegmentationLimits& Limits() const { return limits_; }

    // Analyses the next block: `n` samples at block[0 .. n). The block must
    // have room for n rounded up to whole frames; the last frame's missing
    // samples are set to zero.
    void AnalyseBlock(int16_t* block, int64_t n, BoundarySink& sink);

    // After the last block: the part that ends with the input's last sample,
    // none for an empty input.
    std::optional<FinalPart> Finish() const;

    int64_t BlockBase() const { return base_; }

private:
    SegmentationLimits limits_;
    float sampleThreshold_;
    float endThreshold_;
    std::vector<uint8_t> window_;
    std::vector<float> energies_;
    bool inSpeech_ = false;
    int64_t speechStart_ = 0;       // S0
    int64_t speechEnd_ = 0;         // E0
    float lengthMultiplier_ = 1.0f; // replaces 1.0 in the end limit as a part grows
    int32_t active_ = 0;            // A, active frames in the window
    size_t slot_ = 0;               // frame number mod H
    int64_t position_ = 0;          // P, the next frame's first sample
    int64_t base_ = -kBlockSamples;
    int64_t samplesSeen_ = 0;
    int32_t cuts_ = 0; // segment numbers used so far
};

// The parts of a whole recording in memory, as a run would number them.
struct DetectedPart {
    int32_t number = 0;
    int64_t from = 0;
    int64_t to = 0; // to < from: a part of no samples (an empty file)
};
struct DetectedParts {
    std::vector<DetectedPart> parts;
    std::vector<int32_t> emptyNumbers; // numbers used up by empty speech
};
DetectedParts DetectParts(const std::vector<int16_t>& samples, uint32_t sampleRate,
                          const SegmentationOptions& options);

} // namespace lectorio
