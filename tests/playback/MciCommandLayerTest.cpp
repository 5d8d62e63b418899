// SPDX-License-Identifier: GPL-3.0-or-later
// The command layer on the clock-driven null output: command parsing, result
// codes, positions and lengths, and the file formats it opens. Needs no
// sound server.
#include "MciCommandLayer.h"
#include "MasterOutputVolume.h"
#include "RiffBytes.h"
#include "ServerTools.h"
#include "TestSignals.h"
#include "WaveFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>
#include <sys/stat.h>

namespace lectorio {
namespace {

using test::MakeSamples;
using test::Stretch;
using test::TempFolder;
using test::WriteWave;

TEST(MciErrorText, EveryCodeHasItsOwnText) {
    std::set<std::string> seen;
    for (int32_t code = 0; code <= static_cast<int32_t>(MciError::Last); ++code) {
        const std::string text = MciErrorText(static_cast<MciError>(code));
        EXPECT_GT(text.size(), 10u) << "code " << code;
        EXPECT_LT(text.size(), 128u) << "code " << code << " does not fit the window's error buffer";
        EXPECT_TRUE(seen.insert(text).second) << "code " << code << " repeats the text \"" << text << "\"";
    }
    EXPECT_STREQ(MciErrorText(static_cast<MciError>(-1)), MciErrorText(static_cast<MciError>(999)));
    EXPECT_EQ(seen.count(MciErrorText(static_cast<MciError>(999))), 0u);
    EXPECT_NE(std::string(MciErrorText(MciError::NoAudioOutput)).find("No audio output is available"),
              std::string::npos);
}

// A command layer on a null output whose clock the test moves.
class MciLayerTest : public ::testing::Test {
protected:
    MciLayerTest()
        : output(std::make_shared<NullOutput>([this] { return std::chrono::microseconds(nowUs); })),
          layer(output) {}

    void Advance(int64_t milliseconds) { nowUs += milliseconds * 1000; }

    std::string Ask(const std::string& command) {
        std::string answer;
        const MciError result = layer.SendString(command, &answer);
        EXPECT_EQ(result, MciError::None) << command;
        return answer;
    }

    struct Step {
        const char* command; // "" sends nothing
        int64_t advanceMs;
        const char* position;
        const char* mode; // nullptr: not checked
    };
    // Sends each command to "mydevice", moves the clock, then checks the
    // position and the mode.
    void Run(const std::vector<Step>& steps) {
        for (const Step& step : steps) {
            if (*step.command) {
                ASSERT_EQ(layer.SendString(step.command), MciError::None) << step.command;
            }
            Advance(step.advanceMs);
            EXPECT_EQ(Ask("status mydevice position"), step.position) << step.command;
            if (step.mode) {
                EXPECT_EQ(Ask("status mydevice mode"), step.mode) << step.command;
            }
        }
    }

    // A 16-bit mono file of `milliseconds` of a tone at `rate`.
    std::string MakeFile(const std::string& name, uint32_t rate, int milliseconds) {
        const std::string path = folder.File(name);
        EXPECT_TRUE(WriteWave(path, MakeSamples(rate, {{milliseconds, 440.0}}), rate));
        return path;
    }

    TempFolder folder;
    int64_t nowUs = 1000000;
    std::shared_ptr<NullOutput> output;
    CMciCommandLayer layer;
};

TEST_F(MciLayerTest, OpensUnderAnAliasMeasuresAndCloses) {
    const std::string path = MakeFile("a b c.wav", 16000, 12400);
    EXPECT_EQ(layer.SendString("open \"" + path + "\" alias mydevice"), MciError::None);
    EXPECT_EQ(Ask("status mydevice length"), "12400");
    EXPECT_EQ(Ask("status mydevice position"), "0");
    EXPECT_EQ(Ask("STATUS MyDevice MODE"), "stopped");
    EXPECT_EQ(layer.SendString("open \"" + path + "\" alias mydevice"), MciError::AliasInUse);
    EXPECT_EQ(layer.SendString("close mydevice"), MciError::None);
    EXPECT_EQ(layer.SendString("close mydevice"), MciError::DeviceNotOpen);
    EXPECT_EQ(layer.SendString("status mydevice length"), MciError::DeviceNotOpen);
    // The alias is free again.
    EXPECT_EQ(layer.SendString("open \"" + path + "\" type waveaudio alias mydevice"), MciError::None);
    EXPECT_EQ(layer.SendString("close all"), MciError::None);
    EXPECT_EQ(layer.OpenDeviceCount(), 0u);
}

TEST_F(MciLayerTest, PathsWithBlanksAndQuotesOpenTheRightFile) {
    const std::string odd = MakeFile("say \"hi\" now.wav", 8000, 300);
    EXPECT_EQ(QuoteForCommand("a\"b"), "\"a\"\"b\"");
    ASSERT_EQ(layer.SendString("open " + QuoteForCommand(odd) + " alias mydevice"), MciError::None);
    EXPECT_EQ(Ask("status mydevice length"), "300");
    // Unescaped, the quote ends the path early and the rest is refused.
    EXPECT_EQ(layer.SendString("open \"" + odd + "\" alias other"), MciError::UnrecognisedKeyword);
}

TEST_F(MciLayerTest, RefusesBadCommandsWithTheirOwnCodes) {
    const std::string path = MakeFile("one.wav", 8000, 1000);
    ASSERT_EQ(layer.SendString("open " + path + " alias d"), MciError::None);
    struct Case {
        const char* command;
        MciError expected;
    };
    const Case cases[] = {
        {"", MciError::UnrecognisedCommand},
        {"   ", MciError::UnrecognisedCommand},
        {"rewind d", MciError::UnrecognisedCommand},
        {"play", MciError::MissingParameter},
        {"play other", MciError::DeviceNotOpen},
        {"play d backwards", MciError::UnrecognisedKeyword},
        {"play d from", MciError::MissingParameter},
        {"play d from 1x", MciError::BadInteger},
        {"play d from -", MciError::BadInteger},
        {"play d from 99999999999999999999999", MciError::BadInteger},
        {"play d from -5", MciError::OutOfRange},
        {"play d from 1001", MciError::OutOfRange},
        {"play d from 9223372036854775807", MciError::OutOfRange},
        {"seek d", MciError::MissingParameter},
        {"seek d to", MciError::MissingParameter},
        {"seek d by 3", MciError::UnrecognisedKeyword},
        {"seek d to 2000", MciError::OutOfRange},
        {"status d", MciError::MissingParameter},
        {"status d volume", MciError::UnrecognisedKeyword},
        {"pause d now", MciError::UnrecognisedKeyword},
        {"open", MciError::MissingParameter},
        {"open \"\" alias x", MciError::MissingParameter},
        {"open \"unclosed alias x", MciError::UnbalancedQuotes},
        {"open x.wav alias", MciError::MissingParameter},
        {"open x.wav loudly", MciError::UnrecognisedKeyword},
    };
    for (const Case& c : cases) {
        std::string answer = "untouched";
        EXPECT_EQ(layer.SendString(c.command, &answer), c.expected) << c.command;
        EXPECT_EQ(answer, "") << c.command;
    }
    // None of them changed the device.
    EXPECT_EQ(Ask("status d mode"), "stopped");
    EXPECT_EQ(Ask("status d position"), "0");
    EXPECT_EQ(layer.OpenDeviceCount(), 1u);
}

TEST_F(MciLayerTest, TellsMissingUnreadableAndUnplayableFilesApart) {
    EXPECT_EQ(layer.SendString("open \"" + folder.File("absent.wav") + "\" alias d"), MciError::FileNotFound);
    const std::string text = folder.File("notes.wav");
    test::Touch(text, "these are words, not sound");
    EXPECT_EQ(layer.SendString("open \"" + text + "\" alias d"), MciError::NotPlayableWave);
    EXPECT_EQ(layer.SendString("open \"" + folder.File("") + "\" alias d"), MciError::NotPlayableWave);
    // A 32-bit float file is a WAV file the reader does not decode.
    const std::string wide = folder.File("float.wav");
    test::WriteBytes(wide, test::Riff({test::FmtChunk(3, 1, 8000, 32), test::Chunk("data", {})}));
    EXPECT_EQ(layer.SendString("open \"" + wide + "\" alias d"), MciError::NotPlayableWave);
    if (geteuid() != 0) {
        const std::string locked = MakeFile("locked.wav", 8000, 100);
        ASSERT_EQ(chmod(locked.c_str(), 0), 0);
        EXPECT_EQ(layer.SendString("open \"" + locked + "\" alias d"), MciError::FileNotReadable);
    }
    EXPECT_EQ(layer.OpenDeviceCount(), 0u);
}

TEST_F(MciLayerTest, PositionFollowsTheClockPauseHoldsAndPlayFromIsExact) {
    // 22050 Hz: 1001 ms is frame 22072.05, so frame arithmetic must truncate
    // the same way both ways.
    const std::string path = MakeFile("speech.wav", 22050, 5000);
    ASSERT_EQ(layer.SendString("open \"" + path + "\" alias mydevice"), MciError::None);
    Run({
        {"play mydevice notify", 400, "400", "playing"},
        {"pause mydevice", 3000, "400", "paused"},
        {"seek mydevice to 1001", 500, "1001", "paused"}, // seeking while paused only positions
        {"play mydevice", 99, "1100", "playing"},         // and a plain play continues there
        {"play mydevice from 0", 0, "0", nullptr},        // play from jumps while playing
        {"", 300, "300", nullptr},
        {"seek mydevice to 3000", 250, "3000", "stopped"}, // seek while playing stops there
        {"resume mydevice", 0, "3000", "stopped"},         // resume plays only a paused device
        {"pause mydevice", 0, "3000", "paused"},
        {"resume mydevice wait", 100, "3100", nullptr},
        {"stop mydevice", 100, "3100", "stopped"}, // stop holds the position
        {"seek mydevice to end", 0, "5000", nullptr},
        {"seek mydevice to start", 0, "0", nullptr},
    });
}

TEST_F(MciLayerTest, AtTheEndTheDeviceStaysPlayingAtTheLength) {
    const std::string path = MakeFile("short.wav", 11025, 750);
    ASSERT_EQ(layer.SendString("open \"" + path + "\" alias mydevice"), MciError::None);
    // 8268 frames at 11025 Hz last 749.9 ms: lengths are truncated.
    EXPECT_EQ(Ask("status mydevice length"), "749");
    Run({
        {"play mydevice notify", 60000, "749", "playing"},
        {"pause mydevice", 0, "749", nullptr}, // pausing there holds the end
        {"play mydevice from 500", 100, "600", nullptr},
        {"play mydevice from 749", 0, "749", nullptr},
        {"", 1, "749", nullptr},
    });
}

TEST_F(MciLayerTest, OpensEveryFormatTheReaderDecodes) {
    struct Format {
        uint16_t bits;
        uint16_t channels;
        uint16_t tag;
        uint32_t rate;
    };
    const Format formats[] = {{8, 1, kFormatPcm, 8000},   {16, 2, kFormatPcm, 44100},
                              {24, 1, kFormatPcm, 48000}, {8, 1, kFormatMuLaw, 8000},
                              {16, 6, kFormatPcm, 96000}, {24, 2, kFormatPcm, 16000}};
    for (const Format& f : formats) {
        // The name starts with a number: GCC 12 at -O3 warns falsely (-Wrestrict)
        // about a literal put before a temporary string.
        const std::string path = folder.File(std::to_string(f.bits) + "-" + std::to_string(f.channels) + "-" +
                                             std::to_string(f.tag) + ".wav");
        ASSERT_TRUE(
            WriteWave(path, MakeSamples(f.rate, {{1500, 1000.0}}), f.rate, f.bits, f.channels, f.tag));
        ASSERT_EQ(layer.SendString("open \"" + path + "\" alias fmt"), MciError::None) << path;
        EXPECT_EQ(Ask("status fmt length"), "1500") << path;
        EXPECT_EQ(layer.SendString("play fmt from 1499"), MciError::None) << path;
        EXPECT_EQ(layer.SendString("close fmt"), MciError::None);
        // Frames read in place, mixed to mono as the reader mixes them.
        std::shared_ptr<PcmSource> source;
        ASSERT_EQ(PcmSource::Open(path, source), MciError::None);
        std::vector<int16_t> expected(600), mixed(500);
        ASSERT_EQ(OpenWaveFile(path)->ReadMonoSamples(expected.data(), 600), 600);
        ASSERT_EQ(source->ReadMonoFrames(100, 500, mixed.data()), 500);
        EXPECT_TRUE(std::equal(mixed.begin(), mixed.end(), expected.begin() + 100)) << path;
        EXPECT_EQ(source->ReadMonoFrames(source->FrameCount() - 1, 5, mixed.data()), 1);
    }
}

TEST_F(MciLayerTest, WithoutAnOutputOpenAndLengthWorkButPlayFails) {
    const std::string path = MakeFile("seg.wav", 16000, 2000);
    output->SetStartError(MciError::NoAudioOutput);
    ASSERT_EQ(layer.SendString("open \"" + path + "\" alias mydevice"), MciError::None);
    EXPECT_EQ(Ask("status mydevice length"), "2000");
    EXPECT_EQ(layer.SendString("play mydevice notify"), MciError::NoAudioOutput);
    EXPECT_EQ(Ask("status mydevice mode"), "stopped");
    EXPECT_EQ(Ask("status mydevice position"), "0");
    output->SetStartError(MciError::None);
    EXPECT_EQ(layer.SendString("play mydevice notify"), MciError::None);
}

// The real output and master volume with no server to reach (the environment
// points them at a socket that does not exist).
class NoServerTest : public ::testing::Test {
protected:
    test::NoServer none;
    TempFolder folder;
};

TEST_F(NoServerTest, PlayReportsNoAudioOutputAndTheDeviceStaysUsable) {
    const std::string path = folder.File("seg.wav");
    ASSERT_TRUE(WriteWave(path, MakeSamples(16000, {{500, 1000.0}})));
    CMciCommandLayer layer;
    ASSERT_EQ(layer.SendString("open \"" + path + "\" alias mydevice"), MciError::None);
    std::string length;
    EXPECT_EQ(layer.SendString("status mydevice length", &length), MciError::None);
    EXPECT_EQ(length, "500");
    EXPECT_EQ(layer.SendString("play mydevice notify"), MciError::NoAudioOutput);
    EXPECT_EQ(layer.SendString("play mydevice from 100"), MciError::NoAudioOutput);
    EXPECT_EQ(layer.SendString("close mydevice"), MciError::None);
}

TEST_F(NoServerTest, MasterVolumeAnswersMinusOneAndIgnoresSetters) {
    CMasterOutputVolume volume;
    EXPECT_FALSE(volume.IsAvailable());
    EXPECT_EQ(volume.GetSteps(), -1);
    EXPECT_EQ(volume.GetMinimum(), -1);
    EXPECT_EQ(volume.GetMaximum(), -1);
    EXPECT_EQ(volume.GetVolume(), -1);
    volume.SetVolume(100);
    volume.Enable();
    volume.Disable();
    volume.SetChangeListener([](int64_t, uint32_t) {}, 7);
    EXPECT_EQ(volume.GetVolume(), -1);
}

} // namespace
} // namespace lectorio
