// SPDX-License-Identifier: GPL-3.0-or-later
// Time-scale synthesis: a pitch-synchronous overlap-add that turns a segment
// and its pitch track into a copy lasting `factor` times as long, with the
// pitch unchanged.
//
// Everything runs on the caller's thread (the main window's worker); buffers
// live for one call.
#pragma once

#include "PitchTrackFile.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace lectorio {

class WaveFile;

// Hann window w[i] = 0.5 * (1 - cos(2pi * (i + 1) / (L + 1))), i = 0..L-1,
// with 2pi the single-precision 6.2831855, evaluated in double and stored as
// float. Never 0 at its ends.
void MakeWindow(float* buffer, int64_t length);

// Reverses buffer[0..length-1] in place.
void ReverseSamples(float* buffer, int64_t length);

// Analysis marks in samples, ascending, mark 0 at sample 0 (unvoiced).
struct PitchMarks {
    std::vector<int64_t> position;
    std::vector<uint8_t> voiced;
    int64_t Count() const { return static_cast<int64_t>(position.size()); }
};

// Places the marks of a track: one per frame step through unvoiced frames,
// one local period apart up to the frame centre through voiced ones.
// Returns false, with `marks` incomplete, when a mark would fall at or
// beyond the last sample (sampleCount - 1): the track does not belong to a
// segment of that length. The table grows as needed.
bool PlaceMarks(const PitchTrack& track, int64_t sampleCount, PitchMarks& marks);

// Finds, for a synthesis time t that never decreases from call to call, the
// mark a with the smallest |trunc(position[a] * factor - t)| (in double),
// the lowest index on equal distances: the answer of a scan over all marks,
// found with an index that only moves forward (linear over a whole run for
// factors that are not tiny).
class NearestMarkSearch {
public:
    NearestMarkSearch(const std::vector<int64_t>& positions, double factor);
    int64_t Find(int64_t t);

private:
    double Offset(int64_t a, int64_t t) const;

    const std::vector<int64_t>& positions_;
    double factor_;
    int64_t firstAtOrAfter_ = 0; // first mark with trunc(position * factor - t) >= 0
};

// Output length for n input samples: trunc(ceil(n * factor)) in double, so
// factor 1.2000000000000002 (slider position 12) makes 1000 samples 1201.
int64_t StretchedLength(int64_t n, double factor);

// One windowed piece of the input added into the output: input samples
// position[mark] .. position[mark] + length - 1, added at outputStart, played
// backwards when `reversed`.
struct OverlapSegment {
    int64_t mark = 0;
    int64_t length = 0;
    int64_t outputStart = 0;
    bool reversed = false;
};

// The sequence of pieces for an output of outputLength samples: the nearest
// mark to the synthesis time (mark 0 only for the first piece), spanning two
// marks, or three when the next mark is unvoiced; the first piece at 0, each
// later one a local period after the previous. It ends before the piece that
// would run past the last mark or the last output sample.
std::vector<OverlapSegment> PlanOverlapAdd(const PitchMarks& marks, int64_t outputLength, double factor);

// Takes finished output samples in order (`count` may be 0); false stops the
// synthesis.
using SampleSink = std::function<bool(const int16_t* samples, int64_t count)>;

// The overlap-add proper: `samples` is the segment, `marks` its marks (all
// below samples.size() - 1). Hands StretchedLength(samples.size(), factor)
// samples to `sink` in blocks as they are finished, and returns
// true; false when the sink refused a block or `cancelled` said so.
bool StretchSamplesInto(const std::vector<int16_t>& samples, const PitchMarks& marks, double factor,
                        const SampleSink& sink, const CancelCheck& cancelled = {});

// The same into one vector (empty when cancelled).
std::vector<int16_t> StretchSamples(const std::vector<int16_t>& samples, const PitchMarks& marks,
                                    double factor, const CancelCheck& cancelled = {});

// Whether a track fits a segment of `sampleCount` samples at `sampleRate`:
// same rate, the frame sizes the analysis uses at that rate, and exactly the
// number of frames the analysis gives (at least one).
bool TrackFitsSegment(const PitchTrack& track, int64_t sampleRate, int64_t sampleCount);

// Duration factors the synthesis accepts.
inline constexpr double kSmallestFactor = 0.1;
inline constexpr double kLargestFactor = 10.0;

enum class SlowVersionResult {
    Done,
    SegmentUnreadable, // WaveFile cannot read the segment
    SegmentTruncated,  // the segment ended before the length its header gives
    TrackMissing,      // the track file cannot be opened
    TrackTruncated,    // shorter than its header says, or malformed
    TrackMismatch,     // the track belongs to another segment
    BadFactor,         // factor outside kSmallestFactor..kLargestFactor
    OutputIsSegment,   // the output path names the segment itself
    OutputFailed,      // the output cannot be created or written
    Cancelled,         // given up on request; the output left as it was
};

const char* SlowVersionResultText(SlowVersionResult result);

// Writes the time-stretched copy of the segment at segmentPath to outputPath,
// in the segment's own format, using the pitch track at trackPath (written
// by BuildPitchTrack for this same segment). factor is the duration factor:
// the speed slider's position * 0.1, 0.5 to 2.0.
//
// Returns Done when outputPath holds the complete copy. On any other result
// outputPath is left as it was (the copy is written to a temporary file in
// the same folder and renamed into place only when complete). A track that
// is missing, truncated or does not fit the segment (see TrackFitsSegment
// and PlaceMarks) is refused; the segment is never read outside its samples.
// A track of another segment with the same sample rate and length cannot be
// told apart from the segment's own, so a caller analyses every segment
// (BuildPitchTrack) before its first synthesis, and plays the segment itself
// when BuildPitchTrack reports that no track was made.
SlowVersionResult SynthesizeSlowVersion(const std::string& segmentPath, const std::string& outputPath,
                                        const std::string& trackPath, double factor,
                                        const CancelCheck& cancelled = {});

// The same with the track in memory (from AnalyzeSegment for this segment).
SlowVersionResult SynthesizeSlowVersion(const std::string& segmentPath, const std::string& outputPath,
                                        const PitchTrack& track, double factor,
                                        const CancelCheck& cancelled = {});

// The same from a segment already read: `format` is its opened file and
// `samples` all of its samples (ReadAllMonoSamples, complete). The caller
// has made sure that outputPath does not name the segment.
SlowVersionResult SynthesizeSlowVersion(const WaveFile& format, const std::vector<int16_t>& samples,
                                        const std::string& outputPath, const PitchTrack& track, double factor,
                                        const CancelCheck& cancelled = {});

} // namespace lectorio
