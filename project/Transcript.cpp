// SPDX-License-Identifier: GPL-3.0-or-later
#include "Transcript.h"

#include "ProjectState.h"

#include <climits>
#include <cstdio>

namespace lectorio {

namespace {

bool IsTranscriptSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

} // namespace

std::string ReadTranscriptWords(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return {};
    std::string text;
    bool inWord = false;
    char block[4096];
    size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0) {
        for (size_t i = 0; i < got; ++i) {
            const char c = block[i];
            if (IsTranscriptSpace(c)) {
                if (inWord)
                    text += ' ';
                inWord = false;
            } else {
                text += c;
                inWord = true;
            }
        }
    }
    if (inWord)
        text += ' ';
    std::fclose(file);
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

int32_t ParseSegmentNumber(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && IsTranscriptSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > int64_t{INT32_MAX} + 1)
            value = int64_t{INT32_MAX} + 1;
    }
    if (negative)
        value = -value;
    if (value > INT32_MAX)
        return INT32_MAX;
    if (value < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(value);
}

int32_t GoToTarget(int32_t value, int32_t segmentCount, bool skipSilence) {
    if (value < 1)
        value = 1;
    if (value > segmentCount)
        value = segmentCount;
    if (skipSilence && value == segmentCount)
        value -= 1;
    return value;
}

} // namespace lectorio
