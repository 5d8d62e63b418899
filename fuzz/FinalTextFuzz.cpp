// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target of the transcripts and the final text: the bytes, cut at
// NUL bytes into up to four transcripts of a project, are read back as the
// window shows them and joined into the final text.
#include "FinalText.h"
#include "FuzzFiles.h"
#include "ProjectState.h"
#include "Transcript.h"

#include <string>

using namespace lectorio;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ProjectState state;
    state.outputFolder = fuzz::ScratchFolder();
    state.projectName = "f";
    const std::string text(reinterpret_cast<const char*>(data), size);
    size_t start = 0;
    while (state.segmentCount < 4 && start <= text.size()) {
        const size_t end = std::min(text.find('\0', start), text.size());
        const std::string part = text.substr(start, end - start);
        ++state.segmentCount;
        fuzz::WriteScratchFile(state.SegmentStem(state.segmentCount) + ".txt",
                               reinterpret_cast<const uint8_t*>(part.data()), part.size());
        const std::string words = ReadTranscriptWords(state.SegmentTextPath(state.segmentCount));
        if (!words.empty() && words.back() != ' ')
            __builtin_trap(); // every word is followed by one blank
        start = end + 1;
    }
    // Joined as WriteFinalTextFile does, without its disk flush per run.
    const std::string joined = BuildFinalText(state);
    if (joined.size() > 6 * size)
        __builtin_trap(); // a word of two bytes at least grows at most to a line break, a tag and a blank
    return 0;
}
