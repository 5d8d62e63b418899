// SPDX-License-Identifier: GPL-3.0-or-later
// The command layer on the clock-driven null output: command parsing, result
// codes, positions and lengths, and the file formats it opens. Needs no
// sound server.
#include "MciCommandLayer.h"
#include "MasterOutputVolume.h"
#include "RiffBytes.h"
#include "ServerTools.h"
#include "TestFiles.h"

#include <array>
#include <set>
#include <sys/stat.h>

using namespace lectorio;

using namespace lectorio::test;

// Every code has a text of its own that fits the window's error buffer.
TEST(MciErrorText, EveryCodeHasItsOwnText) {
    std::set<std::string> seen;
    const auto last = static_cast<int32_t>(MciError::Last);
    for (int32_t code = -1; code <= last; ++code) {
        const std::string text = MciErrorText(static_cast<MciError>(code));
        EXPECT_TRUE(text.size() > 10 && text.size() < 128 && seen.insert(text).second) << code << " " << text;
    }
    EXPECT_EQ(seen.count("Unknown error code."), 1u); // that of code -1
    EXPECT_STREQ(MciErrorText(static_cast<MciError>(last + 1)), "Unknown error code.");
}

// A command layer on a null output whose clock the test moves.
class MciLayerTest : public ::testing::Test {
protected:
    MciLayerTest()
        : output(std::make_shared<NullOutput>([this] { return std::chrono::microseconds(nowUs); })),
          layer(output) {}

    // A command ("" sends nothing), its result, how far the clock then moves,
    // and the position and mode of device "d" afterwards ("": not checked).
    struct Step {
        std::string command;
        MciError result = MciError::None;
        int64_t advanceMs = 0;
        std::string position = {}, mode = {};
    };
    void Run(const std::vector<Step>& steps) {
        for (const Step& step : steps) {
            EXPECT_EQ(step.command.empty() ? step.result : layer.SendString(step.command), step.result)
                << step.command;
            nowUs += step.advanceMs * 1000;
            for (const auto& [item, expected] : {std::pair{"position", step.position}, {"mode", step.mode}})
                EXPECT_EQ(expected.empty() ? "" : Ask(std::string("status d ") + item), expected)
                    << step.command;
        }
    }

    std::string Ask(const std::string& command) { return Answer(layer, command); }

    // Writes a 16-bit mono tone of `milliseconds` at `rate` and returns the
    // command that opens it as "d".
    std::string OpenCommand(const std::string& name, uint32_t rate, int milliseconds) {
        const std::string path = folder.File(name);
        EXPECT_TRUE(WriteWave(path, MakeSamples(rate, {{milliseconds, 440.0}}), rate));
        return "open " + QuoteForCommand(path) + " alias d";
    }

    TempFolder folder;
    int64_t nowUs = 1000000;
    std::shared_ptr<NullOutput> output;
    CMciCommandLayer layer;
};

TEST_F(MciLayerTest, OpensUnderAnAliasRefusesEachBadCommandOrFileWithItsOwnCodeAndCloses) {
    auto open = [this](const std::string& name) { return "open " + QuoteForCommand(folder.File(name)); };
    test::Touch(folder.File("notes.wav"), "these are words, not sound");
    // A 32-bit float file is a WAV file the reader does not decode.
    test::WriteBytes(folder.File("float.wav"),
                     test::Riff({test::FmtChunk(3, 1, 8000, 32), test::Chunk("data", {})}));
    ASSERT_TRUE(WriteWave(folder.File("fast.wav"), MakeSamples(384001, {{10, 440.0}}), 384001));
    // Blanks and quotes in the name, and the highest rate a sound server plays.
    const std::string one = OpenCommand("say \"hi\" now.wav", 384000, 1000);
    ASSERT_EQ(layer.SendString(one), MciError::None);
    // Each refusal answers its own code and an empty text.
    // clang-format off
    const std::pair<MciError, std::vector<std::string>> refusals[] = {
        {MciError::UnrecognisedCommand, {"", "   ", "rewind d"}},
        {MciError::MissingParameter, {"play", "play d from", "seek d", "seek d to", "status d", "open", "open \"\" alias x", "open x alias"}},
        {MciError::DeviceNotOpen, {"play other", "close other"}},
        {MciError::UnrecognisedKeyword, {"play d backwards", "seek d by 3", "seek d to 5 now", "status d volume", "status d mode now", "pause d now", "open x.wav loudly",
                                         "open \"say \"hi\".wav\" alias x"}}, // an unescaped quote
        {MciError::BadInteger, {"play d from 1x", "play d from -", "play d from --5", "play d from \"\"", "seek d to 2y", "play d from 99999999999999999999999"}},
        {MciError::OutOfRange, {"play d from -1", "play d from 1001", "play d from 9223372036854775807", "seek d to 1001"}},
        {MciError::UnbalancedQuotes, {"open \"unclosed alias x"}},
        {MciError::AliasInUse, {one}},
        {MciError::FileNotFound, {open("absent.wav")}},
        {MciError::NotPlayableWave, {open("notes.wav"), open(""), open("float.wav"), open("fast.wav")}},
    };
    // clang-format on
    for (const auto& [code, commands] : refusals) {
        for (const std::string& command : commands) {
            std::string answer = "untouched";
            EXPECT_EQ(std::pair(layer.SendString(command, &answer), answer), std::pair(code, std::string()))
                << command;
        }
    }
    Run({
        {"", MciError::None, 0, "0", "stopped"},            // none of them changed the device
        {"seek d to 1000 wait", MciError::None, 0, "1000"}, // the length itself is inside
        {"close d"},
        {"close d", MciError::DeviceNotOpen},
        {one + " type waveaudio shareable"}, // the alias is free again
        {"close all"},
    });
    EXPECT_EQ(layer.OpenDeviceCount(), 0u);
    if (geteuid() != 0) {
        ASSERT_EQ(chmod(folder.File("say \"hi\" now.wav").c_str(), 0), 0);
        EXPECT_EQ(layer.SendString(one), MciError::FileNotReadable);
    }
}

TEST_F(MciLayerTest, PositionFollowsTheClockPauseHoldsAndTheEndHolds) {
    // 3750 ms at 11025 Hz are 41343 frames (3749.9 ms): lengths and positions
    // are truncated, and a position set in milliseconds reads back the same.
    ASSERT_EQ(layer.SendString(OpenCommand("speech.wav", 11025, 3750)), MciError::None);
    EXPECT_EQ(Ask("STATUS D LENGTH"), "3749");
    // clang-format off
    Run({
        {"play d notify", MciError::None, 400, "400", "playing"},
        {"pause d", MciError::None, 3000, "400", "paused"},
        {"seek d to 1001", MciError::None, 500, "1001", "paused"},  // seeking while paused only positions
        {"play d", MciError::None, 99, "1100", "playing"},          // and a plain play continues there
        {"play d", MciError::None, 1, "1101", "playing"},           // a plain play while playing goes on
        {"play d from 0", MciError::None, 0, "0"},                  // play from jumps while playing
        {"", MciError::None, 320, "320"},
        {"seek d to 3000", MciError::None, 240, "3000", "stopped"}, // seek while playing stops there
        {"resume d", MciError::None, 0, "3000", "stopped"},         // resume plays only a paused device
        {"pause d", MciError::None, 0, "3000", "paused"},
        {"resume d wait", MciError::None, 120, "3120", "playing"},
        {"stop d", MciError::None, 120, "3120", "stopped"},         // stop holds the position
        {"seek d to end", MciError::None, 0, "3749"},
        {"seek d to start", MciError::None, 0, "0"},
        {"play d from 3500", MciError::None, 60000, "3749", "playing"}, // a run that played out stays
        {"pause d", MciError::None, 0, "3749", "paused"},
        {"play d from 3500", MciError::None, 120, "3620"},
        {"play d from 3750", MciError::OutOfRange, 0, "3620"},
        {"play d from 3749", MciError::None, 1, "3749"},
    });
    // clang-format on
}

TEST_F(MciLayerTest, OpensEveryFormatTheReaderDecodes) {
    // {bits, channels, format tag, rate, length in ms}: 1500 ms at 8001 Hz are
    // 12001 frames, 1499.9 ms; one millisecond there is the 9th frame; at
    // 1000 Hz a frame is a millisecond.
    const std::array<uint32_t, 5> formats[] = {
        {8, 1, kFormatPcm, 8000, 1500},   {16, 2, kFormatPcm, 44100, 1500}, {24, 1, kFormatPcm, 48000, 1500},
        {8, 1, kFormatMuLaw, 8001, 1499}, {16, 6, kFormatPcm, 96000, 1500}, {24, 2, kFormatPcm, 16000, 1500},
        {16, 1, kFormatPcm, 1000, 1500}};
    for (const auto& [bits, channels, tag, rate, length] : formats) {
        // The name starts with a number: GCC 12 at -O3 warns falsely (-Wrestrict)
        // about a literal put before a temporary string.
        const std::string path = folder.File(std::to_string(rate) + "-" + std::to_string(channels) + ".wav");
        ASSERT_TRUE(WriteWave(path, MakeSamples(rate, {{1500, 1000.0}}), rate, static_cast<uint16_t>(bits),
                              static_cast<uint16_t>(channels), static_cast<uint16_t>(tag)));
        SCOPED_TRACE(path);
        Run({{"open " + QuoteForCommand(path) + " alias d"},
             {"seek d to 1", MciError::None, 0, "1"},
             {"play d from 0", MciError::None, 0, "0"},
             {"play d from " + std::to_string(length)}});
        EXPECT_EQ(Ask("status d length"), std::to_string(length));
        EXPECT_EQ(layer.SendString("close d"), MciError::None);
        // Frames read in place, mixed to mono as the reader mixes them.
        std::shared_ptr<PcmSource> source;
        ASSERT_EQ(PcmSource::Open(path, source), MciError::None);
        std::vector<int16_t> expected(600), mixed(500);
        ASSERT_EQ(OpenWaveFile(path)->ReadMonoSamples(expected.data(), 600), 600);
        ASSERT_EQ(source->ReadMonoFrames(100, 500, mixed.data()), 500);
        EXPECT_TRUE(std::equal(mixed.begin(), mixed.end(), expected.begin() + 100));
        // The last frame, and nothing before the data or past its end.
        const int64_t n = source->FrameCount();
        EXPECT_EQ((std::vector<int64_t>{source->ReadMonoFrames(n - 1, 5, mixed.data()),
                                        source->ReadMonoFrames(-1, 5, mixed.data()),
                                        source->ReadMonoFrames(n + 2, 5, mixed.data())}),
                  (std::vector<int64_t>{1, 0, 0}));
    }
}

TEST_F(MciLayerTest, AFailedOrLostOutputLeavesTheDeviceUsable) {
    output->SetStartError(MciError::NoAudioOutput);
    Run({{OpenCommand("seg.wav", 16000, 2000)},
         {"play d notify", MciError::NoAudioOutput, 0, "0", "stopped"}});
    output->SetStartError(MciError::None);
    Run({{"play d from 500", MciError::None, 300, "800", "playing"}});
    // A server that goes away pauses the run where it was last heard.
    output->SetLost(true);
    Run({{"status d position", MciError::NoAudioOutput, 100, "", "paused"}});
    output->SetLost(false);
    Run({{"", MciError::None, 0, "800", "paused"},
         {"resume d", MciError::None, 100, "900", "playing"},
         {"pause d", MciError::None, 100, "900", "paused"}});
    // A restart that fails keeps the held position and stops.
    output->SetStartError(MciError::OutputFailed);
    Run({{"play d", MciError::OutputFailed, 100, "900", "stopped"}});
}

// The master volume with no server to reach.
TEST(NoServerTest, TheVolumeAnswersMinusOneAndIgnoresSetters) {
    test::NoServer none;
    CMasterOutputVolume volume;
    volume.SetVolume(100);
    volume.Enable();
    volume.Disable();
    volume.SetChangeListener([](int64_t, uint32_t) {}, 7);
    EXPECT_FALSE(volume.IsAvailable());
    for (const int64_t answer :
         {volume.GetSteps(), volume.GetMinimum(), volume.GetMaximum(), volume.GetVolume()})
        EXPECT_EQ(answer, -1);
}
