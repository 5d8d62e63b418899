// SPDX-License-Identifier: GPL-3.0-or-later
// CMasterOutputVolume against the private server's null sink, checked with
// pactl. Skips unless scripts/with-pulseaudio.sh runs it.
#include "MasterOutputVolume.h"
#include "RunProgram.h"
#include "ServerTools.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
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

// Collects listener calls from any thread.
struct Heard {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::pair<int64_t, uint32_t>> calls;

    void Add(int64_t volume, uint32_t user) {
        std::lock_guard lock(mutex);
        calls.emplace_back(volume, user);
        changed.notify_all();
    }
    auto Listener() {
        return [this](int64_t volume, uint32_t user) { Add(volume, user); };
    }
    // Waits until a call with `volume` arrived.
    bool WaitFor(int64_t volume, std::chrono::milliseconds limit = 3000ms) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, limit, [&] {
            for (const auto& call : calls)
                if (call.first == volume)
                    return true;
            return false;
        });
    }
};

class MasterVolumeTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::ServerForTests())
            GTEST_SKIP() << "needs the private sound server of scripts/with-pulseaudio.sh";
        Reset();
    }
    void TearDown() override {
        if (test::ServerForTests())
            Reset();
    }
    // The null sink as default, at full volume, not muted.
    static void Reset() {
        Pactl({"set-default-sink", "lectorio_null"});
        Pactl({"set-sink-volume", "lectorio_null", "65536"});
        Pactl({"set-sink-mute", "lectorio_null", "0"});
    }
};

TEST_F(MasterVolumeTest, SetsEveryChannelWithinZeroToNormal) {
    CMasterOutputVolume volume;
    ASSERT_TRUE(volume.IsAvailable());
    EXPECT_EQ(volume.GetMinimum(), 0);
    EXPECT_EQ(volume.GetMaximum(), 65536) << "the normal volume, never amplification";
    EXPECT_GT(volume.GetSteps(), 0);
    EXPECT_EQ(volume.GetVolume(), 65536);
    volume.SetVolume(32768);
    const std::vector<long> channels = SinkVolumes("lectorio_null");
    ASSERT_FALSE(channels.empty());
    for (const long v : channels)
        EXPECT_EQ(v, 32768);
    EXPECT_EQ(volume.GetVolume(), 32768);
    for (const int64_t outside : {int64_t{65537}, int64_t{100000}, int64_t{-1}, int64_t{4294967295}}) {
        volume.SetVolume(outside);
        EXPECT_EQ(volume.GetVolume(), 32768) << outside;
    }
    volume.SetVolume(0);
    EXPECT_EQ(SinkVolumes("lectorio_null").front(), 0);
    volume.SetVolume(65536);
    EXPECT_EQ(SinkVolumes("lectorio_null").front(), 65536);
}

TEST_F(MasterVolumeTest, ReportsTheFirstChannelAndMutes) {
    CMasterOutputVolume volume;
    ASSERT_EQ(SinkVolumes("lectorio_null").size(), 2u) << "the null sink is expected in stereo";
    Pactl({"set-sink-volume", "lectorio_null", "20000", "30000"});
    EXPECT_EQ(volume.GetVolume(), 20000);
    volume.Disable();
    EXPECT_NE(Pactl({"get-sink-mute", "lectorio_null"}).find("yes"), std::string::npos);
    volume.Enable();
    EXPECT_NE(Pactl({"get-sink-mute", "lectorio_null"}).find("no"), std::string::npos);
}

TEST_F(MasterVolumeTest, ChangesMadeElsewhereReachTheListener) {
    CMasterOutputVolume volume;
    Heard heard;
    volume.SetChangeListener(heard.Listener(), 7);
    Pactl({"set-sink-volume", "lectorio_null", "40000"});
    ASSERT_TRUE(heard.WaitFor(40000));
    {
        std::lock_guard lock(heard.mutex);
        for (const auto& call : heard.calls)
            EXPECT_EQ(call.second, 7u);
    }
    // A change of something other than the volume does not call it.
    size_t before = 0;
    {
        std::lock_guard lock(heard.mutex);
        before = heard.calls.size();
    }
    Pactl({"set-sink-mute", "lectorio_null", "1"});
    Pactl({"set-sink-volume", "lectorio_null", "41000"});
    ASSERT_TRUE(heard.WaitFor(41000));
    {
        std::lock_guard lock(heard.mutex);
        EXPECT_EQ(heard.calls.size(), before + 1);
    }
    // Removed, it hears nothing more.
    volume.SetChangeListener({}, 0);
    Pactl({"set-sink-volume", "lectorio_null", "42000"});
    EXPECT_FALSE(heard.WaitFor(42000, 500ms));
}

TEST_F(MasterVolumeTest, AnExecutorDecidesWhereTheListenerRuns) {
    CMasterOutputVolume volume;
    std::mutex mutex;
    std::deque<std::function<void()>> queue;
    std::condition_variable queued;
    Heard heard;
    volume.SetChangeListener(heard.Listener(), 3, [&](std::function<void()> task) {
        std::lock_guard lock(mutex);
        queue.push_back(std::move(task));
        queued.notify_all();
    });
    Pactl({"set-sink-volume", "lectorio_null", "30000"});
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(queued.wait_for(lock, 3000ms, [&] { return !queue.empty(); }));
    }
    {
        std::lock_guard lock(heard.mutex);
        EXPECT_TRUE(heard.calls.empty()) << "the listener runs only where the executor runs it";
    }
    // On this thread the listener may use the object.
    std::deque<std::function<void()>> tasks;
    {
        std::lock_guard lock(mutex);
        tasks.swap(queue);
    }
    for (auto& task : tasks)
        task();
    ASSERT_TRUE(heard.WaitFor(30000, 0ms));
    EXPECT_EQ(volume.GetVolume(), 30000);
}

TEST_F(MasterVolumeTest, FollowsTheDefaultSink) {
    const auto loaded =
        test::RunProgram({"pactl", "load-module", "module-null-sink", "sink_name=lectorio_other"});
    ASSERT_EQ(loaded.status, 0);
    const std::string& module = loaded.out;
    CMasterOutputVolume volume;
    Heard heard;
    volume.SetChangeListener(heard.Listener(), 1);
    Pactl({"set-sink-volume", "lectorio_other", "12345"});
    Pactl({"set-default-sink", "lectorio_other"});
    EXPECT_TRUE(heard.WaitFor(12345));
    EXPECT_EQ(volume.GetVolume(), 12345);
    volume.SetVolume(23456);
    EXPECT_EQ(SinkVolumes("lectorio_other").front(), 23456);
    EXPECT_EQ(SinkVolumes("lectorio_null").front(), 65536);
    Pactl({"set-default-sink", "lectorio_null"});
    Pactl({"unload-module", module.substr(0, module.find_first_of("\n"))});
}

} // namespace
} // namespace lectorio
