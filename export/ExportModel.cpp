// SPDX-License-Identifier: GPL-3.0-or-later
// The export model: segment times from frame counts, transcripts as turns.
#include <algorithm>

#include "Export.h"
#include "FinalText.h"

namespace lectorio {

namespace {

// `text` with every byte that starts no valid UTF-8 character, and every
// control character but the line feed, replaced by U+FFFD.
std::string CleanText(std::string_view text) {
    std::string clean;
    for (size_t i = 0; i < text.size();) {
        const size_t length = FirstCharacterLength(text.substr(i));
        const auto c = static_cast<unsigned char>(text[i]);
        if (length == 1 && (c >= 0x80 || c == 0x7F || (c < 0x20 && c != '\n')))
            clean += "\xEF\xBF\xBD";
        else
            clean += text.substr(i, length);
        i += length;
    }
    return clean;
}

// The lines of `text` trimmed of blanks, empty ones dropped, joined by "\n".
std::string TidyLines(std::string_view text) {
    std::string tidy;
    size_t begin = 0;
    while (begin <= text.size()) {
        size_t end = text.find('\n', begin);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(begin, end - begin);
        line.remove_prefix(std::min(line.find_first_not_of(' '), line.size()));
        line.remove_suffix(line.size() - std::min(line.find_last_not_of(' ') + 1, line.size()));
        if (!line.empty())
            tidy.append(tidy.empty() ? "" : "\n").append(line);
        begin = end + 1;
    }
    return CleanText(tidy);
}

const std::vector<ExportFormatInfo> kFormats = {
    {ExportFormat::Srt, "srt", ".srt", "SubRip subtitles"},
    {ExportFormat::Vtt, "vtt", ".vtt", "WebVTT subtitles"},
    {ExportFormat::TextGrid, "textgrid", ".TextGrid", "Praat TextGrid"},
    {ExportFormat::Eaf, "eaf", ".eaf", "ELAN annotation document"},
    {ExportFormat::Audacity, "audacity", ".labels.txt", "Audacity labels"},
    {ExportFormat::Csv, "csv", ".csv", "CSV table"},
};
static_assert(static_cast<int>(ExportFormat::Last) == 5, "one table row per format");

} // namespace

const std::vector<ExportFormatInfo>& ExportFormats() {
    return kFormats;
}

const ExportFormatInfo& ExportFormatOf(ExportFormat format) {
    return kFormats[static_cast<size_t>(format)];
}

std::optional<ExportFormat> ExportFormatNamed(std::string_view name) {
    for (const ExportFormatInfo& info : kFormats)
        if (name == info.name)
            return info.format;
    return std::nullopt;
}

int64_t SampleTime(int64_t sample, uint32_t rate, int64_t unitsPerSecond) {
    // Whole seconds apart, so that sample x units never overflows.
    return sample / rate * unitsPerSecond + (sample % rate * unitsPerSecond + rate / 2) / rate;
}

std::vector<SpeakerTurn> SplitTurns(std::string_view transcript, std::string& speaker) {
    std::vector<SpeakerTurn> turns;
    SpeakerTurn turn{speaker, false, {}};
    const auto finish = [&] {
        turn.text = TidyLines(turn.text);
        if (!turn.text.empty())
            turns.push_back(std::move(turn));
    };
    for (const std::string_view word : TranscriptWordList(transcript)) {
        const size_t colon = word.find(':');
        if (colon != std::string_view::npos && colon > 0 && colon + 1 == word.size()) {
            finish();
            speaker = CleanText(word.substr(0, colon));
            turn = SpeakerTurn{speaker, true, {}};
        } else {
            AppendTranscriptWords(turn.text, word);
        }
    }
    finish();
    return turns;
}

TimedTranscript BuildTimedTranscript(uint32_t sampleRate, const std::vector<SegmentSource>& sources) {
    TimedTranscript timed;
    timed.sampleRate = sampleRate;
    std::string speaker;
    int64_t frames = 0;
    int64_t previous = 0;
    for (size_t i = 0; i < sources.size(); ++i) {
        frames += std::max<int64_t>(sources[i].frames, 0);
        const int64_t shared = static_cast<int64_t>(i) + (i + 1 == sources.size() ? 0 : 1);
        const int64_t end = std::max(previous, frames - shared);
        timed.segments.push_back(
            {sources[i].number, previous, end, SplitTurns(sources[i].transcript, speaker)});
        previous = end;
    }
    return timed;
}

} // namespace lectorio
