// SPDX-License-Identifier: GPL-3.0-or-later
// Export of one generated project "talk" at 16 kHz, compared with stored
// documents (golden/talk.*) and read back by the programs people use. What
// the command prints and refuses is in the command-line tests.
//
// Segment  frames  transcript                          times (boundary after n = frames 1..n - n)
//   1       19201  (empty)                             0       .. 1.2 s
//   2        8009  A: Hello, "world" *l wo_ rd, bytes   1.2     .. 1.7005 s (half a ms)
//                  80 7F 01 (no UTF-8, controls)
//   3           1  *n                                  1.7005  .. 1.7005 s (no length)
//   4       16001  Привет мир 你好, B&"C": line one:two 1.7005  .. 2.7005 s
//   5        8001  (blank lines)                       2.7005  .. 3.2005 s
//   6       12801  Ali: say "a,b" <i> & done_          3.2005  .. 4.0005625 s, the recording's end
#include <gtest/gtest.h>

#include <filesystem>

#include "ExportFile.h"
#include "RunProgram.h"

using namespace lectorio;
using test::RunCli;
using test::RunProgram;
using test::Slurp;
using test::TempFolder;
using test::Touch;

namespace {

const std::string kData = LECTORIO_EXPORT_DATA;

ProjectState MakeTalk(const std::string& folder) {
    ProjectState s;
    s.outputFolder = folder;
    s.projectName = "talk";
    const std::vector<std::pair<size_t, std::string>> segments = {
        {19201, ""},    {8009, "A: Hello, \"world\" *l wo_ rd \x80\x7F\x01"},
        {1, "*n"},      {16001, "Привет мир\n你好\n\nB&\"C\":\nline one:two"},
        {8001, "\n\n"}, {12801, "Ali: say \"a,b\" <i> & done_"},
    };
    for (const auto& [frames, text] : segments) {
        ++s.segmentCount;
        test::WriteWave(s.SegmentWavePath(s.segmentCount), std::vector<int16_t>(frames));
        Touch(s.SegmentTextPath(s.segmentCount), text);
    }
    test::WriteWave(folder + "/talk.wav", std::vector<int16_t>(64009)); // the recording
    EXPECT_TRUE(s.WriteProjectFile());
    return s;
}

bool Installed(const char* program) {
    return RunProgram({"sh", "-c", std::string("command -v ") + program}).status == 0;
}

} // namespace

TEST(Export, TimesFromFrameCounts) {
    EXPECT_EQ(SampleTime(7, 16000, 1000), 0);
    EXPECT_EQ(SampleTime(8, 16000, 1000), 1);
    EXPECT_EQ(SampleTime(9'000'000'000'000'000, 48000, 1000000), 187'500'000'000'000'000);
    // Frames 3, 0 and 2: a segment without frames gets no length and moves no later boundary.
    const TimedTranscript t = BuildTimedTranscript(1000, {{1, 3, "x"}, {2, 0, ""}, {3, 2, ""}});
    std::vector<int64_t> bounds;
    for (const TimedSegment& s : t.segments)
        bounds.insert(bounds.end(), {s.startSample, s.endSample});
    EXPECT_EQ(bounds, (std::vector<int64_t>{0, 2, 2, 2, 2, 3}));
    EXPECT_EQ(t.sampleRate, 1000u);
    TimedTranscript hour{1000, {{1, 3723004, 3723005, {{"", false, "x"}}}}, "", ""};
    EXPECT_EQ(FormatExport(hour, ExportFormat::Srt), "1\n01:02:03,004 --> 01:02:03,005\nx\n\n");
    EXPECT_NE(FormatExport(hour, ExportFormat::Eaf).find("REF1=\"ts1\" TIME_SLOT_REF2=\"ts2\""),
              std::string::npos);
}

class Formats : public testing::TestWithParam<ExportFormatInfo> {};

TEST_P(Formats, MatchTheStoredDocument) {
    TempFolder t;
    const ProjectState state = MakeTalk(t.Path());
    TimedTranscript timed;
    ASSERT_EQ(LoadTimedTranscript(state, timed).status, ExportStatus::Written);
    EXPECT_EQ(timed.mediaPath, t.Path() + "/talk.wav");
    timed.mediaPath = "/home/Ana/rec-2019/talk ü.wav";
    timed.date = "2026-12-06T12:00:00Z";
    EXPECT_EQ(FormatExport(timed, GetParam().format), Slurp(kData + "/golden/talk" + GetParam().extension));
}

INSTANTIATE_TEST_SUITE_P(All, Formats, testing::ValuesIn(ExportFormats()),
                         [](const auto& info) { return std::string(info.param.name); });

// What a reader program prints about the exported file.
struct ReaderCase {
    const char* format;
    std::vector<std::string> command; // the program and its arguments; the file's path follows
    std::string expected;
};

class Readers : public testing::TestWithParam<ReaderCase> {};

TEST_P(Readers, ReadTheExportWrittenBesideTheProject) {
    const ReaderCase& c = GetParam();
    TempFolder t;
    MakeTalk(t.Path());
    const auto written = RunCli({"export", t.Path() + "/talk.vprj", "--format", c.format});
    ASSERT_EQ(written.status, 0) << written.err;
    ASSERT_EQ(written.out,
              t.Path() + "/talk" + ExportFormatOf(*ExportFormatNamed(c.format)).extension + "\n");
    if (!Installed(c.command[0].c_str()))
        GTEST_SKIP() << c.command[0] << " is not installed";
    std::vector<std::string> command = c.command;
    command.push_back(written.out.substr(0, written.out.size() - 1));
    const auto read = RunProgram(command);
    EXPECT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(read.out, c.expected);
}

// Per event: start, and length ("N/A" for none), in seconds.
const std::vector<std::string> kFfprobe = {
    "ffprobe", "-v", "error", "-show_entries", "packet=pts_time,duration_time", "-of", "csv=p=0"};
const std::string kEvents = "1.200000,0.501000\n1.701000,N/A\n1.701000,1.000000\n3.201000,0.800000\n";

INSTANTIATE_TEST_SUITE_P(
    All, Readers,
    testing::Values(ReaderCase{"srt", kFfprobe, kEvents}, ReaderCase{"vtt", kFfprobe, kEvents},
                    ReaderCase{"textgrid",
                               {"praat", "--run", kData + "/read-textgrid.praat"},
                               "2 4.000563\n5\n5\nA: Привет мир 你好\nB&\"C\": line one\ntwo\n"},
                    ReaderCase{"eaf", {"xmllint", "--xpath", "count(//ANNOTATION)"}, "5\n"}),
    [](const auto& info) { return std::string(info.param.format); });
