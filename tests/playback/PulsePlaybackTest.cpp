// SPDX-License-Identifier: GPL-3.0-or-later
// The command layer on the real sound server: what is played must arrive in
// the null sink (its monitor is recorded with parec), and the positions must
// match what was heard. The command logic itself is tested on the null
// output. Skips unless scripts/with-pulseaudio.sh runs it.
#include "MciCommandLayer.h"
#include "RiffBytes.h"
#include "ServerTools.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <thread>

namespace lectorio {
namespace {

using namespace std::chrono_literals;
using test::MakeSamples;

constexpr double kTone = 1000.0;

class PulsePlaybackTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::ServerForTests())
            GTEST_SKIP() << "needs the private sound server of scripts/with-pulseaudio.sh";
        // Full volume, not muted, whatever an earlier test left.
        test::Pactl({"set-sink-volume", "lectorio_null", "65536"});
        test::Pactl({"set-sink-mute", "lectorio_null", "0"});
    }

    std::string Ask(const std::string& item) {
        std::string answer;
        EXPECT_EQ(layer.SendString("status d " + item, &answer), MciError::None) << item;
        return answer;
    }

    void Play(const std::string& path) {
        ASSERT_EQ(layer.SendString("open " + QuoteForCommand(path) + " alias d"), MciError::None);
        ASSERT_EQ(layer.SendString("play d"), MciError::None);
    }

    // Waits until the position of "d" is its length.
    bool WaitForEnd() {
        for (int i = 0; i < 300; ++i, std::this_thread::sleep_for(20ms))
            if (Ask("position") == Ask("length"))
                return true;
        return false;
    }

    test::TempFolder folder;
    CMciCommandLayer layer;
};

TEST_F(PulsePlaybackTest, PositionIsWhatWasHeardPauseIsSilentAndTheEndHolds) {
    const std::string path = folder.File("tone 1.wav");
    ASSERT_TRUE(test::WriteWave(path, MakeSamples(16000, {{1500, kTone}})));
    test::MonitorRecorder recorder;
    ASSERT_TRUE(recorder.Started());
    ASSERT_NO_FATAL_FAILURE(Play(path));
    std::this_thread::sleep_for(600ms);
    ASSERT_EQ(layer.SendString("pause d"), MciError::None);
    const int64_t paused = std::stoll(Ask("position"));
    EXPECT_GT(paused, 400);
    EXPECT_LT(paused, 700);
    std::this_thread::sleep_for(400ms);
    EXPECT_EQ(Ask("position"), std::to_string(paused));
    // Continue with a rewind of 400 ms, as the window does, to the end.
    const int64_t from = paused - 400;
    ASSERT_EQ(layer.SendString("play d from " + std::to_string(from)), MciError::None);
    ASSERT_TRUE(WaitForEnd());
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(Ask("position"), "1500");
    EXPECT_EQ(Ask("mode"), "playing");
    const std::vector<int> tones = recorder.ToneRuns()[0];
    ASSERT_EQ(tones.size(), 2u) << "the pause must be silent; paused at " << paused;
    // What was heard before the pause is the paused position, to within the
    // 10 ms blocks of the analysis and 20 ms of timing.
    EXPECT_NEAR(tones[0] * 10, paused, 30);
    EXPECT_NEAR(tones[1] * 10, 1500 - from, 30);
}

TEST_F(PulsePlaybackTest, PlaysEachEncodingAtItsRateWithItsChannelsAndCloseStopsIt) {
    test::MonitorRecorder recorder;
    ASSERT_TRUE(recorder.Started());
    const std::array<uint32_t, 4> files[] = {
        {8000, 8, 1, kFormatMuLaw}, {48000, 24, 2, kFormatPcm}, {11025, 8, 3, kFormatPcm}};
    for (const auto& [rate, bits, channels, tag] : files) {
        const std::string path = folder.File(std::to_string(rate) + ".wav");
        ASSERT_TRUE(test::WriteWave(path, MakeSamples(rate, {{100, 0.0}, {400, kTone}}), rate,
                                    static_cast<uint16_t>(bits), static_cast<uint16_t>(channels),
                                    static_cast<uint16_t>(tag)));
        ASSERT_NO_FATAL_FAILURE(Play(path));
        ASSERT_TRUE(WaitForEnd()) << path;
        std::this_thread::sleep_for(100ms);
        ASSERT_EQ(layer.SendString("close d"), MciError::None);
    }
    // Last, two seconds of the tone on the left only (a mono mix would put it
    // on both sides), closed while it plays.
    test::Bytes data;
    for (const int16_t left : MakeSamples(16000, {{100, 0.0}, {2000, kTone, 0.8}})) {
        test::PutLe(data, static_cast<uint16_t>(left), 2);
        test::PutLe(data, 0, 2);
    }
    test::WriteBytes(folder.File("left.wav"),
                     test::Riff({test::FmtChunk(1, 2, 16000, 16), test::Chunk("data", data)}));
    ASSERT_NO_FATAL_FAILURE(Play(folder.File("left.wav")));
    std::this_thread::sleep_for(400ms);
    ASSERT_EQ(layer.SendString("close d"), MciError::None);
    std::this_thread::sleep_for(400ms);
    const auto [left, right] = recorder.ToneRuns();
    ASSERT_EQ(left.size(), 4u);
    ASSERT_EQ(right.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_NEAR(left[i], 40, 3) << i;
        EXPECT_NEAR(right[i], 40, 3) << i;
    }
    EXPECT_LT(left[3], 50) << "closing stops the sound";
}

} // namespace
} // namespace lectorio
