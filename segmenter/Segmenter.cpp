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
            Set(static_cast<int>(std::min<int64_t>(1000 * p / total_, 1000))); // frames run past the end
    }

private:
    SegmentationListener& listener_;
    int64_t total_;
    int last_ = -1;
};

// Hands the detector's cuts to the writer, with the two blocks they lie in.
class CutWriter : public BoundarySink {
public:
    CutWriter(SegmentWriter& writer, ProgressReporter& progress, SegmentationListener& listener)
        : writer_(writer), progress_(progress), listener_(listener) {}
    BlockView blocks;
    void SilenceEnds(int64_t from, int64_t to) override { writer_.SilenceEnds(blocks, from, to); }
    void SpeechEnds(int64_t from, int64_t to) override { writer_.SpeechEnds(blocks, from, to); }
    void EmptySpeech() override {
        writer_.RaiseCount();
        listener_.OnSegmentationError();
    }
    void FrameDone(int64_t position) override { progress_.AtSample(position); }

private:
    SegmentWriter& writer_;
    ProgressReporter& progress_;
    SegmentationListener& listener_;
};

} // namespace

std::string LabelFilePath(const std::string& inputPath) {
    const size_t nameStart = inputPath.rfind('/') + 1; // 0 without a folder: npos + 1 wraps
    std::string result = inputPath.substr(0, nameStart), lower = inputPath;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    bool replaced = false;
    size_t i = nameStart;
    while (i < inputPath.size()) {
        if (lower.compare(i, 4, ".wav") == 0) { // fewer than four characters left never match
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
    auto input = OpenWaveFile(inputPath);
    const bool readable = input->status == WaveStatus::Reading;
    WaveFileSource source(*input);
    // A label file lists the cuts of a recording: none is made for an input
    // that is no readable recording.
    const SegmentationTarget target{outputFolder, projectName, inputPath,
                                    readable && options.createLabelFile ? LabelFilePath(inputPath) : ""};
    return SegmentSource(readable ? &source : nullptr, target, options, listener);
}

SegmentationResult SegmentSource(SampleSource* source, const SegmentationTarget& target,
                                 const SegmentationOptions& options, SegmentationListener& listener) {
    SegmentationResult result;
    const WaveFormat format = source ? source->Format() : WaveFormat{};
    const int64_t total = source ? source->FrameCount() : 0; // N, or -1 when unknown
    result.framesExpected = std::max<int64_t>(total, 0);
    result.sampleRate = format.sampleRate;

    SegmentWriter writer(target.outputFolder, target.projectName, format, target.inputPath, listener, result);
    if (source && !target.labelPath.empty() && writer.OpenLabelFile(target.labelPath))
        result.labelPath = target.labelPath;

    ProgressReporter progress(listener, source ? source->EstimatedFrames() : 0);
    progress.Set(0);
    listener.OnStatus("File in process ");

    bool stopped = false;
    if (source) {
        SpeechDetector detector(options, format.sampleRate);
        const int64_t frameLength = detector.Limits().frameLength;
        // Two blocks, no larger than the input needs (rounded up to whole
        // frames) when its length is known.
        const int64_t blockSize =
            total < 0 ? kBlockSamples
                      : std::min(kBlockSamples, (total + frameLength - 1) / frameLength * frameLength);
        // Never read before written: samples past the input are zeroed where a
        // frame needs them, and parts are written only from samples read.
        std::unique_ptr<int16_t[]> currentBlock(new int16_t[static_cast<size_t>(blockSize)]);
        std::unique_ptr<int16_t[]> previousBlock(new int16_t[static_cast<size_t>(blockSize)]);
        CutWriter cuts(writer, progress, listener);

        int64_t framesRead = 0;
        bool last = false;
        while (!last) {
            if (listener.StopRequested()) {
                stopped = true;
                break;
            }
            int64_t wanted = std::min(kBlockSamples, blockSize);
            if (total >= 0 && framesRead + kBlockSamples > total) {
                wanted = total - framesRead;
                last = true;
            }
            const int64_t n = std::max<int64_t>(source->Read(currentBlock.get(), wanted), 0);
            // A read that falls short (the end of a stream, an I/O error, a
            // file cut while it is read) ends the input here; the result says so.
            if (n < wanted)
                last = true;
            framesRead += n;
            const int64_t base = detector.BlockBase() + kBlockSamples;
            cuts.blocks = BlockView{currentBlock.get(), previousBlock.get(), base, base + n};
            detector.AnalyseBlock(currentBlock.get(), n, cuts);
            if (last) {
                result.inputFailure = source->Failure();
                if (!result.inputFailure.empty() && !listener.KeepPartialInput(result.inputFailure)) {
                    stopped = true;
                    break;
                }
                if (const auto final = detector.Finish()) {
                    const BlockView tail{currentBlock.get(), previousBlock.get(), base, framesRead};
                    writer.InputEnds(tail, final->from, final->to, final->endPosition);
                }
            }
            std::swap(currentBlock, previousBlock);
        }
        result.framesRead = framesRead;
    }

    if (stopped) {
        writer.RemoveWrittenFiles();
        result.stopped = true;
        result.labelPath.clear();
        progress.Set(1000);
        listener.OnStatus("");
        return result;
    }

    // Closing steps, in order.
    listener.OnDeleteStaleFiles(writer.Count());
    progress.Set(1000);
    listener.OnStatus("");
    writer.CloseLabelFile();
    listener.OnWriteProjectFile(writer.Count());
    result.segmentCount = writer.Count();
    return result;
}

} // namespace lectorio
