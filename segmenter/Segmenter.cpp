// SPDX-License-Identifier: GPL-3.0-or-later
#include "Segmenter.h"

#include "SegmentWriter.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <utility>
#include <vector>

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

class ProgressReporter {
public:
    ProgressReporter(SegmentationListener& listener, int64_t total) : listener_(listener), total_(total) {}
    void Set(int position) {
        if (position != last_) {
            last_ = position;
            listener_.OnProgress(position);
        }
    }
    void AtSample(int64_t p) {
        if (total_ > 0)
            Set(static_cast<int>(std::clamp<int64_t>(1000 * p / total_, 0, 1000)));
    }

private:
    SegmentationListener& listener_;
    int64_t total_;
    int last_ = -1;
};

// The detector's state across blocks (initial values as a run starts).
struct Detector {
    bool inSpeech = false;
    int64_t speechStart = 0;       // S0
    int64_t speechEnd = 0;         // E0
    float lengthMultiplier = 1.0f; // replaces 1.0 in the end limit as a part grows
    int64_t frameNumber = 0;
    int32_t active = 0; // A, active frames in the window
    size_t slot = 0;    // frameNumber mod H
};

} // namespace

SegmentationLimits ComputeSegmentationLimits(const SegmentationOptions& options, uint32_t sampleRate) {
    SegmentationLimits limits;
    limits.frameLength = FrameLength(sampleRate);
    limits.history = std::max<int32_t>(options.energyHistory, 1);
    limits.startLimit = static_cast<float>(limits.history) * options.startThreshold;
    // M rounded once to single; each threshold trunc(double(M) x double(single factor)).
    limits.maxLength =
        static_cast<float>(static_cast<double>(options.maxSegmentLength) * static_cast<double>(sampleRate));
    const float factors[9] = {1.5f, 1.3f, 0.95f, 0.9f, 0.85f, 0.8f, 0.75f, 0.7f, 0.65f};
    for (int i = 0; i < 9; ++i)
        limits.lengthThresholds[i] =
            static_cast<int64_t>(static_cast<double>(limits.maxLength) * static_cast<double>(factors[i]));
    const double fractions[7] = {0.45, 0.425, 0.4, 0.375, 0.35, 0.325, 0.3};
    for (int i = 0; i < 7; ++i)
        limits.multipliers[i] = static_cast<float>(fractions[i] / static_cast<double>(options.endThreshold));
    return limits;
}

std::string LabelFilePath(const std::string& inputPath) {
    const size_t slash = inputPath.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::string result = inputPath.substr(0, nameStart);
    bool replaced = false;
    size_t i = nameStart;
    while (i < inputPath.size()) {
        if (i + 4 <= inputPath.size() && inputPath[i] == '.' &&
            std::tolower(static_cast<unsigned char>(inputPath[i + 1])) == 'w' &&
            std::tolower(static_cast<unsigned char>(inputPath[i + 2])) == 'a' &&
            std::tolower(static_cast<unsigned char>(inputPath[i + 3])) == 'v') {
            result += ".lab";
            replaced = true;
            i += 4;
        } else {
            result += inputPath[i++];
        }
    }
    if (!replaced)
        result += ".lab";
    return result;
}

SegmentationResult SegmentRecording(const std::string& inputPath, const std::string& outputFolder,
                                    const std::string& projectName, const SegmentationOptions& options,
                                    SegmentationListener& listener) {
    SegmentationResult result;
    auto input = OpenWaveFile(inputPath);
    result.inputStatus = input->status;
    const bool readable = input->status == WaveStatus::Reading;
    const int64_t total = readable ? input->frameCount : 0; // N
    result.framesExpected = total;
    result.sampleRate = input->sampleRate;

    SegmentWriter writer(outputFolder, projectName, *input, inputPath, listener, result);
    // A label file lists the cuts of a recording: none is made for an input
    // that is no readable recording.
    if (readable && options.createLabelFile)
        writer.OpenLabelFile(LabelFilePath(inputPath));

    ProgressReporter progress(listener, total);
    progress.Set(0);
    listener.OnStatus("File in process ");

    if (readable) {
        const SegmentationLimits limits = ComputeSegmentationLimits(options, input->sampleRate);
        const int64_t frameLength = limits.frameLength;
        const int32_t history = limits.history;
        const float startLimit = limits.startLimit;
        const int64_t* thresholds = limits.lengthThresholds;
        const float sampleThreshold = options.sampleThreshold;
        const float endThreshold = options.endThreshold;

        // Two blocks, no larger than the input needs (rounded up to whole frames).
        const int64_t blockSize =
            std::min(kBlockSamples, (total + frameLength - 1) / frameLength * frameLength);
        // Never read before written: samples past the input are zeroed where a
        // frame needs them, and parts are written only from samples read.
        std::unique_ptr<int16_t[]> currentBlock(new int16_t[static_cast<size_t>(blockSize)]);
        std::unique_ptr<int16_t[]> previousBlock(new int16_t[static_cast<size_t>(blockSize)]);
        std::vector<float> energies(static_cast<size_t>(blockSize / frameLength + 1));
        std::vector<uint8_t> window(static_cast<size_t>(history), 0);

        Detector d;
        int64_t framesRead = 0;
        int64_t base = -kBlockSamples;
        int64_t position = 0; // P, the current frame's first sample
        bool last = false;
        while (!last) {
            if (listener.StopRequested()) {
                result.stopped = true;
                result.segmentCount = writer.Count();
                return result;
            }
            int64_t wanted = kBlockSamples;
            if (framesRead + kBlockSamples > total) {
                wanted = total - framesRead;
                last = true;
            }
            const int64_t n = std::max<int64_t>(input->ReadMonoSamples(currentBlock.get(), wanted), 0);
            // A read that falls short (an I/O error, a file cut while it is
            // read) ends the input here; the result says so.
            if (n < wanted)
                last = true;
            base += kBlockSamples;
            framesRead += n;
            const float mean = BlockMean(currentBlock.get(), n);
            const int64_t frames = (2 * n + frameLength) / (2 * frameLength); // n / L rounded, halves up
            // The last frame's missing samples count as zero.
            if (frames * frameLength > n)
                std::fill(currentBlock.get() + n, currentBlock.get() + frames * frameLength, int16_t{0});
            FrameEnergies(currentBlock.get(), frames, frameLength, mean, energies.data());

            const BlockView blocks{currentBlock.get(), previousBlock.get(), base, base + n};
            for (int64_t k = 0; k < frames; ++k, position += frameLength) {
                const float e = energies[static_cast<size_t>(k)];
                const uint8_t isActive = e > sampleThreshold ? 1 : 0;
                d.active += isActive - window[d.slot];
                window[d.slot] = isActive;

                if (!d.inSpeech && (static_cast<float>(d.active) > startLimit ||
                                    position - d.speechStart > kForcedStartDistance)) {
                    int64_t start = std::max(position - frameLength * history, base);
                    if (d.speechEnd > start && d.speechEnd - start < kJoinDistance)
                        start = d.speechEnd + 1;
                    d.inSpeech = true;
                    d.lengthMultiplier = 1.0f;
                    d.speechStart = start;
                    writer.SilenceEnds(blocks, d.speechEnd, start);
                }

                if (d.inSpeech) {
                    const int64_t length = position - d.speechStart; // D
                    if (length > thresholds[0]) {
                        d.lengthMultiplier = 10000.0f;
                    } else if (length > thresholds[1]) {
                        // A quiet frame ends the part; the lower rows are not tried.
                        if (e < sampleThreshold)
                            d.lengthMultiplier = 10000.0f;
                    } else {
                        for (int i = 0; i < 7; ++i) {
                            if (length > thresholds[i + 2]) {
                                d.lengthMultiplier = limits.multipliers[i];
                                break;
                            }
                        }
                    }
                    // A part never outgrows what the two blocks hold.
                    const bool full = position - d.speechStart + frameLength >= kBlockSamples;
                    const float endLimit = (static_cast<float>(history) * d.lengthMultiplier) * endThreshold;
                    if (full || static_cast<float>(d.active) < endLimit) {
                        d.lengthMultiplier = 1.0f;
                        if (position <= d.speechStart && position < kBlockSamples) {
                            writer.RaiseCount();
                            listener.OnSegmentationError();
                        } else {
                            writer.SpeechEnds(blocks, d.speechStart, position);
                            d.speechEnd = position;
                            d.inSpeech = false;
                        }
                    }
                }

                progress.AtSample(position);
                ++d.frameNumber;
                if (++d.slot == window.size())
                    d.slot = 0;
            }

            if (last && framesRead > 0) {
                // The final part: every cut lies on a frame start before the
                // input's last sample, so there is always a rest to write. The
                // next number's parity decides whether it is speech (from S0)
                // or silence (from E0).
                const bool speech = (writer.Count() + 1) % 2 == 0;
                const BlockView tail{currentBlock.get(), previousBlock.get(), base, framesRead};
                writer.InputEnds(tail, speech ? d.speechStart : d.speechEnd, framesRead - 1, position);
            }
            std::swap(currentBlock, previousBlock);
        }
        result.framesRead = framesRead;
    }

    // Closing steps, in order.
    listener.OnDeleteStaleFiles(writer.Count());
    input.reset();
    progress.Set(1000);
    listener.OnStatus("");
    writer.CloseLabelFile();
    listener.OnWriteProjectFile(writer.Count());
    result.segmentCount = writer.Count();
    return result;
}

} // namespace lectorio
