// Runs the built lectorio-cli (its path comes as --cli=PATH) as a user would.
#include "WaveFile.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

using namespace lectorio;
namespace fs = std::filesystem;

namespace {

std::string g_cli;
std::string g_sample;

struct Outcome {
    int status = -1;
    std::string out, err;
};

std::string ReadFd(int fd) {
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<size_t>(n));
    return text;
}

// Runs the program with stdout and stderr into files (no shell involved).
Outcome RunCli(const std::vector<std::string>& args, const fs::path& scratch) {
    const std::string outPath = (scratch / "stdout").string(), errPath = (scratch / "stderr").string();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(out, 1);
        ::dup2(err, 2);
        std::vector<char*> argv{const_cast<char*>(g_cli.c_str())};
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(g_cli.c_str(), argv.data());
        ::_exit(127);
    }
    Outcome o;
    int status = 0;
    ::waitpid(pid, &status, 0);
    o.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    const int out = ::open(outPath.c_str(), O_RDONLY), err = ::open(errPath.c_str(), O_RDONLY);
    o.out = ReadFd(out);
    o.err = ReadFd(err);
    ::close(out);
    ::close(err);
    fs::remove(outPath);
    fs::remove(errPath);
    return o;
}

std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class SegmentCommand : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(g_cli.empty()) << "pass --cli=PATH";
        dir = fs::temp_directory_path() / ("lectorio-cli-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir / "out");
        // 1 s silence, 1 s loud, 1 s silence, 0.5 s loud, 1 s silence at 16 kHz.
        std::vector<int16_t> x(16000 * 9 / 2, 0);
        for (int i = 0; i < static_cast<int>(x.size()); ++i) {
            const bool loud = (i >= 16000 && i < 32000) || (i >= 48000 && i < 56000);
            x[static_cast<size_t>(i)] = static_cast<int16_t>(loud ? ((i & 1) ? -9000 : 9000) : (i % 7) - 3);
        }
        auto w = CreateWaveFile((dir / "talk.wav").string(), 16000, 16, 1, kFormatPcm);
        w->WriteMonoSamples(x.data(), static_cast<int64_t>(x.size()));
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string In() const { return (dir / "talk.wav").string(); }
    std::string Out() const { return (dir / "out").string(); }
    fs::path dir;
};

} // namespace

TEST_F(SegmentCommand, WritesAWholeRunAndOneSummaryLine) {
    std::ofstream(dir / "out" / "00009_talk.txt") << "stale";
    const auto o = RunCli({"segment", In(), Out(), "talk.vprj"}, dir);
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_TRUE(std::regex_match(o.out, std::regex("5 segments written: [0-9]+\\.[0-9]{2} s speech, "
                                                   "[0-9]+\\.[0-9]{2} s silence\n")))
        << o.out;
    EXPECT_EQ(o.err, ""); // no bar when stderr is no terminal
    for (int n = 1; n <= 5; ++n) {
        EXPECT_TRUE(fs::exists(dir / "out" / ("0000" + std::to_string(n) + "_talk.wav")));
        EXPECT_EQ(Slurp(dir / "out" / ("0000" + std::to_string(n) + "_talk.txt")), "");
    }
    EXPECT_FALSE(fs::exists(dir / "out" / "00009_talk.txt"));
    EXPECT_EQ(Slurp(dir / "out" / "talk.vprj"), "5 " + Out());
    EXPECT_EQ(Slurp(dir / "talk.lab").substr(0, 2), "#\n");
}

TEST_F(SegmentCommand, RefusesAnUnreadableInputBeforeTouchingAnything) {
    std::ofstream(dir / "notes.wav") << "plain text";
    std::ofstream(dir / "out" / "00001_talk.wav") << "old";
    const auto o = RunCli({"segment", (dir / "notes.wav").string(), Out(), "talk"}, dir);
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.err.find((dir / "notes.wav").string()), std::string::npos);
    EXPECT_NE(o.err.find("not a RIFF file"), std::string::npos) << o.err;
    EXPECT_EQ(Slurp(dir / "out" / "00001_talk.wav"), "old");
    EXPECT_FALSE(fs::exists(dir / "notes.lab"));
    EXPECT_FALSE(fs::exists(dir / "out" / "talk.vprj"));

    const auto missing = RunCli({"segment", (dir / "none.wav").string(), Out(), "talk"}, dir);
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("cannot be opened"), std::string::npos) << missing.err;
}

TEST_F(SegmentCommand, RefusesAMissingOutputFolder) {
    const auto o = RunCli({"segment", In(), (dir / "nowhere").string(), "talk"}, dir);
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.err.find("nowhere"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "talk.lab"));
}

TEST_F(SegmentCommand, RefusesToSegmentOneOfTheProjectsOwnSegments) {
    fs::copy_file(In(), dir / "out" / "00003_talk.wav");
    const auto o = RunCli({"segment", (dir / "out" / "00003_talk.wav").string(), Out(), "talk"}, dir);
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(Slurp(dir / "out" / "00003_talk.wav"), Slurp(In()));
}

TEST_F(SegmentCommand, BadUsage) {
    for (const auto& args :
         std::vector<std::vector<std::string>>{{"segment", In(), Out()},
                                               {"segment", In(), Out(), "t", "--bogus"},
                                               {"segment", In(), Out(), "t", "--history"}}) {
        const auto o = RunCli(args, dir);
        EXPECT_EQ(o.status, 2);
        EXPECT_NE(o.err.find("Usage: lectorio-cli"), std::string::npos);
    }
    const auto help = RunCli({"--help"}, dir);
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--no-label"), std::string::npos);
}

TEST_F(SegmentCommand, OptionValuesGoThroughTheDialogsRangeRules) {
    // Each pair must write the same label file.
    const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> pairs = {
        {{"--start-threshold", "nan"}, {"--start-threshold", "0.00001"}},
        {{"--end-threshold", "inf"}, {"--end-threshold", "0.00001"}},
        {{"--end-threshold", "0x1p-1"}, {"--end-threshold", "0"}},
        {{"--max-length", "0"}, {"--max-length", "3"}},
        {{"--max-length", "99999999999"}, {}},
        {{"--history", "99999999999"}, {"--history", "32767"}},
        {{"--sample-threshold", "12.7"}, {"--sample-threshold", "12"}},
        {{"--sample-threshold", "50000"}, {"--sample-threshold", "32767"}},
        {{"--start-threshold", "7"}, {"--start-threshold", "1"}},
    };
    for (const auto& [a, b] : pairs) {
        std::vector<std::string> first{"segment", In(), Out(), "talk"}, second = first;
        first.insert(first.end(), a.begin(), a.end());
        second.insert(second.end(), b.begin(), b.end());
        ASSERT_EQ(RunCli(first, dir).status, 0) << a[0];
        const std::string label = Slurp(dir / "talk.lab");
        ASSERT_EQ(RunCli(second, dir).status, 0);
        EXPECT_EQ(label, Slurp(dir / "talk.lab")) << a[0] << " " << a[1];
    }
    // A nan threshold must not silence the detector: it becomes 0.00001.
    ASSERT_EQ(RunCli({"segment", In(), Out(), "talk", "--start-threshold", "nan"}, dir).status, 0);
    EXPECT_NE(Slurp(dir / "talk.lab"), "#\n0.000000 121 S1\n");
}

TEST_F(SegmentCommand, NoLabel) {
    const auto o = RunCli({"segment", In(), Out(), "talk", "--no-label"}, dir);
    EXPECT_EQ(o.status, 0);
    EXPECT_FALSE(fs::exists(dir / "talk.lab"));
}

TEST_F(SegmentCommand, ShippedSampleGivesSentenceSizedSegments) {
    if (g_sample.empty())
        GTEST_SKIP() << "pass --sample=PATH";
    fs::copy_file(g_sample, dir / "speech.wav");
    const auto o = RunCli({"segment", (dir / "speech.wav").string(), Out(), "sample"}, dir);
    ASSERT_EQ(o.status, 0) << o.err;
    const int segments = std::stoi(o.out);
    EXPECT_GE(segments, 9);
    EXPECT_LE(segments, 40);
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]).rfind("--cli=", 0) == 0)
            g_cli = std::string(argv[i]).substr(6);
        else if (std::string(argv[i]).rfind("--sample=", 0) == 0)
            g_sample = std::string(argv[i]).substr(9);
    return RUN_ALL_TESTS();
}
