// SPDX-License-Identifier: GPL-3.0-or-later
#include "MediaInput.h"

#include "MediaDecoder.h"

#include <unistd.h>

#include <cctype>

namespace lectorio {

namespace {

bool NamedWav(const std::string& path) {
    if (path.size() < 4)
        return false;
    std::string tail = path.substr(path.size() - 4);
    for (char& c : tail)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".wav";
}

} // namespace

RecordingCheck CheckRecording(const std::string& path) {
    RecordingCheck check;
    const WaveStatus status = OpenWaveFile(path)->status;
    if (status == WaveStatus::Reading) {
        check.ok = true;
        return check;
    }
    if (status == WaveStatus::OpenFailed || status == WaveStatus::NotOpened) {
        check.reason = WaveStatusText(status);
        return check;
    }
    check.decoded = true;
    std::string reason;
    check.ok = MediaDecoder::Open(path, reason) != nullptr;
    if (!check.ok) {
        // A file that calls itself WAV gets the WAV reader's reason too.
        check.reason = NamedWav(path)
                           ? std::string(WaveStatusText(status)) + ", and FFmpeg cannot decode it: " + reason
                           : "FFmpeg cannot decode it: " + reason;
    }
    return check;
}

std::string DecodedLabelPath(const std::string& inputPath, const std::string& outputFolder) {
    const std::string beside = LabelFilePath(inputPath);
    const size_t slash = beside.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : beside.substr(0, slash);
    if (::access(folder.c_str(), W_OK | X_OK) == 0)
        return beside;
    return outputFolder + "/" + beside.substr(slash == std::string::npos ? 0 : slash + 1);
}

SegmentationResult RunRecordingSegmentation(ProjectState& state, const SegmentationOptions& options,
                                            SegmentationListener& display, std::string& error) {
    error.clear();
    if (OpenWaveFile(state.inputPath)->status == WaveStatus::Reading)
        return RunSegmentation(state, options, display);
    auto decoder = MediaDecoder::Open(state.inputPath, error);
    if (!decoder)
        return {};
    const std::string label =
        options.createLabelFile ? DecodedLabelPath(state.inputPath, state.outputFolder) : "";
    return RunSegmentation(state, options, display, *decoder, label);
}

} // namespace lectorio
