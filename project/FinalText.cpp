// SPDX-License-Identifier: GPL-3.0-or-later
#include "FinalText.h"

#include "SegmentNumbers.h"
#include "Transcript.h"

namespace lectorio {

namespace {

// White space of the C locale, which is what "%s" skips.
bool IsWordSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool InRange(std::string_view text, size_t i, unsigned char low, unsigned char high) {
    if (i >= text.size())
        return false;
    const auto c = static_cast<unsigned char>(text[i]);
    return c >= low && c <= high;
}

const char* TagForLetter(char letter) {
    switch (letter) {
    case 'l':
    case 'L':
        return "[LAUGH]";
    case 'h':
    case 'H':
        return "[HESITATE]";
    case 'n':
    case 'N':
        return "[NOISE]";
    case 'p':
    case 'P':
        return "[PAUSE]";
    case 'm':
    case 'M':
        return "[MUSIC]";
    case 'c':
    case 'C':
        return "[CONFIRM]";
    default:
        return nullptr;
    }
}

// Applies the colon, tag and joiner rules to one word and appends it.
void AppendWord(std::string& out, std::string word) {
    bool lineBreak = false;
    const size_t colon = word.find(':');
    if (colon != std::string::npos) {
        if (colon == FirstCharacterLength(word))
            lineBreak = true;
        else
            word[colon] = '\n';
    }
    // A star at the end meets the string's terminating '\0', which names no tag.
    const size_t star = word.find('*');
    if (star != std::string::npos) {
        if (const char* tag = TagForLetter(word[star + 1]))
            word = tag;
    }
    const bool joined = !word.empty() && word.back() == '_';
    if (joined)
        word.pop_back();
    if (lineBreak)
        out += '\n';
    out += word;
    if (!joined)
        out += ' ';
}

} // namespace

size_t FirstCharacterLength(std::string_view text) {
    if (text.empty())
        return 0;
    const auto c = static_cast<unsigned char>(text[0]);
    if (c < 0x80)
        return 1;
    if (c >= 0xC2 && c <= 0xDF)
        return InRange(text, 1, 0x80, 0xBF) ? 2 : 1;
    if (c >= 0xE0 && c <= 0xEF) {
        const unsigned char low = c == 0xE0 ? 0xA0 : 0x80;
        const unsigned char high = c == 0xED ? 0x9F : 0xBF;
        return InRange(text, 1, low, high) && InRange(text, 2, 0x80, 0xBF) ? 3 : 1;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        const unsigned char low = c == 0xF0 ? 0x90 : 0x80;
        const unsigned char high = c == 0xF4 ? 0x8F : 0xBF;
        return InRange(text, 1, low, high) && InRange(text, 2, 0x80, 0xBF) && InRange(text, 3, 0x80, 0xBF)
                   ? 4
                   : 1;
    }
    return 1;
}

std::vector<std::string_view> TranscriptWordList(std::string_view transcript) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < transcript.size()) {
        while (i < transcript.size() && IsWordSpace(transcript[i]))
            ++i;
        const size_t begin = i;
        while (i < transcript.size() && !IsWordSpace(transcript[i]))
            ++i;
        if (i > begin)
            words.push_back(transcript.substr(begin, i - begin));
    }
    return words;
}

void AppendTranscriptWords(std::string& out, std::string_view transcript) {
    for (const std::string_view word : TranscriptWordList(transcript))
        AppendWord(out, std::string(word));
}

std::string BuildFinalText(const ProjectState& state) {
    std::string text;
    ForEachSegmentNumber(state.outputFolder, state.projectName, {".txt"}, state.segmentCount, [&](int32_t n) {
        AppendTranscriptWords(text, ReadTranscriptFile(state.SegmentTextPath(n)));
    });
    return text;
}

bool WriteFinalTextFile(const ProjectState& state) {
    return WriteFileAtomically(state.FinalTextPath(), BuildFinalText(state),
                               FileIdentity::Of(state.inputPath));
}

} // namespace lectorio
