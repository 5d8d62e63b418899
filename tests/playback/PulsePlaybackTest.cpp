// SPDX-License-Identifier: GPL-3.0-or-later
// Playback and the master volume on the real sound server, one test per
// feature: what is played must arrive in the null sink (its monitor is
// recorded with parec) and the positions must match what was heard; volume
// changes are checked with pactl. The command logic itself is tested on the
// null output. Skips unless scripts/with-pulseaudio.sh runs it.
#include "MasterOutputVolume.h"
#include "MciCommandLayer.h"
#include "RiffBytes.h"
#include "RunProgram.h"
#include "ServerTools.h"
#include "TestFiles.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>

using namespace lectorio;

using namespace std::chrono_literals;
using namespace lectorio::test;

constexpr double kTone = 1000.0;

// Whether pactl reports `volume` on both channels of `sink` ("front-left: 32768 / 50% / ...").
static bool BothChannelsAt(const std::string& sink, long volume) {
    const std::string text = Pactl({"get-sink-volume", sink}), at = ": " + std::to_string(volume) + " /";
    return text.find("front-left" + at) != std::string::npos &&
           text.find("front-right" + at) != std::string::npos;
}

class ServerTest : public ::testing::Test {
protected:
    // The null sink as default, at full volume, not muted, before and after.
    void SetUp() override {
        if (!test::ServerForTests())
            GTEST_SKIP() << "needs the private sound server of scripts/with-pulseaudio.sh";
        TearDown();
    }
    void TearDown() override {
        if (!test::ServerForTests())
            return;
        Pactl({"set-default-sink", "lectorio_null"});
        Pactl({"set-sink-volume", "lectorio_null", "65536"});
        Pactl({"set-sink-mute", "lectorio_null", "0"});
    }

    std::string Ask(const std::string& item) { return Answer(layer, "status d " + item); }

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

    // Waits until `done` holds under the lock; false after `limit`.
    bool Wait(const std::function<bool()>& done, std::chrono::milliseconds limit = 3000ms) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, limit, done);
    }

    // What the listener and the executor were given, from any thread.
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::pair<int64_t, uint32_t>> calls;
    std::vector<std::function<void()>> queued;
    const CMasterOutputVolume::ChangeListener listener = [this](int64_t volume, uint32_t user) {
        std::lock_guard lock(mutex);
        calls.emplace_back(volume, user);
        changed.notify_all();
    };
    test::TempFolder folder;
    CMciCommandLayer layer;
};

TEST_F(ServerTest, PositionIsWhatWasHeardPauseIsSilentAndTheEndHolds) {
    const std::string path = folder.File("tone 1.wav");
    ASSERT_TRUE(test::WriteWave(path, MakeSamples(16000, {{1500, kTone}})));
    test::MonitorRecorder recorder;
    ASSERT_TRUE(recorder.Started());
    ASSERT_NO_FATAL_FAILURE(Play(path));
    std::this_thread::sleep_for(600ms);
    ASSERT_EQ(layer.SendString("pause d"), MciError::None);
    const int64_t paused = std::stoll(Ask("position"));
    std::this_thread::sleep_for(400ms);
    EXPECT_EQ(Ask("position"), std::to_string(paused));
    // Continue with a rewind of 400 ms, as the window does, to the end.
    const int64_t from = std::max<int64_t>(paused - 400, 0);
    ASSERT_EQ(layer.SendString("play d from " + std::to_string(from)), MciError::None);
    ASSERT_TRUE(WaitForEnd());
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(Ask("position") + " " + Ask("mode"), "1500 playing");
    const std::vector<int> tones = recorder.ToneRuns()[0];
    ASSERT_EQ(tones.size(), 2u) << "the pause must be silent; paused at " << paused;
    // What was heard before the pause is the paused position, to within the
    // 10 ms blocks of the analysis and 20 ms of timing.
    EXPECT_NEAR(tones[0] * 10, paused, 30);
    EXPECT_NEAR(tones[1] * 10, 1500 - from, 30);
    // A new run after one that played out starts undrained and ends the one
    // before; the server is told who plays what.
    ASSERT_EQ(layer.SendString("play d from 0"), MciError::None);
    const std::string inputs = Pactl({"list", "sink-inputs"});
    EXPECT_TRUE(std::stoll(Ask("position")) < 1000 && inputs.find("Input #") == inputs.rfind("Input #"));
    for (const char* property : {"media.role = \"production\"", "application.name = \"Lectorio\"",
                                 "application.icon_name = \"lectorio\""})
        EXPECT_NE(inputs.find(property), std::string::npos) << inputs;
}

TEST_F(ServerTest, PlaysEachEncodingAtItsRateWithItsChannelsAndCloseStopsIt) {
    test::MonitorRecorder recorder;
    ASSERT_TRUE(recorder.Started());
    // More channels than the server takes play as their mono mix.
    // clang-format off
    const std::array<uint32_t, 4> files[] = {{8000, 8, 1, kFormatMuLaw}, {48000, 24, 2, kFormatPcm}, {11025, 8, 3, kFormatPcm}, {22050, 16, 33, kFormatPcm}};
    // clang-format on
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
    for (const int16_t left : MakeSamples(16000, {{100, 0.0}, {2000, kTone, 0.8}}))
        test::PutLe(data, static_cast<uint16_t>(left), 4); // and 0 on the right
    test::WriteBytes(folder.File("left.wav"),
                     test::Riff({test::FmtChunk(1, 2, 16000, 16), test::Chunk("data", data)}));
    ASSERT_NO_FATAL_FAILURE(Play(folder.File("left.wav")));
    std::this_thread::sleep_for(400ms);
    ASSERT_EQ(layer.SendString("close d"), MciError::None);
    std::this_thread::sleep_for(400ms);
    const auto [left, right] = recorder.ToneRuns();
    ASSERT_EQ(std::pair(left.size(), right.size()), std::pair(size_t{5}, size_t{4}));
    for (size_t i = 0; i < 4; ++i)
        EXPECT_TRUE(std::abs(left[i] - 40) <= 3 && std::abs(right[i] - 40) <= 3)
            << i << ": " << left[i] << " " << right[i];
    EXPECT_LT(left[4], 50) << "closing stops the sound";
}

TEST_F(ServerTest, TheMasterVolumeSetsEveryChannelMutesAndHearsChangesMadeElsewhere) {
    CMasterOutputVolume volume;
    ASSERT_TRUE(volume.IsAvailable());
    // 0 to the normal volume, never amplification; values outside are ignored.
    EXPECT_EQ(std::tuple(volume.GetMinimum(), volume.GetMaximum(), volume.GetSteps() > 0),
              std::tuple(0, 65536, true));
    for (const long value : {32768L, 65537L, -1L, 4294967295L, 0L, 65536L}) {
        volume.SetVolume(value);
        EXPECT_TRUE(BothChannelsAt("lectorio_null", value % 65536 == 0 ? value : 32768)) << value;
    }
    Pactl({"set-sink-volume", "lectorio_null", "20000", "30000"});
    EXPECT_EQ(volume.GetVolume(), 20000);
    volume.Disable();
    const std::string muted = Pactl({"get-sink-mute", "lectorio_null"});
    volume.Enable();
    EXPECT_EQ(muted + Pactl({"get-sink-mute", "lectorio_null"}), "Mute: yes\nMute: no\n");

    // Changes made elsewhere reach the listener where the executor runs it.
    volume.SetChangeListener(listener, 3, [this](std::function<void()> task) {
        std::lock_guard lock(mutex);
        queued.push_back(std::move(task));
        changed.notify_all();
    });
    Pactl({"set-sink-volume", "lectorio_null", "30000"});
    ASSERT_TRUE(Wait([&] { return !queued.empty() && calls.empty(); }));
    const auto tasks = [this] {
        std::lock_guard lock(mutex);
        return std::exchange(queued, {});
    }();
    std::ranges::for_each(tasks, [](const auto& task) { task(); });
    EXPECT_EQ(calls.back(), std::make_pair(int64_t{30000}, 3u));

    // Without an executor it is called on the server's thread; a mute is not
    // a volume change; it follows the default sink; removed, it hears nothing.
    volume.SetChangeListener(listener, 7);
    Pactl({"set-sink-mute", "lectorio_null", "1"});
    Pactl({"set-sink-volume", "lectorio_null", "41000"});
    ASSERT_TRUE(Wait([&] { return calls.back().first == 41000; }));
    EXPECT_TRUE(Wait([&] { return calls.size() == tasks.size() + 1 && calls.back().second == 7; }, 0ms));
    const auto loaded =
        test::RunProgram({"pactl", "load-module", "module-null-sink", "sink_name=lectorio_other"});
    ASSERT_EQ(loaded.status, 0);
    Pactl({"set-sink-volume", "lectorio_other", "12345"});
    Pactl({"set-default-sink", "lectorio_other"});
    EXPECT_TRUE(Wait([&] { return calls.back().first == 12345; }));
    EXPECT_EQ(volume.GetVolume(), 12345);
    volume.SetVolume(23456);
    EXPECT_TRUE(BothChannelsAt("lectorio_other", 23456) && BothChannelsAt("lectorio_null", 41000));
    Pactl({"set-default-sink", "lectorio_null"});
    Pactl({"unload-module", loaded.out.substr(0, loaded.out.find('\n'))});
    volume.SetChangeListener({}, 0);
    Pactl({"set-sink-volume", "lectorio_null", "42000"});
    EXPECT_FALSE(Wait([&] { return calls.back().first == 42000; }, 500ms));
}
