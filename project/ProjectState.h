// SPDX-License-Identifier: GPL-3.0-or-later
// The project on screen and the files that belong to it.
//
// A project is a set of files lying directly in one output folder F, all
// carrying the project name P:
//   F/NNNNN_P.wav    segment recordings (N zero-padded to at least 5 digits)
//   F/NNNNN_P.txt    segment transcripts
//   F/NNNNN_P_y.wav  slowed-down copies (deleted at close)
//   F/P.vprj         project file: "%i %s" of segment count and folder, no line end
//   F/P.txt          final text file
//   F/dosya.ptc      pitch track of the segment last analysed
// "/" is the only separator; paths add it unconditionally after F.
//
// ProjectState is owned by the main window and written by the segmentation
// worker only while every command that could read it is refused.
#pragma once

#include "SafeFile.h"

#include <cstdint>
#include <string>

namespace lectorio {

struct ProjectState {
    std::string inputPath;
    std::string outputFolder;
    std::string projectName;
    int32_t segmentCount = 0;
    int32_t currentSegment = 0; // 1-based; 0 = none shown
    std::string currentTextPath;
    std::string currentWavePath;
    int32_t lastRunSegmentCount = 0;
    bool projectOpen = false; // once a run has finished or a project was opened

    std::string SegmentStem(int32_t n) const;
    std::string SegmentWavePath(int32_t n) const;
    std::string SegmentTextPath(int32_t n) const;
    // The one name of segment n's slowed copy; empty when a project "P_y"
    // lies in the folder, whose segment files those names are.
    std::string SlowWavePath(int32_t n) const;
    bool HasSlowCopies() const;
    std::string ProjectFilePath() const;
    std::string FinalTextPath() const;
    std::string PitchTrackPath() const;

    // The files below never touch the recording inputPath, whatever names
    // it has in the folder, and never write through a link.

    // Creates the transcript of every segment 1..segmentCount afresh (empty)
    // and points the current paths at segment 1 (also when there are none).
    // Returns false when a transcript could not be created (the others are
    // still tried).
    bool CreateEmptyTextFiles();

    // Replaces the project file with "%i %s" of segmentCount and outputFolder.
    bool WriteProjectFile() const;

    // Deletes the text and WAV files of segments above segmentCount that an
    // earlier run may have left (up to lastRunSegmentCount, or up to 4999 when
    // there was no earlier run or it had the same count), then records
    // segmentCount as lastRunSegmentCount.
    void DeleteStaleSegmentFiles();
};

struct ProjectFileContents {
    bool ok = false;            // false: the file could not be opened or read
    int32_t segmentCount = 0;   // first token by atoi rules (saturating)
    bool countIsNumber = false; // the first token is digits only
    std::string outputFolder;   // the rest of its line, exactly as written
};

// Reads a project file: the count is the first word; the folder is the rest
// of that line after the one blank that follows the count, so folders with
// runs of blanks, tabs or a trailing blank come back as they were written.
ProjectFileContents ReadProjectFile(const std::string& path);

// Whether a project may live in `folder` (resolved by the caller): an
// absolute folder other than the root.
bool IsUsableProjectFolder(const std::string& folder);

// Whether a project file can record `folder`: the folder ends its line, so
// it must not hold a line break.
bool IsRecordableFolder(const std::string& folder);

// The longest project name in bytes: every file named after a project
// (the longest is the slowed copy NNNNNNNNNN_P_y.wav) fits the 255 bytes of a
// file name. Temporary files have short names of their own.
size_t MaxProjectNameBytes();

// Whether `name` can be part of every file name of a project: no "/" or NUL,
// at most MaxProjectNameBytes() bytes. An empty name is allowed.
bool IsValidProjectName(const std::string& name);

// The project name of an opened project file: the path with every occurrence
// of the folder followed by "/" removed (the folder alone when it already ends
// in "/"), then every ".vprj" removed.
std::string ProjectNameFromProjectPath(const std::string& path, const std::string& folder);

// The last path component of `path` (leading white space dropped) without its
// last `extensionLength` characters: 4 for a WAV file, 5 for a project file.
std::string NameFromFilePath(const std::string& path, int extensionLength);

// The folder of the running program (links followed), ending in "/".
std::string ApplicationFolder();

// Every occurrence of `from` replaced by `to`, in one left-to-right pass.
std::string ReplaceAll(std::string text, const std::string& from, const std::string& to);

// Whether `folder` exists as a folder that this process can create files in.
bool IsWritableFolder(const std::string& folder);

// Whether the recording `inputPath` is one of the segment recordings of
// project `state` (by name pattern NNNNN_P.wav in its folder, and the same
// file on disk, links included): a run would overwrite or delete it.
bool RecordingIsProjectSegment(const ProjectState& state, const std::string& inputPath);

} // namespace lectorio
