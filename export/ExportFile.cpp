// SPDX-License-Identifier: GPL-3.0-or-later
#include "ExportFile.h"

#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "WaveFile.h"

namespace lectorio {

namespace {

std::string ReadTranscript(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string UtcNow() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

} // namespace

std::string ExportPath(const ProjectState& state, ExportFormat format) {
    return state.outputFolder + "/" + state.projectName + ExportFormatOf(format).extension;
}

ExportOutcome LoadTimedTranscript(const ProjectState& state, TimedTranscript& transcript) {
    if (state.segmentCount < 1)
        return {ExportStatus::NoSegments, {}};
    std::vector<SegmentSource> sources;
    uint32_t rate = 0;
    int64_t frames = 0;
    for (int32_t n = 1; n <= state.segmentCount; ++n) {
        const std::string path = state.SegmentWavePath(n);
        const auto wave = OpenWaveFile(path);
        if (wave->status != WaveStatus::Reading)
            return {ExportStatus::SegmentUnreadable, path};
        rate = wave->sampleRate; // the same in every segment file
        frames += wave->frameCount;
        sources.push_back({n, wave->frameCount, ReadTranscript(state.SegmentTextPath(n))});
    }
    transcript = BuildTimedTranscript(rate, sources);
    transcript.date = UtcNow();
    const int64_t recordingFrames = frames - state.segmentCount + 1;
    for (const std::string& candidate :
         {state.inputPath, state.outputFolder + "/" + state.projectName + ".wav"}) {
        const auto wave = OpenWaveFile(candidate);
        std::error_code error;
        const auto absolute = std::filesystem::absolute(candidate, error);
        if (wave->status == WaveStatus::Reading && wave->sampleRate == rate &&
            wave->frameCount == recordingFrames && !error) {
            transcript.mediaPath = absolute.lexically_normal().string();
            break;
        }
    }
    return {};
}

ExportOutcome ExportProject(const ProjectState& state, ExportFormat format, const std::string& target) {
    TimedTranscript transcript;
    const ExportOutcome loaded = LoadTimedTranscript(state, transcript);
    if (loaded.status != ExportStatus::Written)
        return loaded;
    if (OpenWaveFile(target)->status == WaveStatus::Reading)
        return {ExportStatus::TargetIsRecording, target};
    if (!WriteFileAtomically(target, FormatExport(transcript, format)))
        return {ExportStatus::WriteFailed, target};
    return {ExportStatus::Written, target};
}

} // namespace lectorio
