// SPDX-License-Identifier: GPL-3.0-or-later
// Segment transcripts and the rules of moving between segments that need no
// window: how a transcript is stored and read back, when a move saves, and
// which segment a typed number leads to.
//
// A transcript file holds the transcript box's text verbatim (UTF-8, "\n"
// line breaks, no header, no terminator). It is read back word by word: a
// word is a maximal run of characters other than blank, tab, CR, LF, vertical
// tab and form feed, and the text shown is every word followed by one blank.
// So line breaks and runs of white space come back as single blanks, and a
// non-empty transcript comes back with one trailing blank. There is no length
// limit on the text or on a single word.
//
// Segment numbers alternate silence (odd) and speech (even); the skip rules
// rely on that numbering alone.
//
// Any thread; no shared state.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lectorio {

// The whole content of the transcript at `path`; empty when it is missing,
// not a regular file (a FIFO is never waited on), or a link that leads out
// of its folder (the project folder).
std::string ReadTranscriptFile(const std::string& path);

// The words of the transcript at `path` (read by ReadTranscriptFile), each
// followed by one blank.
std::string ReadTranscriptWords(const std::string& path);

// The words of a transcript's content, each followed by one blank.
std::string TranscriptWords(std::string_view content);

// Replaces the transcript at `path` with `text`, byte for byte, atomically.
// Returns false when the file could not be written (the old file is kept).
bool WriteTranscript(const std::string& path, const std::string& text);

inline bool IsSilenceSegment(int32_t n) {
    return n % 2 != 0;
}

// Whether a next- or previous-move saves the transcript of the segment it
// leaves: only while a segment is shown, and with the skip option on only for
// a speech segment or the last one.
bool ShouldSaveOnMove(int32_t currentSegment, int32_t segmentCount, bool skipSilence);

// The segment that "Go" shows for the typed value, before the skip rule of the
// move itself: the value clamped to 1..segmentCount, one less when the skip
// option is on and it is the last segment. Only meaningful for segmentCount >= 1.
int32_t GoToTarget(int32_t value, int32_t segmentCount, bool skipSilence);

// Speed slider positions 8 to 12 play a segment itself; others play the
// time-stretched copy of a speech segment.
inline bool IsNormalSpeedPosition(int position) {
    return position >= 8 && position <= 12;
}

} // namespace lectorio
