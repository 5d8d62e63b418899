// SPDX-License-Identifier: GPL-3.0-or-later
// Pitch and voicing analysis of one speech segment.
//
// A short-time autocorrelation estimator with a voicing decision, an adaptive
// energy floor, hysteresis on the voicing value and a three-frame smoother
// gives one fundamental frequency per 10 ms frame (0 = unvoiced or quiet).
// The results are bit-exact: constants are single-precision values widened
// to double where the arithmetic is double, and nothing may be contracted
// into fused multiply-adds.
//
// A PitchAnalyzer is built for one segment and thrown away; no state carries
// over between segments. The correlation of the frames, which do not depend
// on each other, may be spread over several threads; the decisions that
// carry state from frame to frame run in frame order on the caller's thread,
// so the track is the same whatever the number of threads.
#pragma once

#include "PitchTrackFile.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace lectorio {

class FourierCorrelation;
class WaveFile;

// What the correlation of one frame gives the decisions.
struct FrameMeasure {
    float voicing = 0.0f;   // v
    float candidate = 0.0f; // frequency of the best lag, Hz
    double energy = 0.0;    // sum of squares after removing the mean
    int32_t bestLag = 0;
};

// Threads the analysis uses by default: the processor's cores, at least one.
int DefaultAnalysisThreads();

struct PitchAnalysisParams {
    float frameLength = 0.04f;       // seconds
    float frameStep = 0.01f;         // seconds
    float lowestFrequency = 40.0f;   // Hz
    float highestFrequency = 400.0f; // Hz
    float voicingThreshold = 0.4f;
};

// The analysed values, one per frame, in a vector that grows geometrically.
class ValueTrack {
public:
    void Append(float value) { values_.push_back(value); }
    void Clear() { values_.clear(); }
    size_t Size() const { return values_.size(); }
    bool Empty() const { return values_.empty(); }
    float operator[](size_t i) const { return values_[i]; }
    const std::vector<float>& Values() const { return values_; }

private:
    std::vector<float> values_;
};

// Sample rates the analysis accepts, in Hz. Below the lowest the frame step
// would be 0 samples and the shortest lag 0; above the highest the frames
// grow so long that one segment would take minutes.
inline constexpr int32_t kLowestAnalysisRate = 400;
inline constexpr int32_t kHighestAnalysisRate = 384000;

class PitchAnalyzer {
public:
    PitchAnalyzer();
    ~PitchAnalyzer();
    PitchAnalyzer(const PitchAnalyzer&) = delete;
    PitchAnalyzer& operator=(const PitchAnalyzer&) = delete;

    void SetFiles(const std::string& inputPath, const std::string& outputPath);

    // Opens the input; its samples are decoded to mono 16-bit by WaveFile
    // (every sample width and channel count it reads). fs is its sample
    // rate, or 44100 when the file cannot be read. Returns whether it can.
    bool OpenInput();

    // Frame length N, step H and the lag range, in samples, from fs and
    // the frequency range in params. A
    // rate outside kLowestAnalysisRate..kHighestAnalysisRate gives N = H = 0
    // and no frames.
    void Prepare();

    // Reads the opened input and analyses every whole frame of it, the
    // frames' correlations on `threads` threads. False (with an empty track)
    // when `cancelled` said so.
    bool Run(int threads = 1, const CancelCheck& cancelled = {});

    // Whether Run read every frame the input's header announces.
    bool InputComplete() const { return inputComplete_; }

    // The same on samples in memory (n frames at the prepared fs).
    bool RunOnSamples(const int16_t* samples, int64_t n, int threads = 1, const CancelCheck& cancelled = {});

    // The correlation of one frame of N samples (x is changed: its mean is
    // removed), without touching the running state.
    FrameMeasure MeasureFrame(float* x) const;

    // The decisions after the correlation: voicing hysteresis, energy gate,
    // history shift and smoother. v is the voicing value, candidate the
    // frequency of the best lag (Hz) and energy the frame's sum of squares.
    // Returns the value appended to the track.
    float DecideFrame(float v, float candidate, double energy);

    // Writes the pitch-track file when at least one frame was analysed.
    // Returns whether the file was written.
    bool WriteTrack();

    PitchTrack Track() const;

    PitchAnalysisParams params;
    std::string inputPath;
    std::string outputPath;
    int32_t fs = 0;
    int32_t frameLength = 0; // N
    int32_t frameStep = 0;   // H
    int32_t minimumLag = 0;
    int32_t maximumLag = 0;
    ValueTrack track;

    // Running state of one run.
    float lowestLogEnergy = 10.0f;
    float previousVoicing = 0.0f; // p1
    float olderVoicing = 0.0f;    // p2
    float previousRaw = 0.0f;     // h1
    float olderRaw = 0.0f;        // h0

    // Every lag's sum taken in full, as a check of the faster way (which
    // gives the same measures).
    bool fullCorrelation = false;

private:
    struct MeasureScratch {
        std::vector<double> sums;
        std::vector<int32_t> candidates[2];
    };
    // MeasureFrame of one or two frames (`frames`) whose means are removed
    // and whose sums of squares are `energy`, into out[0 .. frames - 1].
    void MeasureCentred(const float* const* x, const double* energy, int frames, MeasureScratch& scratch,
                        FrameMeasure* out) const;

    std::unique_ptr<const FourierCorrelation> fourier_; // for the prepared sizes
    std::unique_ptr<WaveFile> decoder_;
    bool inputComplete_ = false;
};

enum class PitchTrackOutcome {
    Written,
    SegmentUnreadable, // WaveFile cannot read the segment
    SegmentTruncated,  // the segment ended before the length its header gives
    UnsupportedRate,   // sample rate outside the analysable range
    TooShort,          // fewer samples than one analysis frame
    WriteFailed,       // the track file cannot be created or written
    Cancelled,         // given up on request; no track written
};

const char* PitchTrackOutcomeText(PitchTrackOutcome outcome);

// One full analysis: the segment's pitch track is written to trackPath
// (through a temporary file, so an old track is either replaced whole or
// left as it was). The frames are spread over `threads` threads (0: the
// default); the track is the same for any number.
PitchTrackOutcome AnalyzeSegment(const std::string& segmentPath, const std::string& trackPath,
                                 int threads = 0, const CancelCheck& cancelled = {});

// The same analysis of a segment's samples already read in full, with the
// track kept in memory: Written means `track` holds it; UnsupportedRate,
// TooShort and Cancelled are the other outcomes.
PitchTrackOutcome AnalyzeSamples(const std::vector<int16_t>& samples, int64_t sampleRate, PitchTrack& track,
                                 int threads = 0, const CancelCheck& cancelled = {});

// AnalyzeSegment(...) == Written. A segment shorter than one analysis frame
// (40 ms) gets no track and the call returns false: the caller then plays
// the segment as it is instead of a slowed copy.
bool BuildPitchTrack(const std::string& segmentPath, const std::string& trackPath, int threads = 0,
                     const CancelCheck& cancelled = {});

// Frame length and step in samples for a sample rate, as the analysis
// computes them (0 and 0 for a rate it refuses).
void AnalysisFrameSizes(int64_t sampleRate, int32_t& frameLength, int32_t& frameStep);

} // namespace lectorio
