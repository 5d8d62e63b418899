// SPDX-License-Identifier: GPL-3.0-or-later
// lectorio-cli pitch and stretch: the slow-down engine on single files.
#include "Commands.h"

#include "PitchAnalyzer.h"
#include "SafeFile.h"
#include "SlowVersion.h"
#include "WaveFile.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace lectorio::cli {

namespace {

int Fail(const std::string& message) {
    std::fprintf(stderr, "lectorio-cli: %s\n", message.c_str());
    return 2;
}

// The segment must be readable before anything is written; says why not
// and returns null when it is not.
std::unique_ptr<WaveFile> OpenSegment(const std::string& path) {
    auto wave = OpenWaveFile(path);
    if (wave->status == WaveStatus::Reading)
        return wave;
    Fail("cannot read " + path + ": " + WaveStatusText(wave->status));
    return nullptr;
}

bool ParseWhole(const std::string& text, long& value) {
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtol(text.c_str(), &end, 10);
    return errno == 0 && *end == '\0';
}

bool ParseReal(const std::string& text, double& value) {
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    return errno == 0 && *end == '\0' && std::isfinite(value);
}

} // namespace

int RunPitch(const Args& args) {
    if (args.size() != 2)
        return Fail("pitch needs SEGMENT.wav TRACK.ptc (see lectorio-cli --help)");
    const std::string& segment = args[0];
    const std::string& track = args[1];
    if (!OpenSegment(segment))
        return 2;
    if (SameFile(segment, track))
        return Fail("the track " + track + " would replace the segment");
    const PitchTrackOutcome outcome = AnalyzeSegment(segment, track);
    if (outcome != PitchTrackOutcome::Written)
        return Fail((outcome == PitchTrackOutcome::WriteFailed ? track : segment) + ": " +
                    PitchTrackOutcomeText(outcome) + "; no track written");
    return 0;
}

int RunStretch(const Args& args) {
    std::vector<std::string> positional;
    std::string trackPath;
    std::string useTrackPath;
    bool haveFactor = false;
    double factor = 0.0;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool option = a == "--position" || a == "--factor" || a == "--track" || a == "--use-track";
        if (!option) {
            if (a.size() > 1 && a[0] == '-')
                return Fail("stretch: unknown option " + a);
            positional.push_back(a);
            continue;
        }
        if (i + 1 >= args.size())
            return Fail("stretch: " + a + " needs a value");
        const std::string& value = args[++i];
        if (a == "--position" || a == "--factor") {
            if (haveFactor)
                return Fail("stretch: give one --position or one --factor");
            haveFactor = true;
            if (a == "--position") {
                long position = 0;
                if (!ParseWhole(value, position) || position < 5 || position > 20)
                    return Fail("stretch: --position takes a whole number from 5 to 20, not '" + value + "'");
                // As the main window computes it: position 12 gives 1.2000000000000002.
                factor = static_cast<double>(position) * 0.1;
            } else {
                if (!ParseReal(value, factor) || factor < 0.25 || factor > 4.0)
                    return Fail("stretch: --factor takes a number from 0.25 to 4.0, not '" + value + "'");
            }
        } else if (a == "--track") {
            trackPath = value;
        } else {
            useTrackPath = value;
        }
    }
    if (positional.size() != 2)
        return Fail("stretch needs SEGMENT.wav OUTPUT.wav (see lectorio-cli --help)");
    if (!haveFactor)
        return Fail("stretch needs --position P or --factor F");
    if (!trackPath.empty() && !useTrackPath.empty())
        return Fail("stretch: --track and --use-track exclude each other");
    const std::string& segment = positional[0];
    const std::string& output = positional[1];
    const std::unique_ptr<WaveFile> wave = OpenSegment(segment);
    if (!wave)
        return 2;
    if (SameFile(segment, output))
        return Fail("the output " + output + " would replace the segment");
    if (!trackPath.empty() && (SameFile(trackPath, segment) || SameFile(trackPath, output)))
        return Fail("the track " + trackPath + " would replace the segment or the output");

    SlowVersionResult result = SlowVersionResult::Done;
    if (!useTrackPath.empty()) {
        result = SynthesizeSlowVersion(segment, output, useTrackPath, factor);
    } else {
        // The segment is read once, for the analysis and the copy; without
        // --track the track stays in memory.
        std::vector<int16_t> samples;
        const bool complete = ReadAllMonoSamples(*wave, samples);
        wave->Close();
        PitchTrack analysed;
        PitchTrackOutcome outcome = complete ? AnalyzeSamples(samples, wave->sampleRate, analysed)
                                             : PitchTrackOutcome::SegmentTruncated;
        if (outcome == PitchTrackOutcome::Written && !trackPath.empty() &&
            !WritePitchTrack(trackPath, analysed))
            outcome = PitchTrackOutcome::WriteFailed;
        if (outcome != PitchTrackOutcome::Written)
            return Fail((outcome == PitchTrackOutcome::WriteFailed ? trackPath : segment) + ": " +
                        PitchTrackOutcomeText(outcome) + "; no copy written");
        result = SynthesizeSlowVersion(*wave, samples, output, analysed, factor);
    }
    if (result != SlowVersionResult::Done) {
        const bool aboutTrack = result == SlowVersionResult::TrackMissing ||
                                result == SlowVersionResult::TrackTruncated ||
                                result == SlowVersionResult::TrackMismatch;
        return Fail(
            (aboutTrack ? useTrackPath : (result == SlowVersionResult::OutputFailed ? output : segment)) +
            ": " + SlowVersionResultText(result) + "; no copy written");
    }
    return 0;
}

} // namespace lectorio::cli
