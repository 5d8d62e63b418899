// SPDX-License-Identifier: GPL-3.0-or-later
// lectorio-cli pitch and stretch, run as the built program.
#include "PitchAnalyzer.h"

#include "RunProgram.h"
#include "TestSupport.h"

using namespace lectorio;
using namespace lectorio::testing;

using lectorio::test::RunCli;

namespace {

struct Cli : ::testing::Test {
    TempFolder folder;
    std::string segment = folder.File("seg.wav");
    void SetUp() override { WriteWave(segment, SpeechLike(16000, 0.0625, 5), 16000); } // 1000 samples
};

} // namespace

TEST_F(Cli, PitchWritesTheAnalysisTrack) {
    const auto run = RunCli({"pitch", segment, folder.File("t.ptc")});
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_TRUE(BuildPitchTrack(segment, folder.File("direct.ptc")));
    EXPECT_EQ(ReadBytes(folder.File("t.ptc")), ReadBytes(folder.File("direct.ptc")));

    WriteWave(folder.File("short.wav"), std::vector<int16_t>(100, 5), 16000);
    const auto shortRun = RunCli({"pitch", folder.File("short.wav"), folder.File("s.ptc")});
    EXPECT_EQ(shortRun.status, 2);
    EXPECT_NE(shortRun.err.find("shorter than one analysis frame"), std::string::npos) << shortRun.err;
    EXPECT_EQ(RunCli({"pitch", segment}).status, 2);
    EXPECT_EQ(RunCli({"pitch", folder.File("none.wav"), folder.File("x.ptc")}).status, 2);
    EXPECT_EQ(folder.Names(), std::vector<std::string>({"direct.ptc", "seg.wav", "short.wav", "t.ptc"}));
}

TEST_F(Cli, StretchByPositionOrFactor) {
    ASSERT_EQ(RunCli({"stretch", segment, folder.File("a.wav"), "--position", "12"}).status, 0);
    EXPECT_EQ(ReadWave(folder.File("a.wav")).size(), 1201u);
    ASSERT_EQ(RunCli({"stretch", "--factor", "0.25", segment, folder.File("b.wav")}).status, 0);
    EXPECT_EQ(ReadWave(folder.File("b.wav")).size(), 250u);
    // The temporary track is gone; --track keeps it.
    EXPECT_EQ(folder.Names(), std::vector<std::string>({"a.wav", "b.wav", "seg.wav"}));
    ASSERT_EQ(RunCli({"stretch", segment, folder.File("c.wav"), "--position", "20", "--track",
                      folder.File("t.ptc")})
                  .status,
              0);
    ASSERT_EQ(RunCli({"stretch", segment, folder.File("d.wav"), "--position", "20", "--use-track",
                      folder.File("t.ptc")})
                  .status,
              0);
    EXPECT_EQ(ReadBytes(folder.File("c.wav")), ReadBytes(folder.File("d.wav")));
    EXPECT_EQ(ReadWave(folder.File("d.wav")).size(), 2000u);
}

TEST_F(Cli, BadArgumentsAndForeignTracksLeaveNoOutput) {
    const std::string out = folder.File("out.wav");
    WriteWave(folder.File("other.wav"), SpeechLike(16000, 0.5, 6), 16000);
    ASSERT_TRUE(BuildPitchTrack(folder.File("other.wav"), folder.File("other.ptc")));
    const std::vector<std::vector<std::string>> bad = {
        {"stretch", segment, out},
        {"stretch", segment, out, "--position", "4"},
        {"stretch", segment, out, "--position", "21"},
        {"stretch", segment, out, "--position", "12x"},
        {"stretch", segment, out, "--factor", "4.5"},
        {"stretch", segment, out, "--factor", "nan"},
        {"stretch", segment, out, "--factor", "1", "--position", "10"},
        {"stretch", segment, out, "--position", "10", "--frobnicate"},
        {"stretch", segment, out, "--position"},
        {"stretch", segment, "--position", "10"},
        {"stretch", segment, out, "--position", "10", "--track", "a.ptc", "--use-track", "b.ptc"},
        {"stretch", segment, out, "--position", "10", "--use-track", folder.File("other.ptc")},
        {"stretch", segment, out, "--position", "10", "--use-track", folder.File("none.ptc")},
        {"stretch", folder.File("none.wav"), out, "--position", "10"},
        {"stretch", segment, folder.File("none/out.wav"), "--position", "10"},
    };
    for (const auto& args : bad) {
        const auto run = RunCli(args);
        EXPECT_EQ(run.status, 2) << args.size() << " " << args.back();
        EXPECT_EQ(run.err.rfind("lectorio-cli: ", 0), 0u) << run.err;
    }
    const auto before = ReadBytes(segment);
    const auto same = RunCli({"stretch", segment, segment, "--position", "10"});
    EXPECT_EQ(same.status, 2);
    EXPECT_EQ(ReadBytes(segment), before);
    EXPECT_EQ(folder.Names(), std::vector<std::string>({"other.ptc", "other.wav", "seg.wav"}));
}
