// SPDX-License-Identifier: GPL-3.0-or-later
#include "SlowVersion.h"

#include "PitchAnalyzer.h"
#include "SafeFile.h"
#include "WaveFile.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <unistd.h>
#include <unordered_map>

namespace lectorio {

void MakeWindow(float* buffer, int64_t length) {
    const double twoPi = 6.2831855f;
    auto exact = [&](int64_t i) {
        return static_cast<float>(
            0.5 * (1.0 - std::cos((twoPi * static_cast<double>(i + 1)) / static_cast<double>(length + 1))));
    };
    // The cosines come from turning a unit vector by one step at a time,
    // which is much quicker than std::cos. Each turn adds an error of a few
    // units in the last place (under 1e-15), so after i + 1 turns the value
    // is within 1e-14 * (i + 2) of 0.5 * (1 - std::cos) as the plain formula
    // computes it (std::cos is within an ulp, the angle within two). Only a
    // value whose whole interval of that width rounds to one float is taken;
    // the others (a few near the window's ends) are computed as the formula
    // does.
    const double step = twoPi / static_cast<double>(length + 1);
    const double stepCos = std::cos(step), stepSin = std::sin(step);
    double c = 1.0, s = 0.0;
    for (int64_t i = 0; i < length; ++i) {
        const double turned = c * stepCos - s * stepSin;
        s = s * stepCos + c * stepSin;
        c = turned;
        const double y = 0.5 * (1.0 - c);
        const double slack = 1e-14 * static_cast<double>(i + 2);
        const float rounded = static_cast<float>(y);
        const bool sure =
            static_cast<float>(y - slack) == rounded && static_cast<float>(y + slack) == rounded;
        buffer[i] = sure ? rounded : exact(i);
    }
}

void ReverseSamples(float* buffer, int64_t length) {
    for (int64_t i = 0; i < length / 2; ++i)
        std::swap(buffer[i], buffer[length - 1 - i]);
}

bool PlaceMarks(const PitchTrack& track, int64_t sampleCount, PitchMarks& marks) {
    marks.position.assign(1, 0);
    marks.voiced.assign(1, false);
    const int64_t h = track.frameStep;
    if (h <= 0)
        return false;
    const int64_t lastSample = sampleCount - 1;
    const double fs = track.sampleRate;
    int64_t p = 0;
    for (size_t i = 0; i < track.values.size(); ++i) {
        const float centre = static_cast<float>(track.frameLength / 2 + static_cast<int64_t>(i) * h);
        const float f = track.values[i];
        if (f == 0.0f) {
            p += h;
            if (p >= lastSample)
                return false;
            marks.position.push_back(p);
            marks.voiced.push_back(false);
            continue;
        }
        const double period = std::ceil((1.0 / f) * fs);
        // A period this long never fits before a frame centre (and would
        // not fit an integer either).
        if (!(period <= 1099511627776.0))
            continue;
        const int64_t step = static_cast<int64_t>(period);
        while (static_cast<float>(p + step) <= centre) {
            p += step;
            if (p >= lastSample)
                return false;
            marks.position.push_back(p);
            marks.voiced.push_back(true);
        }
    }
    return true;
}

NearestMarkSearch::NearestMarkSearch(const std::vector<int64_t>& positions, double factor)
    : positions_(positions), factor_(factor) {}

double NearestMarkSearch::Offset(int64_t a, int64_t t) const {
    return std::trunc(static_cast<double>(positions_[a]) * factor_ - static_cast<double>(t));
}

int64_t NearestMarkSearch::Find(int64_t t) {
    // Offsets never decrease along the marks and never increase with t, so
    // the first mark at or after t only moves forward. The nearest mark is
    // that one or the first of the run of equal offsets just before it.
    const int64_t count = static_cast<int64_t>(positions_.size());
    while (firstAtOrAfter_ < count && Offset(firstAtOrAfter_, t) < 0.0)
        ++firstAtOrAfter_;
    const int64_t right = firstAtOrAfter_;
    if (right == 0)
        return 0;
    int64_t left = right - 1;
    const double leftOffset = Offset(left, t);
    while (left > 0 && Offset(left - 1, t) == leftOffset)
        --left;
    if (right == count || -leftOffset <= Offset(right, t))
        return left;
    return right;
}

int64_t StretchedLength(int64_t n, double factor) {
    return static_cast<int64_t>(std::ceil(static_cast<double>(n) * factor));
}

std::vector<OverlapSegment> PlanOverlapAdd(const PitchMarks& marks, int64_t outputLength, double factor) {
    const int64_t count = marks.Count();
    // Entries past the last mark read as 0 (position) and unvoiced.
    auto mark = [&](int64_t a) { return a < count ? marks.position[a] : int64_t{0}; };
    auto voiced = [&](int64_t a) { return a < count && marks.voiced[a] != 0; };

    std::vector<OverlapSegment> plan;
    NearestMarkSearch search(marks.position, factor);
    int64_t t = 0;
    int64_t previous = -1;
    for (;;) {
        int64_t j = search.Find(t);
        if (!plan.empty() && j == 0)
            j = 1;
        const int64_t span = voiced(j + 1) ? 2 : 3;
        if (mark(j + span) == 0)
            break;
        OverlapSegment piece;
        piece.mark = j;
        piece.length = mark(j + span) - mark(j) + 1;
        piece.outputStart = j == 0 ? 0 : t;
        const int64_t step = j == 0 ? mark(1) : mark(j + 1) - mark(j);
        if (piece.outputStart + piece.length - 1 >= outputLength)
            break;
        // A repeated unvoiced stretch is played backwards so that it does
        // not sound periodic.
        piece.reversed = j == previous && !voiced(j + 1);
        plan.push_back(piece);
        t = piece.outputStart + step;
        previous = j;
    }
    return plan;
}

bool StretchSamplesInto(const std::vector<int16_t>& samples, const PitchMarks& marks, double factor,
                        const SampleSink& sink, const CancelCheck& cancelled) {
    const int64_t outputLength = StretchedLength(static_cast<int64_t>(samples.size()), factor);
    const std::vector<OverlapSegment> plan = PlanOverlapAdd(marks, outputLength, factor);

    // Pieces start ever later, so every output sample before the start of
    // the next piece is complete. The sums live in a ring longer than any
    // piece and are finished as soon as they are complete: the memory used
    // stays small whatever the segment's length.
    int64_t longest = 1;
    for (const OverlapSegment& piece : plan)
        longest = std::max(longest, piece.length);
    int64_t ringSize = 1;
    while (ringSize < longest)
        ringSize *= 2;
    const int64_t mask = ringSize - 1;
    std::vector<float> out(static_cast<size_t>(ringSize), 0.0f);
    std::vector<float> weight(static_cast<size_t>(ringSize), 0.0f);
    // Finished samples wait in a block beside the ring, at the same places,
    // and go to the sink each time the block is full: the copy is never held
    // whole. The loops below run over stretches of the ring without a wrap,
    // so that they are simple enough to vectorise.
    std::vector<int16_t> block(static_cast<size_t>(ringSize));
    bool delivered = true;
    int64_t finished = 0;
    auto finishUpTo = [&](int64_t end) {
        while (finished < end) {
            const int64_t r = finished & mask;
            const int64_t count = std::min(end - finished, ringSize - r);
            int16_t* result = block.data() + r;
            for (int64_t i = 0; i < count; ++i) {
                // A weighted mean of 16-bit samples; the clamp only guards
                // rounding. Dividing by 1 changes nothing.
                const float divisor = weight[r + i] != 0.0f ? weight[r + i] : 1.0f;
                const float value = out[r + i] / divisor;
                result[i] = static_cast<int16_t>(std::clamp(value, -32768.0f, 32767.0f));
                out[r + i] = 0.0f;
                weight[r + i] = 0.0f;
            }
            finished += count;
            if (r + count == ringSize)
                delivered = delivered && sink(block.data(), ringSize);
        }
    };

    std::unordered_map<int64_t, std::vector<float>> windows;
    std::vector<float> segment;
    for (const OverlapSegment& piece : plan) {
        // A check is a load of an atomic: far less than a piece's work.
        if (!delivered || (cancelled && cancelled()))
            return false;
        finishUpTo(piece.outputStart);
        const int64_t length = piece.length;
        std::vector<float>& window = windows[length];
        if (window.empty()) {
            window.resize(static_cast<size_t>(length));
            MakeWindow(window.data(), length);
        }
        segment.resize(static_cast<size_t>(length));
        const int16_t* in = samples.data() + marks.position[piece.mark];
        for (int64_t i = 0; i < length; ++i)
            segment[i] = static_cast<float>(in[i]) * window[i];
        if (piece.reversed)
            ReverseSamples(segment.data(), length);
        // A piece is never longer than the ring: it wraps at most once.
        const int64_t first = piece.outputStart & mask;
        const int64_t beforeWrap = std::min(length, ringSize - first);
        for (int64_t i = 0; i < beforeWrap; ++i) {
            out[first + i] += segment[i];
            weight[first + i] += window[i];
        }
        for (int64_t i = beforeWrap; i < length; ++i) {
            out[i - beforeWrap] += segment[i];
            weight[i - beforeWrap] += window[i];
        }
    }
    finishUpTo(outputLength);
    return delivered && sink(block.data(), finished & mask); // the rest, perhaps none
}

std::vector<int16_t> StretchSamples(const std::vector<int16_t>& samples, const PitchMarks& marks,
                                    double factor, const CancelCheck& cancelled) {
    std::vector<int16_t> result;
    const bool whole = StretchSamplesInto(
        samples, marks, factor,
        [&](const int16_t* finished, int64_t count) {
            result.insert(result.end(), finished, finished + count);
            return true;
        },
        cancelled);
    return whole ? result : std::vector<int16_t>{};
}

bool TrackFitsSegment(const PitchTrack& track, int64_t sampleRate, int64_t sampleCount) {
    int32_t frameLength, frameStep; // both always set
    AnalysisFrameSizes(sampleRate, frameLength, frameStep);
    if (frameLength == 0 || track.sampleRate != sampleRate || track.frameLength != frameLength ||
        track.frameStep != frameStep || sampleCount < frameLength)
        return false;
    const int64_t frames = (sampleCount - frameLength) / frameStep + 1;
    return static_cast<int64_t>(track.values.size()) == frames;
}

const char* SlowVersionResultText(SlowVersionResult result) {
    switch (result) {
    case SlowVersionResult::Done:
        return "slowed copy written";
    case SlowVersionResult::SegmentUnreadable:
        return "the segment cannot be read as a WAV file";
    case SlowVersionResult::SegmentTruncated:
        return "the segment ended before the length its header gives";
    case SlowVersionResult::TrackMissing:
        return "the pitch track file cannot be opened";
    case SlowVersionResult::TrackTruncated:
        return "the pitch track file is truncated or damaged";
    case SlowVersionResult::TrackMismatch:
        return "the pitch track belongs to another segment";
    case SlowVersionResult::BadFactor:
        return "the duration factor is out of range";
    case SlowVersionResult::OutputIsSegment:
        return "the output file would replace the segment itself";
    case SlowVersionResult::OutputFailed:
        return "the output file cannot be written";
    case SlowVersionResult::Cancelled:
        return "the copy was cancelled";
    }
    return "unknown result";
}

namespace {

// Reads the whole segment for a copy at outputPath, or says why it cannot.
// `input` stays open for its format until the caller lets go of it.
SlowVersionResult ReadSegment(const std::string& segmentPath, const std::string& outputPath,
                              std::unique_ptr<WaveFile>& input, std::vector<int16_t>& samples,
                              const CancelCheck& cancelled) {
    input = OpenWaveFile(segmentPath);
    if (input->status != WaveStatus::Reading)
        return SlowVersionResult::SegmentUnreadable;
    if (SameFile(segmentPath, outputPath))
        return SlowVersionResult::OutputIsSegment;
    const bool complete = ReadAllMonoSamples(*input, samples, cancelled);
    if (cancelled && cancelled())
        return SlowVersionResult::Cancelled;
    return complete ? SlowVersionResult::Done : SlowVersionResult::SegmentTruncated;
}

} // namespace

SlowVersionResult SynthesizeSlowVersion(const WaveFile& format, const std::vector<int16_t>& samples,
                                        const std::string& outputPath, const PitchTrack& track, double factor,
                                        const CancelCheck& cancelled) {
    if (!(factor >= kSmallestFactor && factor <= kLargestFactor))
        return SlowVersionResult::BadFactor;
    const int64_t got = static_cast<int64_t>(samples.size());
    PitchMarks marks;
    if (!TrackFitsSegment(track, format.sampleRate, got) || !PlaceMarks(track, got, marks))
        return SlowVersionResult::TrackMismatch;

    // Never written in place: a half-written copy is never played, and the
    // old copy stays when this one fails or is cancelled.
    ReplacementFile replacement(outputPath);
    std::FILE* stream = replacement.IsOpen() ? StreamOf(::dup(replacement.Descriptor()), "wb") : nullptr;
    std::unique_ptr<WaveFile> writer =
        CreateWaveStream(stream, format.sampleRate, format.bitsPerSample, format.channels, format.formatTag);
    bool ok = writer->status == WaveStatus::Writing &&
              StretchSamplesInto(
                  samples, marks, factor,
                  [&](const int16_t* finished, int64_t count) {
                      return writer->WriteMonoSamples(finished, count) == count;
                  },
                  cancelled);
    writer->Close();
    if (cancelled && cancelled())
        return SlowVersionResult::Cancelled;
    // Made again for every shown segment and speed: not worth a sync.
    ok = ok && writer->status == WaveStatus::Closed && replacement.Commit(Durability::Rebuilt);
    return ok ? SlowVersionResult::Done : SlowVersionResult::OutputFailed;
}

SlowVersionResult SynthesizeSlowVersion(const std::string& segmentPath, const std::string& outputPath,
                                        const std::string& trackPath, double factor,
                                        const CancelCheck& cancelled) {
    std::unique_ptr<WaveFile> input;
    std::vector<int16_t> samples;
    if (const auto read = ReadSegment(segmentPath, outputPath, input, samples, cancelled);
        read != SlowVersionResult::Done)
        return read;
    PitchTrack track;
    switch (ReadPitchTrack(trackPath, track)) {
    case TrackReadResult::Ok:
        return SynthesizeSlowVersion(*input, samples, outputPath, track, factor, cancelled);
    case TrackReadResult::Missing:
        return SlowVersionResult::TrackMissing;
    case TrackReadResult::Truncated:
    case TrackReadResult::Malformed:
        break;
    }
    return SlowVersionResult::TrackTruncated;
}

SlowVersionResult SynthesizeSlowVersion(const std::string& segmentPath, const std::string& outputPath,
                                        const PitchTrack& track, double factor,
                                        const CancelCheck& cancelled) {
    std::unique_ptr<WaveFile> input;
    std::vector<int16_t> samples;
    const auto read = ReadSegment(segmentPath, outputPath, input, samples, cancelled);
    return read == SlowVersionResult::Done
               ? SynthesizeSlowVersion(*input, samples, outputPath, track, factor, cancelled)
               : read;
}

} // namespace lectorio
