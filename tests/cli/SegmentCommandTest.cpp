// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the built lectorio-cli segment command as a user would.
#include "RunProgram.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

using namespace lectorio;
namespace fs = std::filesystem;

using lectorio::test::RunCli;

namespace {

std::string Slurp(const fs::path& p) {
    return test::Slurp(p.string());
}

class SegmentCommand : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(dir / "out");
        // 1 s silence, 1 s loud, 1 s silence, 0.5 s loud, 1 s silence at 16 kHz.
        std::vector<int16_t> x(16000 * 9 / 2, 0);
        for (int i = 0; i < static_cast<int>(x.size()); ++i) {
            const bool loud = (i >= 16000 && i < 32000) || (i >= 48000 && i < 56000);
            x[static_cast<size_t>(i)] = static_cast<int16_t>(loud ? ((i & 1) ? -9000 : 9000) : (i % 7) - 3);
        }
        test::WriteWave(In(), x);
    }
    std::string In() const { return (dir / "talk.wav").string(); }
    std::string Out() const { return (dir / "out").string(); }
    test::TempFolder folder;
    fs::path dir{folder.Path()};
};

} // namespace

TEST_F(SegmentCommand, WritesAWholeRunAndOneSummaryLine) {
    std::ofstream(dir / "out" / "00009_talk.txt") << "stale";
    const auto o = RunCli({"segment", In(), Out(), "talk.vprj"});
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

TEST_F(SegmentCommand, BadUsage) {
    for (const auto& args :
         std::vector<std::vector<std::string>>{{"segment", In(), Out()},
                                               {"segment", In(), Out(), "t", "--bogus"},
                                               {"segment", In(), Out(), "t", "--history"}}) {
        const auto o = RunCli(args);
        EXPECT_EQ(o.status, 2);
        EXPECT_NE(o.err.find("Usage: lectorio-cli"), std::string::npos);
    }
    const auto help = RunCli({"--help"});
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
        ASSERT_EQ(RunCli(first).status, 0) << a[0];
        const std::string label = Slurp(dir / "talk.lab");
        ASSERT_EQ(RunCli(second).status, 0);
        EXPECT_EQ(label, Slurp(dir / "talk.lab")) << a[0] << " " << a[1];
    }
    // A nan threshold must not silence the detector: it becomes 0.00001.
    ASSERT_EQ(RunCli({"segment", In(), Out(), "talk", "--start-threshold", "nan"}).status, 0);
    EXPECT_NE(Slurp(dir / "talk.lab"), "#\n0.000000 121 S1\n");
}

TEST_F(SegmentCommand, NoLabel) {
    const auto o = RunCli({"segment", In(), Out(), "talk", "--no-label"});
    EXPECT_EQ(o.status, 0);
    EXPECT_FALSE(fs::exists(dir / "talk.lab"));
}

TEST_F(SegmentCommand, ShippedSampleGivesSentenceSizedSegments) {
    fs::copy_file(LECTORIO_SAMPLE, dir / "speech.wav");
    const auto o = RunCli({"segment", (dir / "speech.wav").string(), Out(), "sample"});
    ASSERT_EQ(o.status, 0) << o.err;
    const int segments = std::stoi(o.out);
    EXPECT_GE(segments, 9);
    EXPECT_LE(segments, 40);
}
