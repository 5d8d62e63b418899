// lectorio-cli pitch and stretch, run as the built program.
#include "PitchAnalyzer.h"

#include "TestSupport.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

using namespace lectorio;
using namespace lectorio::testing;

extern char** environ;

namespace {

struct Outcome {
    int status = -1;
    std::string errors;
};

Outcome RunCli(const ScratchFolder& folder, std::vector<std::string> args) {
    args.insert(args.begin(), LECTORIO_CLI);
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string errorFile = folder.Path() + "/../" + std::to_string(getpid()) + "-cli-errors.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    Outcome outcome;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    const auto bytes = ReadBytes(errorFile);
    outcome.errors.assign(bytes.begin(), bytes.end());
    std::remove(errorFile.c_str());
    return outcome;
}

struct Cli : ::testing::Test {
    ScratchFolder folder;
    std::string segment = folder.File("seg.wav");
    void SetUp() override { WriteWave(segment, SpeechLike(16000, 0.0625, 5), 16000); } // 1000 samples
};

} // namespace

TEST_F(Cli, PitchWritesTheAnalysisTrack) {
    const Outcome run = RunCli(folder, {"pitch", segment, folder.File("t.ptc")});
    ASSERT_EQ(run.status, 0) << run.errors;
    ASSERT_TRUE(BuildPitchTrack(segment, folder.File("direct.ptc")));
    EXPECT_EQ(ReadBytes(folder.File("t.ptc")), ReadBytes(folder.File("direct.ptc")));

    WriteWave(folder.File("short.wav"), std::vector<int16_t>(100, 5), 16000);
    const Outcome shortRun = RunCli(folder, {"pitch", folder.File("short.wav"), folder.File("s.ptc")});
    EXPECT_EQ(shortRun.status, 2);
    EXPECT_NE(shortRun.errors.find("shorter than one analysis frame"), std::string::npos) << shortRun.errors;
    EXPECT_EQ(RunCli(folder, {"pitch", segment}).status, 2);
    EXPECT_EQ(RunCli(folder, {"pitch", folder.File("none.wav"), folder.File("x.ptc")}).status, 2);
    EXPECT_EQ(folder.Names(), std::vector<std::string>({"direct.ptc", "seg.wav", "short.wav", "t.ptc"}));
}

TEST_F(Cli, StretchByPositionOrFactor) {
    ASSERT_EQ(RunCli(folder, {"stretch", segment, folder.File("a.wav"), "--position", "12"}).status, 0);
    EXPECT_EQ(ReadWave(folder.File("a.wav")).size(), 1201u);
    ASSERT_EQ(RunCli(folder, {"stretch", "--factor", "0.25", segment, folder.File("b.wav")}).status, 0);
    EXPECT_EQ(ReadWave(folder.File("b.wav")).size(), 250u);
    // The temporary track is gone; --track keeps it.
    EXPECT_EQ(folder.Names(), std::vector<std::string>({"a.wav", "b.wav", "seg.wav"}));
    ASSERT_EQ(RunCli(folder, {"stretch", segment, folder.File("c.wav"), "--position", "20", "--track",
                              folder.File("t.ptc")})
                  .status,
              0);
    ASSERT_EQ(RunCli(folder, {"stretch", segment, folder.File("d.wav"), "--position", "20", "--use-track",
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
        const Outcome run = RunCli(folder, args);
        EXPECT_EQ(run.status, 2) << args.size() << " " << args.back();
        EXPECT_EQ(run.errors.rfind("lectorio-cli: ", 0), 0u) << run.errors;
    }
    const auto before = ReadBytes(segment);
    const Outcome same = RunCli(folder, {"stretch", segment, segment, "--position", "10"});
    EXPECT_EQ(same.status, 2);
    EXPECT_EQ(ReadBytes(segment), before);
    EXPECT_EQ(folder.Names(), std::vector<std::string>({"other.ptc", "other.wav", "seg.wav"}));
}
