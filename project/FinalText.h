// SPDX-License-Identifier: GPL-3.0-or-later
// The final text file of a project: every segment transcript, in segment
// order, joined word by word into one running text with a small mark-up.
//
// Words are read the way the "%s" conversion of scanf reads them (runs of
// bytes that are not C-locale white space), with no length limit. Each word
// is then changed by three rules, in this order:
//   colon rule   the first ':' of a word: when it follows exactly one
//                character (a one-letter speaker label such as "A:" or "Ö:")
//                the word is kept and written on a new line; anywhere else
//                that ':' becomes a line feed ("Ali:" -> "Ali\n").
//   tag rule     the first '*' of a word: when the next byte is one of
//                l h n p m c (either case) the whole word becomes
//                "[LAUGH]" "[HESITATE]" "[NOISE]" "[PAUSE]" "[MUSIC]"
//                "[CONFIRM]"; any other byte, or none, keeps the word.
//   joiner       a word that ends in '_' loses it and is written without the
//                blank that normally follows every word ("wo_" + "rd" ->
//                "word").
// Segments are joined with nothing between them; the text ends with the last
// word's blank and has no final line end.
//
// Text is UTF-8: "one character" is the longest prefix of the word that is a
// single valid UTF-8 sequence, else one byte.
//
// No Qt; callable from any thread that owns the ProjectState it is given.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ProjectState.h"

namespace lectorio {

// The words of a transcript: runs of characters other than the C locale's
// white space.
std::vector<std::string_view> TranscriptWordList(std::string_view transcript);

// Appends the words of one transcript to `out` by the rules above.
void AppendTranscriptWords(std::string& out, std::string_view transcript);

// The final text of the project: the transcripts of segments 1..segmentCount
// (state.SegmentTextPath) joined by the rules above. A transcript that is
// missing or cannot be read contributes nothing.
std::string BuildFinalText(const ProjectState& state);

// Builds the final text and replaces state.FinalTextPath() with it through
// WriteFileAtomically. Returns false when the file could not be written; the
// old file, if any, is then left as it was.
bool WriteFinalTextFile(const ProjectState& state);

// Byte length of the first character of `text`: the length of a valid UTF-8
// sequence that starts it, else 1 (0 for an empty text).
size_t FirstCharacterLength(std::string_view text);

} // namespace lectorio
