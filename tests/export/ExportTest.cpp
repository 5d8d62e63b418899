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

#include "ExportFile.h"
#include "RunProgram.h"

using namespace lectorio;
using namespace test;

const std::string kData = LECTORIO_EXPORT_DATA;

static ProjectState MakeTalk(const std::string& folder) {
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

// Frame counts become times; a segment without frames gets no length and
// moves no later boundary; hours and the EAF's time slots.
TEST(Export, TimesFromFrameCounts) {
    EXPECT_EQ((std::vector<int64_t>{SampleTime(7, 16000, 1000), SampleTime(8, 16000, 1000),
                                    SampleTime(9'000'000'000'000'000, 48000, 1000000)}),
              (std::vector<int64_t>{0, 1, 187'500'000'000'000'000}));
    const TimedTranscript t = BuildTimedTranscript(1000, {{1, 3, "x"}, {2, 0, ""}, {3, 2, ""}});
    std::vector<int64_t> bounds{t.sampleRate};
    for (const TimedSegment& s : t.segments)
        bounds.insert(bounds.end(), {s.startSample, s.endSample});
    EXPECT_EQ(bounds, (std::vector<int64_t>{1000, 0, 2, 2, 2, 2, 3}));
    TimedTranscript hour{1000, {{1, 3723004, 3723005, {{"", false, "x"}}}}, "", ""};
    EXPECT_EQ(FormatExport(hour, ExportFormat::Srt), "1\n01:02:03,004 --> 01:02:03,005\nx\n\n");
    EXPECT_NE(FormatExport(hour, ExportFormat::Eaf).find("REF1=\"ts1\" TIME_SLOT_REF2=\"ts2\""),
              std::string::npos);
}

// Every format matches its stored document; the command's export beside the
// project is read by a program people use for it (scripts/install-deps.sh
// installs them): ffprobe prints each event's start and length ("N/A" for
// none) in seconds.
TEST(Export, FormatsMatchTheStoredDocumentsAndTheirReadersReadThem) {
    TempFolder t;
    const ProjectState state = MakeTalk(t.Path());
    TimedTranscript timed;
    ASSERT_EQ(LoadTimedTranscript(state, timed).status, ExportStatus::Written);
    EXPECT_EQ(timed.mediaPath, t.Path() + "/talk.wav");
    timed.mediaPath = "/home/Ana/rec-2019/talk ü.wav";
    timed.date = "2026-12-06T12:00:00Z";
    for (const ExportFormatInfo& info : ExportFormats())
        EXPECT_EQ(FormatExport(timed, info.format), Slurp(kData + "/golden/talk" + info.extension))
            << info.name;
    const std::vector<std::string> ffprobe = {
        "ffprobe", "-v", "error", "-show_entries", "packet=pts_time,duration_time", "-of", "csv=p=0"};
    const std::string events = "1.200000,0.501000\n1.701000,N/A\n1.701000,1.000000\n3.201000,0.800000\n";
    // clang-format off
    const std::tuple<const char*, std::vector<std::string>, std::string> readers[] = {
        {"srt", ffprobe, events}, {"vtt", ffprobe, events},
        {"textgrid", {"praat", "--run", kData + "/read-textgrid.praat"}, "2 4.000563\n5\n5\nA: Привет мир 你好\nB&\"C\": line one\ntwo\n"},
        {"eaf", {"xmllint", "--xpath", "count(//ANNOTATION)"}, "5\n"}};
    // clang-format on
    for (auto [format, command, expected] : readers) {
        const auto written = RunCli({"export", t.Path() + "/talk.vprj", "--format", format});
        command.push_back(t.Path() + "/talk" + ExportFormatOf(*ExportFormatNamed(format)).extension);
        EXPECT_EQ(std::to_string(written.status) + " " + written.out, "0 " + command.back() + "\n")
            << written.err;
        const auto read = RunProgram(command);
        EXPECT_EQ(std::to_string(read.status) + " " + read.out, "0 " + expected) << format << read.err;
    }
}
