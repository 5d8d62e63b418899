// SPDX-License-Identifier: GPL-3.0-or-later
#include "PitchAnalyzer.h"

#include "TestSupport.h"

#include <cstring>

using namespace lectorio;
using namespace lectorio::testing;

namespace {

std::unique_ptr<PitchAnalyzer> PreparedAt(int32_t rate) {
    auto a = std::make_unique<PitchAnalyzer>();
    a->fs = rate;
    a->Prepare(40, 400);
    return a;
}

float FloatAt(const std::vector<uint8_t>& bytes, size_t offset) {
    float v;
    std::memcpy(&v, bytes.data() + offset, 4); // little-endian host
    return v;
}

// Frame energy whose log lies at `logEnergy` for a 640-sample frame.
double EnergyFor(double logEnergy) {
    return (std::exp(logEnergy) - 1.0) * 640;
}

// An analyzer prepared for 16 kHz.
struct PitchAt16kHz : ::testing::Test {
    PitchAt16kHz() {
        a.fs = 16000;
        a.Prepare(40, 400);
    }
    PitchAnalyzer a;
};

} // namespace

TEST(PitchAnalyzer, FrameSizesAndLagsForCommonRates) {
    struct Row {
        int32_t fs, n, h, low, high;
    };
    for (const Row& r : {Row{8000, 320, 80, 20, 200}, Row{11025, 441, 110, 27, 275},
                         Row{16000, 640, 160, 40, 400}, Row{22050, 882, 220, 55, 551},
                         Row{44100, 1764, 441, 110, 1102}, Row{48000, 1920, 480, 120, 1200}}) {
        const auto a = PreparedAt(r.fs);
        EXPECT_EQ(a->frameLength, r.n) << r.fs;
        EXPECT_EQ(a->frameStep, r.h) << r.fs;
        EXPECT_EQ(a->minimumLag, r.low) << r.fs;
        EXPECT_EQ(a->maximumLag, r.high) << r.fs;
    }
    EXPECT_EQ(PreparedAt(399)->frameStep, 0); // no frames rather than a step of 0
}

TEST_F(PitchAt16kHz, SteadySineIsTrackedAfterTheFirstFrame) {
    const auto sine = Sine(200, 10000, 16000, 16000);
    std::vector<float> frame(sine.begin(), sine.begin() + 640);
    a.AnalyzeFrame(frame.data());
    EXPECT_EQ(a.lastBestLag, 80);
    EXPECT_NEAR(a.lastVoicing, 0.87, 0.01);

    a.RunOnSamples(sine.data(), static_cast<int64_t>(sine.size()));
    ASSERT_EQ(a.track.Size(), 97u); // (16000 - 640) / 160 + 1
    EXPECT_EQ(a.track[0], 0.0f);    // the smoother's history starts at 0
    for (size_t i = 1; i < a.track.Size(); ++i)
        ASSERT_EQ(a.track[i], 200.0f) << i;
}

TEST_F(PitchAt16kHz, DigitalSilenceIsUnvoiced) {
    std::vector<float> frame(640, 0.0f);
    a.AnalyzeFrame(frame.data());
    EXPECT_EQ(a.lastBestLag, 40);
    EXPECT_EQ(a.lastVoicing, 0.0f);
    EXPECT_EQ(a.previousRaw, 0.0f);
}

TEST(PitchAnalyzer, PeakAtEitherEndOfTheLagRangeIsUnvoiced) {
    for (const int32_t period : {40, 400}) {
        const auto aOwner = PreparedAt(16000);
        auto& a = *aOwner;
        std::vector<float> frame(640, 0.0f);
        for (int32_t i = 100; i < 640; i += period)
            frame[i] = 20000.0f;
        a.AnalyzeFrame(frame.data());
        EXPECT_EQ(a.lastBestLag, period);
        EXPECT_EQ(a.lastVoicing, 0.0f) << period;
        EXPECT_EQ(a.previousRaw, 0.0f) << period;
    }
}

TEST(PitchAnalyzer, HysteresisKeepsWeakFramesBetweenVoicedOnes) {
    const double loud = EnergyFor(20);
    {
        // 0.35 after two voiced frames counts as voiced, stored as 0.41.
        const auto aOwner = PreparedAt(16000);
        auto& a = *aOwner;
        a.DecideFrame(0.5f, 100, loud);
        a.DecideFrame(0.5f, 100, loud);
        a.DecideFrame(0.35f, 100, loud);
        EXPECT_EQ(a.previousRaw, 100.0f);
        EXPECT_EQ(a.previousVoicing, 0.41f);
        a.DecideFrame(0.29f, 100, loud); // below T - 0.1
        EXPECT_EQ(a.previousRaw, 0.0f);
    }
    {
        // A one-frame gap (0.5, 0.3, 0.5) is bridged in the history, so the
        // weak frame after it is voiced; the gap itself stays unvoiced.
        const auto aOwner = PreparedAt(16000);
        auto& a = *aOwner;
        a.DecideFrame(0.5f, 100, loud);
        a.DecideFrame(0.3f, 100, loud);
        EXPECT_EQ(a.previousRaw, 0.0f);
        a.DecideFrame(0.5f, 100, loud);
        EXPECT_EQ(a.olderVoicing, 0.41f);
        a.DecideFrame(0.35f, 100, loud);
        EXPECT_EQ(a.previousRaw, 100.0f);
    }
    {
        // Exactly the threshold is voiced; just below it is not.
        const auto aOwner = PreparedAt(16000);
        auto& a = *aOwner;
        a.DecideFrame(0.4f, 100, loud);
        EXPECT_EQ(a.previousRaw, 100.0f);
        a.DecideFrame(std::nextafter(0.4f, 0.0f), 100, loud);
        EXPECT_EQ(a.previousRaw, 0.0f);
    }
}

TEST_F(PitchAt16kHz, EnergyGateFollowsTheQuietestFrame) {
    a.DecideFrame(0.9f, 100, EnergyFor(12.5)); // below the starting floor 10 + 3
    EXPECT_EQ(a.previousRaw, 0.0f);
    EXPECT_EQ(a.lowestLogEnergy, 10.0f);
    a.DecideFrame(0.9f, 100, EnergyFor(2.0));
    EXPECT_EQ(a.previousRaw, 0.0f);
    EXPECT_FLOAT_EQ(a.lowestLogEnergy, 2.0f);
    a.DecideFrame(0.9f, 100, EnergyFor(5.5)); // 3.5 above the quietest
    EXPECT_EQ(a.previousRaw, 100.0f);
    a.DecideFrame(0.9f, 100, EnergyFor(4.5));
    EXPECT_EQ(a.previousRaw, 0.0f);
}

TEST_F(PitchAt16kHz, SmootherChoosesMeanOrMedian) {
    const double loud = EnergyFor(20);
    EXPECT_EQ(a.DecideFrame(0.9f, 100, loud), 0.0f);   // (0, 0, 100): mean 50, median 0
    EXPECT_EQ(a.DecideFrame(0.9f, 100, loud), 100.0f); // (0, 100, 100): mean 75, median 100
    EXPECT_EQ(a.DecideFrame(0.9f, 104, loud), 102.0f); // mean 102 within 10 of the median 100
    EXPECT_EQ(a.DecideFrame(0.9f, 200, loud), 104.0f); // mean 151: the median
}

TEST(PitchAnalyzer, TrackFileHeaderAt22050Hz) {
    TempFolder folder;
    WriteWave(folder.File("seg.wav"), Sine(150, 8000, 22050, 22050), 22050);
    ASSERT_EQ(AnalyzeSegment(folder.File("seg.wav"), folder.File("dosya.ptc")), PitchTrackOutcome::Written);
    const auto bytes = ReadBytes(folder.File("dosya.ptc"));
    ASSERT_EQ(bytes.size(), 16u + 4u * 97u); // (22050 - 882) / 220 + 1 frames
    EXPECT_EQ(FloatAt(bytes, 0), 882.0f);
    EXPECT_EQ(FloatAt(bytes, 4), 220.0f);
    EXPECT_EQ(FloatAt(bytes, 8), 22050.0f);
    EXPECT_EQ(FloatAt(bytes, 12), 97.0f);
    EXPECT_EQ(folder.Names(), std::vector<std::string>({"dosya.ptc", "seg.wav"}));
}

TEST(PitchAnalyzer, FailuresLeaveTheOldTrackAlone) {
    TempFolder folder;
    WriteWave(folder.File("short.wav"), Sine(200, 10000, 16000, 639), 16000);
    WriteWave(folder.File("seg.wav"), Sine(200, 10000, 16000, 4000), 16000);
    WriteBytes(folder.File("dosya.ptc"), {1, 2, 3});
    EXPECT_FALSE(BuildPitchTrack(folder.File("short.wav"), folder.File("dosya.ptc")));
    EXPECT_EQ(AnalyzeSegment(folder.File("short.wav"), folder.File("dosya.ptc")),
              PitchTrackOutcome::TooShort);
    EXPECT_EQ(AnalyzeSegment(folder.File("absent.wav"), folder.File("dosya.ptc")),
              PitchTrackOutcome::SegmentUnreadable);
    EXPECT_EQ(AnalyzeSegment(folder.File("short.wav"), folder.File("no/such/folder.ptc")),
              PitchTrackOutcome::TooShort);
    EXPECT_EQ(AnalyzeSegment(folder.File("seg.wav"), folder.File("no/such/dosya.ptc")),
              PitchTrackOutcome::WriteFailed);
    EXPECT_EQ(ReadBytes(folder.File("dosya.ptc")), std::vector<uint8_t>({1, 2, 3}));
}

// 8-bit, mu-law, stereo and three-channel segments are analysed from the
// samples WaveFile decodes, not from their raw bytes.
TEST(PitchAnalyzer, EveryFormatIsAnalysedFromDecodedSamples) {
    TempFolder folder;
    const auto sine = Sine(200, 10000, 16000, 8000);
    struct Format {
        uint16_t bits, channels, tag;
    };
    for (const Format f : {Format{8, 1, kFormatPcm}, Format{8, 1, kFormatMuLaw}, Format{16, 2, kFormatPcm},
                           Format{16, 3, kFormatPcm}, Format{24, 1, kFormatPcm}}) {
        const std::string path = folder.File("seg.wav");
        WriteWave(path, sine, 16000, f.bits, f.channels, f.tag);
        PitchAnalyzer a;
        a.SetFiles(path, folder.File("dosya.ptc"));
        a.OpenInput();
        a.Prepare(40, 400);
        a.Run();
        ASSERT_EQ(a.track.Size(), 47u) << f.bits << "/" << f.channels << "/" << f.tag;
        EXPECT_EQ(a.track.Values(), TrackOf(ReadWave(path), 16000).values);
        for (size_t i = 1; i < a.track.Size(); ++i)
            ASSERT_EQ(a.track[i], 200.0f) << i << " " << f.bits << "/" << f.channels << "/" << f.tag;
    }
}
