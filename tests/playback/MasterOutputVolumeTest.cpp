// SPDX-License-Identifier: GPL-3.0-or-later
// CMasterOutputVolume against the private server's null sink, checked with
// pactl. Skips unless scripts/with-pulseaudio.sh runs it.
#include "MasterOutputVolume.h"
#include "RunProgram.h"
#include "ServerTools.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <regex>

namespace lectorio {
namespace {

using namespace std::chrono_literals;
using test::Pactl;

// The per-channel volumes pactl reports for a sink ("front-left: 32768 / 50% / ...").
std::vector<long> SinkVolumes(const std::string& sink) {
    const std::string text = Pactl({"get-sink-volume", sink});
    std::vector<long> volumes;
    const std::regex channel(R"(:\s*(\d+)\s*/)");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), channel); it != std::sregex_iterator();
         ++it)
        volumes.push_back(std::stol((*it)[1]));
    return volumes;
}

class MasterVolumeTest : public ::testing::Test {
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
};

TEST_F(MasterVolumeTest, SetsEveryChannelWithinZeroToNormalReportsTheFirstAndMutes) {
    CMasterOutputVolume volume;
    ASSERT_TRUE(volume.IsAvailable());
    EXPECT_EQ(volume.GetMinimum(), 0);
    EXPECT_EQ(volume.GetMaximum(), 65536) << "the normal volume, never amplification";
    EXPECT_GT(volume.GetSteps(), 0);
    // Values outside 0..65536 are ignored.
    for (const long value : {32768L, 65537L, -1L, 4294967295L, 0L, 65536L}) {
        volume.SetVolume(value);
        EXPECT_EQ(SinkVolumes("lectorio_null"), std::vector<long>(2, value % 65536 == 0 ? value : 32768))
            << value;
    }
    Pactl({"set-sink-volume", "lectorio_null", "20000", "30000"});
    EXPECT_EQ(volume.GetVolume(), 20000);
    volume.Disable();
    EXPECT_NE(Pactl({"get-sink-mute", "lectorio_null"}).find("yes"), std::string::npos);
    volume.Enable();
    EXPECT_NE(Pactl({"get-sink-mute", "lectorio_null"}).find("no"), std::string::npos);
}

TEST_F(MasterVolumeTest, VolumeChangesElsewhereReachTheListenerWhereTheExecutorRunsIt) {
    CMasterOutputVolume volume;
    volume.SetChangeListener(listener, 3, [this](std::function<void()> task) {
        std::lock_guard lock(mutex);
        queued.push_back(std::move(task));
        changed.notify_all();
    });
    Pactl({"set-sink-volume", "lectorio_null", "30000"});
    ASSERT_TRUE(Wait([&] { return !queued.empty(); }));
    std::vector<std::function<void()>> tasks;
    {
        std::lock_guard lock(mutex);
        EXPECT_TRUE(calls.empty()) << "the listener runs only where the executor runs it";
        tasks.swap(queued);
    }
    for (auto& task : tasks)
        task();
    EXPECT_EQ(calls.back(), std::make_pair(int64_t{30000}, 3u));

    // Without an executor it is called on the server's thread; a mute is not
    // a volume change; it follows the default sink.
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
    EXPECT_EQ(SinkVolumes("lectorio_other").front(), 23456);
    EXPECT_EQ(SinkVolumes("lectorio_null").front(), 41000);
    Pactl({"set-default-sink", "lectorio_null"});
    Pactl({"unload-module", loaded.out.substr(0, loaded.out.find('\n'))});

    // Removed, it hears nothing more.
    volume.SetChangeListener({}, 0);
    Pactl({"set-sink-volume", "lectorio_null", "42000"});
    EXPECT_FALSE(Wait([&] { return calls.back().first == 42000; }, 500ms));
}

} // namespace
} // namespace lectorio
