// SPDX-License-Identifier: GPL-3.0-or-later
// lectorio-cli pitch and stretch, run as the built program.
#include "PitchAnalyzer.h"

#include "RunProgram.h"
#include "TestSupport.h"

#include <filesystem>

using namespace lectorio;
using namespace lectorio::testing;

TEST(Cli, PitchAndStretchWriteWhatTheEngineWritesAndRefuseBadArguments) {
    TempFolder folder;
    const std::string seg = folder.File("seg.wav"), other = folder.File("other.ptc");
    WriteWave(seg, SpeechLike(16000, 0.0625, 5), 16000); // 1000 samples
    WriteWave(folder.File("short.wav"), std::vector<int16_t>(100, 5), 16000);
    ASSERT_TRUE(BuildPitchTrack(seg, folder.File("direct.ptc")));
    WriteWave(folder.File("other.wav"), SpeechLike(16000, 0.5, 6), 16000);
    ASSERT_TRUE(BuildPitchTrack(folder.File("other.wav"), other));
    const std::string out = folder.File("out.wav");
    // clang-format off
    const struct {
        std::vector<std::string> args;
        int status;
        size_t frames; // of out.wav when written
    } cases[] = {
        {{"pitch", seg, folder.File("t.ptc")}, 0, 0},
        {{"stretch", seg, out, "--position", "12"}, 0, 1201},
        {{"stretch", "--factor", "0.25", seg, out}, 0, 250},
        {{"stretch", seg, out, "--position", "20", "--use-track", folder.File("direct.ptc")}, 0, 2000},
        {{"stretch", seg, out, "--position", "20", "--track", folder.File("k.ptc")}, 0, 2000},
        {{"pitch", folder.File("short.wav"), folder.File("s.ptc")}, 2, 0}, {{"pitch", seg}, 2, 0},
        {{"stretch", seg, out}, 2, 0}, {{"stretch", seg, out, "--position", "4"}, 2, 0},
        {{"stretch", seg, out, "--position", "21"}, 2, 0}, {{"stretch", seg, out, "--position", "12x"}, 2, 0},
        {{"stretch", seg, out, "--factor", "4.5"}, 2, 0}, {{"stretch", seg, out, "--factor", "nan"}, 2, 0},
        {{"stretch", seg, out, "--factor", "1", "--position", "10"}, 2, 0},
        {{"stretch", seg, out, "--position", "10", "--frobnicate"}, 2, 0}, {{"stretch", seg, out, "--position"}, 2, 0},
        {{"stretch", seg, out, "--position", "10", "--track", "a.ptc", "--use-track", "b.ptc"}, 2, 0},
        {{"stretch", seg, out, "--position", "10", "--use-track", other}, 2, 0},
        {{"stretch", seg, seg, "--position", "10"}, 2, 0},
        {{"stretch", seg, folder.File("none/out.wav"), "--position", "10"}, 2, 0},
    };
    // clang-format on
    const auto segment = ReadBytes(seg);
    for (const auto& c : cases) {
        std::filesystem::remove(out);
        const auto run = test::RunCli(c.args);
        EXPECT_EQ(run.status, c.status) << c.args.back() << " " << run.err;
        EXPECT_EQ(ReadWave(out).size(), c.frames) << c.args.back();
        if (c.status != 0) {
            EXPECT_EQ(run.err.rfind("lectorio-cli: ", 0), 0u) << run.err;
        }
    }
    EXPECT_EQ(ReadBytes(folder.File("t.ptc")), ReadBytes(folder.File("direct.ptc")));
    EXPECT_EQ(ReadBytes(seg), segment);
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"direct.ptc", "k.ptc", "other.ptc", "other.wav",
                                                        "seg.wav", "short.wav", "t.ptc"}));
}
