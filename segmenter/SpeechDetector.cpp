// SPDX-License-Identifier: GPL-3.0-or-later
#include "SpeechDetector.h"

#include <algorithm>

namespace lectorio {

namespace {

// A silence this long after the latest speech start forces a start, so that
// no silence part outgrows the two blocks.
constexpr int64_t kForcedStartDistance = 5'000'000;
// A speech start this close after the previous speech end joins it (E0 + 1).
constexpr int64_t kJoinDistance = 1'250'000;
// The energy scale, a single-precision constant: exactly 0.07543712854385376.
constexpr double kEnergyScale = 0.07543712854385376;
static_assert(static_cast<double>(static_cast<float>(kEnergyScale)) == kEnergyScale);

// Frame length in samples by sample rate: 25 ms at 16000 Hz. Every length
// divides kBlockSamples, so frames never straddle two blocks.
int64_t FrameLength(uint32_t rate) {
    if (rate < 10000)
        return 200;
    if (rate < 15000)
        return 250;
    if (rate < 20000)
        return 400;
    if (rate < 30000)
        return 500;
    return 1000;
}

// The block mean: the exact sum divided by n in double, rounded once to single.
float BlockMean(const int16_t* samples, int64_t n) {
    if (n <= 0)
        return 0.0f;
    int64_t sum = 0;
    for (int64_t i = 0; i < n; ++i)
        sum += samples[i];
    return static_cast<float>(static_cast<double>(sum) / static_cast<double>(n));
}

// Energy of one frame: (scale x sum of (x - m)^2 in sample order) / L, in
// double, rounded once to single.
inline float FinishEnergy(double sum, double frameLength) {
    return static_cast<float>((kEnergyScale * sum) / frameLength);
}

// Energies of `frames` consecutive frames of `frameLength` samples. Each sum
// runs strictly in sample order from the frame's first sample (so results are
// bit-exact); four frames are summed side by side only to overlap their
// independent addition chains.
void FrameEnergies(const int16_t* samples, int64_t frames, int64_t frameLength, float mean, float* energies) {
    const double m = mean;
    const double length = static_cast<double>(frameLength);
    int64_t f = 0;
    for (; f + 4 <= frames; f += 4) {
        const int16_t* x0 = samples + f * frameLength;
        const int16_t* x1 = x0 + frameLength;
        const int16_t* x2 = x1 + frameLength;
        const int16_t* x3 = x2 + frameLength;
        double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
        for (int64_t i = 0; i < frameLength; ++i) {
            const double d0 = static_cast<double>(x0[i]) - m;
            const double d1 = static_cast<double>(x1[i]) - m;
            const double d2 = static_cast<double>(x2[i]) - m;
            const double d3 = static_cast<double>(x3[i]) - m;
            s0 += d0 * d0;
            s1 += d1 * d1;
            s2 += d2 * d2;
            s3 += d3 * d3;
        }
        energies[f] = FinishEnergy(s0, length);
        energies[f + 1] = FinishEnergy(s1, length);
        energies[f + 2] = FinishEnergy(s2, length);
        energies[f + 3] = FinishEnergy(s3, length);
    }
    for (; f < frames; ++f) {
        const int16_t* x = samples + f * frameLength;
        double s = 0.0;
        for (int64_t i = 0; i < frameLength; ++i) {
            const double d = static_cast<double>(x[i]) - m;
            s += d * d;
        }
        energies[f] = FinishEnergy(s, length);
    }
}

} // namespace

SegmentationLimits ComputeSegmentationLimits(const SegmentationOptions& options, uint32_t sampleRate) {
    SegmentationLimits limits;
    limits.frameLength = FrameLength(sampleRate);
    limits.history = std::max<int32_t>(options.energyHistory, 1);
    limits.startLimit = static_cast<float>(limits.history) * options.startThreshold;
    // M rounded once to single; each threshold trunc(double(M) x double(single factor)).
    limits.maxLength =
        static_cast<float>(static_cast<double>(options.maxSegmentLength) * static_cast<double>(sampleRate));
    const float factors[] = {1.5f, 1.3f, 0.95f, 0.9f, 0.85f, 0.8f, 0.75f, 0.7f, 0.65f};
    std::transform(std::begin(factors), std::end(factors), limits.lengthThresholds, [&](float factor) {
        return static_cast<int64_t>(static_cast<double>(limits.maxLength) * static_cast<double>(factor));
    });
    const double fractions[] = {0.45, 0.425, 0.4, 0.375, 0.35, 0.325, 0.3};
    std::transform(std::begin(fractions), std::end(fractions), limits.multipliers, [&](double fraction) {
        return static_cast<float>(fraction / static_cast<double>(options.endThreshold));
    });
    return limits;
}

SpeechDetector::SpeechDetector(const SegmentationOptions& options, uint32_t sampleRate)
    : limits_(ComputeSegmentationLimits(options, sampleRate)), sampleThreshold_(options.sampleThreshold),
      endThreshold_(options.endThreshold), window_(static_cast<size_t>(limits_.history), 0),
      energies_(static_cast<size_t>(kBlockSamples / limits_.frameLength)) {} // frames of a full block

void SpeechDetector::AnalyseBlock(int16_t* block, int64_t n, BoundarySink& sink) {
    const int64_t frameLength = limits_.frameLength;
    const int32_t history = limits_.history;
    const int64_t* thresholds = limits_.lengthThresholds;
    base_ += kBlockSamples;
    samplesSeen_ += n;
    const float mean = BlockMean(block, n);
    const int64_t frames = (2 * n + frameLength) / (2 * frameLength); // n / L rounded, halves up
    // The last frame's missing samples count as zero.
    if (frames * frameLength > n)
        std::fill(block + n, block + frames * frameLength, int16_t{0});
    FrameEnergies(block, frames, frameLength, mean, energies_.data());

    for (int64_t k = 0; k < frames; ++k, position_ += frameLength) {
        const float e = energies_[static_cast<size_t>(k)];
        const uint8_t isActive = e > sampleThreshold_ ? 1 : 0;
        active_ += isActive - window_[slot_];
        window_[slot_] = isActive;

        if (!inSpeech_ && (static_cast<float>(active_) > limits_.startLimit ||
                           position_ - speechStart_ > kForcedStartDistance)) {
            int64_t start = std::max(position_ - frameLength * history, base_);
            if (speechEnd_ > start && speechEnd_ - start < kJoinDistance)
                start = speechEnd_ + 1;
            inSpeech_ = true;
            lengthMultiplier_ = 1.0f;
            speechStart_ = start;
            ++cuts_;
            sink.SilenceEnds(speechEnd_, start);
        }

        if (inSpeech_) {
            const int64_t length = position_ - speechStart_; // D
            if (length > thresholds[0]) {
                lengthMultiplier_ = 10000.0f;
            } else if (length > thresholds[1]) {
                // A quiet frame ends the part; the lower rows are not tried.
                if (e < sampleThreshold_)
                    lengthMultiplier_ = 10000.0f;
            } else {
                for (size_t i = 0; i < std::size(limits_.multipliers); ++i) {
                    if (length > thresholds[i + 2]) {
                        lengthMultiplier_ = limits_.multipliers[i];
                        break;
                    }
                }
            }
            // A part never outgrows what the two blocks hold.
            const bool full = position_ - speechStart_ + frameLength >= kBlockSamples;
            const float endLimit = (static_cast<float>(history) * lengthMultiplier_) * endThreshold_;
            if (full || static_cast<float>(active_) < endLimit) {
                ++cuts_;
                if (position_ <= speechStart_ && position_ < kBlockSamples) {
                    sink.EmptySpeech();
                } else {
                    sink.SpeechEnds(speechStart_, position_);
                    speechEnd_ = position_;
                    inSpeech_ = false;
                }
            }
        }

        sink.FrameDone(position_);
        if (++slot_ == window_.size())
            slot_ = 0;
    }
}

std::optional<FinalPart> SpeechDetector::Finish() const {
    // Every cut lies on a frame start before the input's last sample, so
    // there is always a rest to write. The next number's parity decides
    // whether it is speech (from S0) or silence (from E0).
    if (samplesSeen_ <= 0)
        return std::nullopt;
    const bool speech = (cuts_ + 1) % 2 == 0;
    return FinalPart{speech, speech ? speechStart_ : speechEnd_, samplesSeen_ - 1, position_};
}

DetectedParts DetectParts(const std::vector<int16_t>& samples, uint32_t sampleRate,
                          const SegmentationOptions& options) {
    struct Collector : BoundarySink {
        DetectedParts result;
        int32_t number = 0;
        void SilenceEnds(int64_t from, int64_t to) override { result.parts.push_back({++number, from, to}); }
        void SpeechEnds(int64_t from, int64_t to) override { result.parts.push_back({++number, from, to}); }
        void EmptySpeech() override { result.emptyNumbers.push_back(++number); }
    } collector;
    SpeechDetector detector(options, sampleRate);
    std::vector<int16_t> block(static_cast<size_t>(kBlockSamples));
    const int64_t total = static_cast<int64_t>(samples.size());
    int64_t done = 0;
    bool last = false;
    while (!last) {
        const int64_t n = std::min(kBlockSamples, total - done);
        last = done + kBlockSamples > total;
        std::copy(samples.begin() + done, samples.begin() + done + n, block.begin());
        detector.AnalyseBlock(block.data(), n, collector);
        done += n;
    }
    if (const auto final = detector.Finish())
        collector.result.parts.push_back({collector.number + 1, final->from, final->to});
    return collector.result;
}

} // namespace lectorio
