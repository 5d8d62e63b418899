// SPDX-License-Identifier: GPL-3.0-or-later
// Export of a project with its times: subtitles, a Praat TextGrid, an ELAN
// document, an Audacity label track or a CSV table.
//
// Times. Neighbouring segment files share their cut sample (the last sample
// of one is the first of the next), so with f(k) the frame count of segment k
// the boundary after segment n is the instant of sample
//     f(1) + ... + f(n) - n
// Segment 1 starts at 0 and the last segment ends at the recording's end,
// f(1) + ... + f(K) - K + 1 samples for K segments. Summing the frame counts
// alone would drift by one sample per segment. A boundary never goes back: a
// damaged file without frames gives its segment no length.
//
// Text. A transcript is read word by word as the final text reads it (see
// FinalText.h) and each word gets the final text's tag and joiner rules. A
// speaker label, a word whose first ':' is its last character and not its
// first ("A:", "Ali:"), starts a new turn of that speaker; the speaker stays
// in force into the following segments until the next label. Other words with
// a ':' keep the final text's line feed. Within a turn, lines are trimmed and
// empty lines dropped; bytes that are no valid UTF-8, and control characters,
// become U+FFFD so that every format stays readable.
//
// Formats (times in the recording, rounded half up):
//   srt       SubRip: numbered cues, "00:00:01,200 --> 00:00:03,000", ms
//   vtt       WebVTT: "WEBVTT" and cues "00:00:01.200 --> 00:00:03.000", ms,
//             with & < > written as entities
//   textgrid  Praat TextGrid, long text format, UTF-8, times in s to the µs:
//             tier "transcript" and tier "speaker", one interval per segment
//             (empty ones included, so the intervals cover the recording);
//             an interval without length is left out and its text joins the
//             interval before it
//   eaf       ELAN EAF 3.0: time slots in ms, one tier per speaker ("Transcript"
//             for text before any label), the recording as media descriptor
//             when it is known
//   audacity  Audacity labels: "start<TAB>end<TAB>label" in s with six
//             decimals, line feeds of the text as blanks
//   csv       RFC 4180: header "segment,start,end,speaker,text", CRLF rows, s
//             with six decimals; one row per turn, one row with empty speaker
//             and text for a segment without text; fields with , " CR or LF
//             quoted, quotes doubled
// Subtitles and Audacity labels leave out segments without text (an empty cue
// would end a SubRip file early) and keep a typed label in the text ("A: hi"),
// one turn per line. The TextGrid writes the labels into a segment's text
// only when the segment holds more than one turn; the speaker tier names the
// segment's speakers (", " between them).
//
// No Qt, no files: pure functions, callable from any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lectorio {

enum class ExportFormat { Srt, Vtt, TextGrid, Eaf, Audacity, Csv, Last = Csv };

struct ExportFormatInfo {
    ExportFormat format;
    const char* name;        // the command line's name: "srt"
    const char* extension;   // of the proposed file name: ".srt"
    const char* description; // for the format choice: "SubRip subtitles"
};

// Every format, in the order of the enum.
const std::vector<ExportFormatInfo>& ExportFormats();
const ExportFormatInfo& ExportFormatOf(ExportFormat format);
std::optional<ExportFormat> ExportFormatNamed(std::string_view name);

struct SpeakerTurn {
    std::string speaker;   // "" before the first label of the project
    bool labelled = false; // the turn begins with its label in this segment
    std::string text;      // converted, never empty in a built transcript
};

struct TimedSegment {
    int32_t number = 0;
    int64_t startSample = 0; // instants in samples from the recording's start
    int64_t endSample = 0;
    std::vector<SpeakerTurn> turns; // empty when the segment has no text
};

struct TimedTranscript {
    uint32_t sampleRate = 16000;
    std::vector<TimedSegment> segments;
    std::string mediaPath; // absolute path of the recording, "" when unknown
    std::string date;      // ISO 8601 date and time of the export
};

// What one segment contributes: its frame count and its transcript.
struct SegmentSource {
    int32_t number = 0;
    int64_t frames = 0;
    std::string transcript;
};

// Times and turns of the segments, in the order given.
TimedTranscript BuildTimedTranscript(uint32_t sampleRate, const std::vector<SegmentSource>& sources);

// The turns of one transcript; `speaker` is the speaker in force before it
// and afterwards the one in force after it.
std::vector<SpeakerTurn> SplitTurns(std::string_view transcript, std::string& speaker);

// The whole document in `format`.
std::string FormatExport(const TimedTranscript& transcript, ExportFormat format);

// The instant of `sample` at `rate` in units of 1/`unitsPerSecond` s
// (1000 for ms), rounded half up.
int64_t SampleTime(int64_t sample, uint32_t rate, int64_t unitsPerSecond);

} // namespace lectorio
