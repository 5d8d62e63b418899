// SPDX-License-Identifier: GPL-3.0-or-later
// The command layer on the real sound server: what is played must arrive in
// the null sink (its monitor is recorded with parec), and the positions must
// match what was heard. Skips unless scripts/with-pulseaudio.sh runs it.
#include "MciCommandLayer.h"
#include "RiffBytes.h"
#include "ServerTools.h"
#include "TestSignals.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace lectorio {
namespace {

using namespace std::chrono_literals;
using test::MakeSamples;
using test::MonitorRecorder;
using test::Pactl;
using test::Runs;
using test::Stretch;
using test::TempFolder;
using test::ToneBlocks;
using test::WriteWave;

constexpr double kTone = 1000.0;

class PulsePlaybackTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::ServerForTests())
            GTEST_SKIP() << "needs the private sound server of scripts/with-pulseaudio.sh";
        // Full volume, not muted, whatever an earlier test left.
        Pactl({"set-sink-volume", "lectorio_null", "65536"});
        Pactl({"set-sink-mute", "lectorio_null", "0"});
    }

    std::string MakeFile(const std::string& name, const std::vector<Stretch>& stretches,
                         uint32_t rate = 16000, uint16_t bits = 16, uint16_t channels = 1,
                         uint16_t tag = kFormatPcm) {
        const std::string path = folder.File(name);
        EXPECT_TRUE(WriteWave(path, MakeSamples(rate, stretches), rate, bits, channels, tag));
        return path;
    }

    void OpenAndPlay(const std::string& path) {
        ASSERT_EQ(layer.SendString("open \"" + path + "\" alias mydevice"), MciError::None);
        ASSERT_EQ(layer.SendString("play mydevice notify"), MciError::None);
    }

    int64_t Position() {
        std::string answer;
        EXPECT_EQ(layer.SendString("status mydevice position", &answer), MciError::None);
        return std::atoll(answer.c_str());
    }

    // Waits until the device reports its length as its position; false after `limit`.
    bool WaitForEnd(std::chrono::milliseconds limit = 6000ms) {
        std::string answer;
        EXPECT_EQ(layer.SendString("status mydevice length", &answer), MciError::None);
        const int64_t length = std::atoll(answer.c_str());
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            if (Position() == length)
                return true;
            std::this_thread::sleep_for(20ms);
        }
        return false;
    }

    // The lengths (in 10 ms blocks) of the tone stretches in a recording. A
    // gap of up to 30 ms inside a stretch (a dropout on a loaded machine) does
    // not split it; the silences the tests look for are far longer.
    static std::vector<int> ToneRuns(const std::vector<int16_t>& recording) {
        std::vector<int> lengths;
        int gap = -1; // blocks of silence since the last tone stretch; -1 before the first
        for (const auto& [tone, blocks] : Runs(ToneBlocks(recording, MonitorRecorder::kRate, kTone, 0.2))) {
            if (!tone) {
                gap = lengths.empty() ? -1 : blocks;
            } else if (gap >= 0 && gap <= 3) {
                lengths.back() += gap + blocks;
            } else {
                lengths.push_back(blocks);
            }
        }
        return lengths;
    }

    TempFolder folder;
    CMciCommandLayer layer;
};

TEST_F(PulsePlaybackTest, PlaysTheSegmentIntoTheSinkAndStaysAtTheEnd) {
    const std::string path = MakeFile("seg 2.wav", {{300, 0.0}, {600, kTone}, {300, 0.0}});
    MonitorRecorder recorder;
    ASSERT_TRUE(recorder.Started());
    ASSERT_NO_FATAL_FAILURE(OpenAndPlay(path));
    ASSERT_TRUE(WaitForEnd());
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(Position(), 1200);
    std::string mode;
    EXPECT_EQ(layer.SendString("status mydevice mode", &mode), MciError::None);
    EXPECT_EQ(mode, "playing");
    const std::vector<int> tones = ToneRuns(recorder.Finish());
    ASSERT_EQ(tones.size(), 1u);
    EXPECT_NEAR(tones[0], 60, 3);
}

TEST_F(PulsePlaybackTest, PositionIsWhatWasHeardAndPauseHoldsIt) {
    const std::string path = MakeFile("tone.wav", {{1500, kTone}});
    MonitorRecorder recorder;
    ASSERT_TRUE(recorder.Started());
    ASSERT_NO_FATAL_FAILURE(OpenAndPlay(path));
    std::this_thread::sleep_for(600ms);
    ASSERT_EQ(layer.SendString("pause mydevice"), MciError::None);
    const int64_t paused = Position();
    EXPECT_GT(paused, 400);
    EXPECT_LT(paused, 700);
    std::this_thread::sleep_for(400ms);
    EXPECT_EQ(Position(), paused);
    // Continue with a rewind of 400 ms, as the window does.
    const int64_t from = paused - 400;
    ASSERT_EQ(layer.SendString("play mydevice from " + std::to_string(from)), MciError::None);
    ASSERT_TRUE(WaitForEnd());
    std::this_thread::sleep_for(100ms);
    const std::vector<int16_t> recording = recorder.Finish();
    const std::vector<int> tones = ToneRuns(recording);
    std::string runs;
    for (const auto& [tone, blocks] : Runs(ToneBlocks(recording, MonitorRecorder::kRate, kTone, 0.2)))
        runs += (tone ? " tone " : " quiet ") + std::to_string(blocks);
    ASSERT_EQ(tones.size(), 2u) << "the pause must be silent; paused at " << paused << ", runs:" << runs;
    // What was heard before the pause is the paused position, to within the
    // 10 ms blocks of the analysis and 20 ms of timing.
    EXPECT_NEAR(tones[0] * 10, paused, 30);
    EXPECT_NEAR(tones[1] * 10, 1500 - from, 30);
}

TEST_F(PulsePlaybackTest, PositionKeepsPaceWithTheClock) {
    const std::string path = MakeFile("long.wav", {{3000, kTone}});
    ASSERT_EQ(layer.SendString("open \"" + path + "\" alias mydevice"), MciError::None);
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(layer.SendString("play mydevice notify"), MciError::None);
    std::this_thread::sleep_for(300ms);
    const int64_t first = Position();
    const auto firstAt = std::chrono::steady_clock::now();
    int64_t previous = first;
    for (int i = 0; i < 10; ++i) {
        std::this_thread::sleep_for(100ms);
        const int64_t now = Position();
        EXPECT_GE(now, previous) << "the position never runs backwards";
        previous = now;
    }
    const int64_t second = Position();
    const auto secondAt = std::chrono::steady_clock::now();
    const auto wall = std::chrono::duration_cast<std::chrono::milliseconds>(secondAt - firstAt).count();
    EXPECT_NEAR(second - first, wall, 20);
    const auto sincePlay = std::chrono::duration_cast<std::chrono::milliseconds>(secondAt - started).count();
    EXPECT_LE(second, sincePlay + 20) << "nothing is reported before it can have been heard";
}

TEST_F(PulsePlaybackTest, SeekWhilePausedPlaysOnFromThere) {
    const std::string path = MakeFile("late.wav", {{1000, 0.0}, {500, kTone}, {500, 0.0}}, 44100);
    MonitorRecorder recorder;
    ASSERT_TRUE(recorder.Started());
    ASSERT_NO_FATAL_FAILURE(OpenAndPlay(path));
    std::this_thread::sleep_for(200ms);
    ASSERT_EQ(layer.SendString("pause mydevice"), MciError::None);
    ASSERT_EQ(layer.SendString("seek mydevice to 1250"), MciError::None);
    EXPECT_EQ(Position(), 1250);
    ASSERT_EQ(layer.SendString("play mydevice"), MciError::None);
    ASSERT_TRUE(WaitForEnd());
    const std::vector<int> tones = ToneRuns(recorder.Finish());
    ASSERT_EQ(tones.size(), 1u);
    EXPECT_NEAR(tones[0], 25, 3);
}

TEST_F(PulsePlaybackTest, PlaysMuLawAndWideMultichannelFilesAtTheirOwnRates) {
    const std::string mulaw = MakeFile("mulaw.wav", {{100, 0.0}, {400, kTone}}, 8000, 8, 1, kFormatMuLaw);
    const std::string wide = MakeFile("wide.wav", {{100, 0.0}, {400, kTone}}, 48000, 24, 2);
    const std::string bytes = MakeFile("bytes.wav", {{100, 0.0}, {400, kTone}}, 11025, 8, 3);
    MonitorRecorder recorder;
    ASSERT_TRUE(recorder.Started());
    for (const std::string& path : {mulaw, wide, bytes}) {
        ASSERT_NO_FATAL_FAILURE(OpenAndPlay(path));
        ASSERT_TRUE(WaitForEnd()) << path;
        std::this_thread::sleep_for(100ms);
        ASSERT_EQ(layer.SendString("close mydevice"), MciError::None);
    }
    const std::vector<int> tones = ToneRuns(recorder.Finish());
    ASSERT_EQ(tones.size(), 3u);
    for (const int blocks : tones)
        EXPECT_NEAR(blocks, 40, 3);
}

TEST_F(PulsePlaybackTest, StereoKeepsItsChannelsApart) {
    // The tone only on the left: a mono mix would put it on both sides.
    const std::vector<int16_t> tone = MakeSamples(16000, {{100, 0.0}, {400, kTone, 0.8}});
    test::Bytes data;
    for (const int16_t left : tone) {
        test::PutLe(data, static_cast<uint16_t>(left), 2);
        test::PutLe(data, 0, 2);
    }
    const std::string path = folder.File("left.wav");
    test::WriteBytes(path, test::Riff({test::FmtChunk(1, 2, 16000, 16), test::Chunk("data", data)}));
    MonitorRecorder recorder(2);
    ASSERT_TRUE(recorder.Started());
    ASSERT_NO_FATAL_FAILURE(OpenAndPlay(path));
    ASSERT_TRUE(WaitForEnd());
    std::this_thread::sleep_for(100ms);
    const std::vector<int16_t> both = recorder.Finish();
    std::vector<int16_t> sides[2];
    for (size_t i = 0; i < both.size(); ++i)
        sides[i % 2].push_back(both[i]);
    const std::vector<int> left = ToneRuns(sides[0]);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_NEAR(left[0], 40, 3);
    EXPECT_TRUE(ToneRuns(sides[1]).empty());
}

TEST_F(PulsePlaybackTest, ClosingStopsTheSound) {
    const std::string path = MakeFile("closed.wav", {{2000, kTone}});
    MonitorRecorder recorder;
    ASSERT_TRUE(recorder.Started());
    ASSERT_NO_FATAL_FAILURE(OpenAndPlay(path));
    std::this_thread::sleep_for(300ms);
    ASSERT_EQ(layer.SendString("close mydevice"), MciError::None);
    std::this_thread::sleep_for(500ms);
    const std::vector<int> tones = ToneRuns(recorder.Finish());
    ASSERT_EQ(tones.size(), 1u);
    EXPECT_LT(tones[0], 50);
}

} // namespace
} // namespace lectorio
