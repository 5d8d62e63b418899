// SPDX-License-Identifier: GPL-3.0-or-later
#include "PitchAnalyzer.h"

#include "Correlation.h"
#include "WaveFile.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <system_error>
#include <thread>

namespace lectorio {

void AnalysisFrameSizes(int64_t sampleRate, int32_t& frameLength, int32_t& frameStep) {
    frameLength = 0;
    frameStep = 0;
    if (sampleRate < kLowestAnalysisRate || sampleRate > kHighestAnalysisRate)
        return;
    const PitchAnalysisParams params;
    // The single-precision constants widened to double before the product:
    // 22050 Hz gives H = 220 (0.01f is a little below 0.01), not 221.
    frameLength =
        static_cast<int32_t>(std::floor(static_cast<double>(sampleRate) * params.frameLength + 0.5));
    frameStep = static_cast<int32_t>(std::floor(static_cast<double>(sampleRate) * params.frameStep + 0.5));
}

PitchAnalyzer::PitchAnalyzer() = default;
PitchAnalyzer::~PitchAnalyzer() = default;

void PitchAnalyzer::SetFiles(const std::string& in, const std::string& out) {
    inputPath = in;
    outputPath = out;
}

bool PitchAnalyzer::OpenInput() {
    decoder_ = OpenWaveFile(inputPath);
    if (decoder_->status != WaveStatus::Reading) {
        decoder_.reset();
        fs = 44100;
        return false;
    }
    fs = static_cast<int32_t>(std::min<uint32_t>(decoder_->sampleRate, std::numeric_limits<int32_t>::max()));
    return true;
}

void PitchAnalyzer::Prepare() {
    AnalysisFrameSizes(fs, frameLength, frameStep);
    if (frameLength == 0) {
        minimumLag = maximumLag = 0; // and no frame is measured
        return;
    }
    const int32_t longestLag = static_cast<int32_t>(fs / static_cast<double>(params.lowestFrequency));
    minimumLag = static_cast<int32_t>(fs / static_cast<double>(params.highestFrequency));
    maximumLag = std::min(longestLag, frameLength);
    fourier_ = std::make_unique<const FourierCorrelation>(frameLength, longestLag);
}

namespace {

// Takes the mean (sum / n) away from a frame of n samples.
void CentreFrame(float* x, int32_t n, double sum) {
    const double mean = sum / static_cast<double>(n);
    for (int32_t i = 0; i < n; ++i)
        x[i] = static_cast<float>(x[i] - mean);
}

// The sums of squares of the n samples of a and of b (when given), each added
// up in order of the samples.
void SumsOfSquares(const float* a, const float* b, int32_t n, double* sums) {
    double first = 0.0, second = 0.0;
    if (b) {
        for (int32_t i = 0; i < n; ++i) {
            first += static_cast<double>(a[i]) * static_cast<double>(a[i]);
            second += static_cast<double>(b[i]) * static_cast<double>(b[i]);
        }
    } else {
        for (int32_t i = 0; i < n; ++i)
            first += static_cast<double>(a[i]) * static_cast<double>(a[i]);
    }
    sums[0] = first;
    sums[1] = second;
}

} // namespace

int DefaultAnalysisThreads() {
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

bool PitchAnalyzer::Run(int threads, const CancelCheck& cancelled) {
    std::vector<int16_t> samples;
    inputComplete_ = decoder_ && ReadAllMonoSamples(*decoder_, samples, cancelled);
    if (decoder_)
        decoder_->Close();
    if (cancelled && cancelled()) {
        track.Clear();
        return false;
    }
    return RunOnSamples(samples.data(), static_cast<int64_t>(samples.size()), threads, cancelled);
}

bool PitchAnalyzer::RunOnSamples(const int16_t* samples, int64_t n, int threads,
                                 const CancelCheck& cancelled) {
    track.Clear();
    lowestLogEnergy = 10.0f;
    previousVoicing = olderVoicing = 0.0f;
    previousRaw = olderRaw = 0.0f;
    if (frameLength <= 0 || n < frameLength) // no rate gives a frame but not a step
        return true;
    const int64_t frames = (n - frameLength) / frameStep + 1;
    std::vector<FrameMeasure> measures(static_cast<size_t>(frames));
    std::atomic<bool> stop = false;
    // The threads take stretches of frames in turn until none is left, so a
    // thread that starts late or runs slowly leaves more to the others.
    constexpr int64_t kStretch = 32;
    std::atomic<int64_t> next = 0;
    auto measure = [&] {
        std::vector<float> first(static_cast<size_t>(frameLength)), second(first.size());
        float* const x[] = {first.data(), second.data()};
        MeasureScratch scratch;
        for (int64_t first; (first = next.fetch_add(kStretch)) < frames;) {
            if (stop || (cancelled && cancelled())) {
                stop = true;
                return;
            }
            // Two frames at a time: the sums of both frames, each added up in
            // its own order, run side by side instead of one after the other.
            const int64_t end = std::min(first + kStretch, frames);
            for (int64_t i = first; i < end; i += 2) {
                const int pair = i + 1 < end ? 2 : 1;
                for (int j = 0; j < pair; ++j) {
                    const int16_t* start = samples + (i + j) * frameStep;
                    float* centred = x[j];
                    int64_t wholeSum = 0;
                    for (int32_t k = 0; k < frameLength; ++k) {
                        centred[k] = start[k];
                        wholeSum += start[k];
                    }
                    CentreFrame(centred, frameLength, static_cast<double>(wholeSum));
                }
                double energy[] = {0.0, 0.0};
                SumsOfSquares(x[0], pair == 2 ? x[1] : nullptr, frameLength, energy);
                MeasureCentred(x, energy, pair, scratch, &measures[static_cast<size_t>(i)]);
            }
        }
    };
    std::vector<std::thread> helpers;
    try {
        for (int64_t t = 1; t < std::min<int64_t>(threads, frames); ++t)
            helpers.emplace_back(measure);
    } catch (const std::system_error&) {
        // No more threads to be had: those there are take the frames.
    }
    measure();
    for (std::thread& helper : helpers)
        helper.join();
    if (stop)
        return false; // the track is still empty
    for (const FrameMeasure& m : measures)
        DecideFrame(m.voicing, m.candidate, m.energy);
    return true;
}

FrameMeasure PitchAnalyzer::MeasureFrame(float* x) const {
    double sum = 0.0;
    for (int32_t i = 0; i < frameLength; ++i)
        sum += x[i];
    CentreFrame(x, frameLength, sum);
    double energy[] = {0.0, 0.0};
    SumsOfSquares(x, nullptr, frameLength, energy);
    MeasureScratch scratch;
    FrameMeasure m;
    MeasureCentred(&x, energy, 1, scratch, &m);
    return m;
}

void PitchAnalyzer::MeasureCentred(const float* const* x, const double* energy, int frames,
                                   MeasureScratch& scratch, FrameMeasure* out) const {
    const int32_t n = frameLength;
    // Not limited to N here: 40 Hz is always shorter than the 40 ms frame.
    const int32_t lowLag = static_cast<int32_t>(fs / static_cast<double>(params.highestFrequency));
    const int32_t highLag = static_cast<int32_t>(fs / static_cast<double>(params.lowestFrequency));
    const size_t count = static_cast<size_t>(highLag - lowLag + 1);
    std::vector<double>& sums = scratch.sums;

    // Strictly larger wins, so the smallest lag wins among equal sums.
    double best[] = {-1.0e10, -1.0e10};
    int32_t bestLag[] = {lowLag, lowLag};
    auto offer = [&](int f, int32_t lag, double sum) {
        if (sum > best[f]) {
            best[f] = sum;
            bestLag[f] = lag;
        }
    };
    for (int f = 0; f < frames; ++f) {
        std::vector<int32_t>& candidates = scratch.candidates[f];
        candidates.clear();
        if (energy[f] == 0.0)
            continue; // every product is 0 and every sum +0: the first lag stands
        if (fullCorrelation) {
            sums.resize(count);
            CorrelationSums(x[f], n, lowLag, highLag, sums.data());
            for (int32_t lag = lowLag; lag <= highLag; ++lag)
                offer(f, lag, sums[lag - lowLag]);
        } else {
            // Only the winning sum needs its exact value. Each approximation
            // is within `margin` of its lag's exact sum, so a lag whose
            // approximation lies more than twice that below the largest one
            // has a smaller exact sum than that lag's: it cannot win. The
            // others (mostly one) are summed exactly and compared as above.
            // Three margins rather than two leave room for the rounding of
            // the threshold itself.
            sums.resize(count + fourier_->WorkSize());
            fourier_->Sums(x[f], lowLag, highLag, sums.data(), sums.data() + count);
            const double margin = FourierCorrelation::kError * energy[f];
            const double top = *std::max_element(sums.begin(), sums.begin() + static_cast<ptrdiff_t>(count));
            const double threshold = top - 3.0 * margin;
            for (int32_t lag = lowLag; lag <= highLag; ++lag) {
                if (sums[lag - lowLag] >= threshold)
                    candidates.push_back(lag);
            }
        }
    }
    // The exact sums, each frame's in the order of its lags; the two frames'
    // side by side as long as both have lags left.
    const size_t common =
        frames == 2 ? std::min(scratch.candidates[0].size(), scratch.candidates[1].size()) : 0;
    for (size_t k = 0; k < common; ++k) {
        const int32_t lag0 = scratch.candidates[0][k], lag1 = scratch.candidates[1][k];
        const auto [exact0, exact1] = CorrelationSumPair(x[0], lag0, x[1], lag1, n);
        offer(0, lag0, exact0);
        offer(1, lag1, exact1);
    }
    for (int f = 0; f < frames; ++f) {
        for (size_t k = common; k < scratch.candidates[f].size(); ++k)
            offer(f, scratch.candidates[f][k], CorrelationSum(x[f], n, scratch.candidates[f][k]));
        // A peak at either end of the range is no pitch. Inside the range the
        // energy is positive: a frame of zeros has its peak at the first lag.
        FrameMeasure& m = out[f];
        m.voicing =
            (bestLag[f] == lowLag || bestLag[f] == highLag) ? 0.0f : static_cast<float>(best[f] / energy[f]);
        m.candidate = static_cast<float>(fs) / static_cast<float>(bestLag[f]);
        m.energy = energy[f];
        m.bestLag = bestLag[f];
    }
}

float PitchAnalyzer::DecideFrame(float v, float candidate, double energy) {
    const float t = params.voicingThreshold;
    const float bridged = static_cast<float>(t + 0.01); // 0.41f
    if (v > t && previousVoicing < t && olderVoicing > t)
        previousVoicing = bridged; // bridges a one-frame gap in the history only
    else if (t - 0.1 < v && previousVoicing > t && olderVoicing > t)
        v = bridged;
    float f = candidate;
    if (v < t)
        f = 0.0f;

    const float logEnergy = static_cast<float>(std::log(energy / frameLength + 1.0));
    if (logEnergy < lowestLogEnergy)
        lowestLogEnergy = logEnergy;
    if (logEnergy < lowestLogEnergy + 3.0)
        f = 0.0f;

    olderVoicing = previousVoicing;
    previousVoicing = v;

    const float median =
        std::max(std::min(olderRaw, previousRaw), std::min(std::max(olderRaw, previousRaw), f));
    const float smooth = static_cast<float>(0.25 * olderRaw + 0.25 * previousRaw + 0.5 * f);
    const float out = std::fabs(static_cast<double>(smooth) - median) < 10.0 ? smooth : median;
    olderRaw = previousRaw;
    previousRaw = f;
    track.Append(out);
    return out;
}

PitchTrack PitchAnalyzer::Track() const {
    PitchTrack result;
    result.frameLength = frameLength;
    result.frameStep = frameStep;
    result.sampleRate = fs;
    result.values = track.Values();
    return result;
}

bool PitchAnalyzer::WriteTrack() {
    if (track.Empty())
        return false;
    return WritePitchTrack(outputPath, Track());
}

const char* PitchTrackOutcomeText(PitchTrackOutcome outcome) {
    switch (outcome) {
    case PitchTrackOutcome::Written:
        return "pitch track written";
    case PitchTrackOutcome::SegmentUnreadable:
        return "the segment cannot be read as a WAV file";
    case PitchTrackOutcome::SegmentTruncated:
        return "the segment ended before the length its header gives";
    case PitchTrackOutcome::UnsupportedRate:
        return "the segment's sample rate cannot be analysed (400 to 384000 Hz are)";
    case PitchTrackOutcome::TooShort:
        return "the segment is shorter than one analysis frame (40 ms)";
    case PitchTrackOutcome::WriteFailed:
        return "the pitch track file cannot be written";
    case PitchTrackOutcome::Cancelled:
        return "the analysis was cancelled";
    }
    return "unknown outcome";
}

namespace {

// Analyses the given samples, or else the analyzer's opened input, at the
// analyzer's rate; the analyzer keeps the track.
PitchTrackOutcome Measure(PitchAnalyzer& analyzer, const std::vector<int16_t>* samples, int threads,
                          const CancelCheck& cancelled) {
    analyzer.Prepare();
    if (analyzer.frameLength == 0)
        return PitchTrackOutcome::UnsupportedRate;
    threads = threads > 0 ? threads : DefaultAnalysisThreads();
    if (!(samples ? analyzer.RunOnSamples(samples->data(), static_cast<int64_t>(samples->size()), threads,
                                          cancelled)
                  : analyzer.Run(threads, cancelled)))
        return PitchTrackOutcome::Cancelled;
    if (!samples && !analyzer.InputComplete())
        return PitchTrackOutcome::SegmentTruncated;
    if (analyzer.track.Empty())
        return PitchTrackOutcome::TooShort;
    return PitchTrackOutcome::Written;
}

} // namespace

PitchTrackOutcome AnalyzeSegment(const std::string& segmentPath, const std::string& trackPath, int threads,
                                 const CancelCheck& cancelled) {
    PitchAnalyzer analyzer;
    analyzer.SetFiles(segmentPath, trackPath);
    if (!analyzer.OpenInput())
        return PitchTrackOutcome::SegmentUnreadable;
    const PitchTrackOutcome outcome = Measure(analyzer, nullptr, threads, cancelled);
    if (outcome != PitchTrackOutcome::Written)
        return outcome;
    return analyzer.WriteTrack() ? PitchTrackOutcome::Written : PitchTrackOutcome::WriteFailed;
}

PitchTrackOutcome AnalyzeSamples(const std::vector<int16_t>& samples, int64_t sampleRate, PitchTrack& track,
                                 int threads, const CancelCheck& cancelled) {
    PitchAnalyzer analyzer;
    analyzer.fs = static_cast<int32_t>(std::min<int64_t>(sampleRate, std::numeric_limits<int32_t>::max()));
    const PitchTrackOutcome outcome = Measure(analyzer, &samples, threads, cancelled);
    if (outcome == PitchTrackOutcome::Written)
        track = analyzer.Track();
    return outcome;
}

bool BuildPitchTrack(const std::string& segmentPath, const std::string& trackPath, int threads,
                     const CancelCheck& cancelled) {
    return AnalyzeSegment(segmentPath, trackPath, threads, cancelled) == PitchTrackOutcome::Written;
}

} // namespace lectorio
