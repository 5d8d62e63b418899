// SPDX-License-Identifier: GPL-3.0-or-later
#include "Transcript.h"

#include "ProjectState.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <filesystem>

namespace lectorio {

namespace {

bool IsTranscriptSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

} // namespace

std::string ReadTranscriptFile(const std::string& path) {
    namespace fs = std::filesystem;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return {};
    if (S_ISLNK(st.st_mode)) {
        std::error_code targetError, folderError;
        const fs::path target = fs::canonical(path, targetError);
        const fs::path folder = fs::canonical(fs::absolute(path, folderError).parent_path(), folderError);
        if (targetError || folderError || target.parent_path() != folder)
            return {};
    }
    std::string text;
    return ReadRegularFile(path, text) ? text : std::string();
}

std::string ReadTranscriptWords(const std::string& path) {
    return TranscriptWords(ReadTranscriptFile(path));
}

std::string TranscriptWords(std::string_view content) {
    std::string text;
    bool inWord = false;
    for (const char c : content) {
        if (IsTranscriptSpace(c)) {
            if (inWord)
                text += ' ';
            inWord = false;
        } else {
            text += c;
            inWord = true;
        }
    }
    if (inWord)
        text += ' ';
    return text;
}

bool WriteTranscript(const std::string& path, const std::string& text) {
    return WriteFileAtomically(path, text);
}

bool ShouldSaveOnMove(int32_t currentSegment, int32_t segmentCount, bool skipSilence) {
    if (currentSegment == 0)
        return false;
    return !skipSilence || !IsSilenceSegment(currentSegment) || currentSegment == segmentCount;
}

int32_t GoToTarget(int32_t value, int32_t segmentCount, bool skipSilence) {
    value = std::min(std::max(value, 1), segmentCount);
    if (skipSilence && value == segmentCount)
        value -= 1;
    return value;
}

} // namespace lectorio
