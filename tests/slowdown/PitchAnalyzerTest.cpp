// SPDX-License-Identifier: GPL-3.0-or-later
#include "PitchAnalyzer.h"

#include "TestSupport.h"

#include <array>
#include <cstring>
#include <filesystem>

using namespace lectorio;
using namespace lectorio::testing;

namespace {

// Frame energy whose log lies at `logEnergy` for a 640-sample frame.
double EnergyFor(double logEnergy) {
    return (std::exp(logEnergy) - 1.0) * 640;
}

// The raw value (before the smoother) of the last decided frame at 16 kHz
// after the given voicing values, all loud and at 100 Hz.
struct Decisions {
    PitchAnalyzer a;
    Decisions() { PrepareAt(a, 16000); }
    void Run(std::initializer_list<float> voicing) {
        for (const float v : voicing)
            a.DecideFrame(v, 100, EnergyFor(20));
    }
};

// The values as little-endian floats, then `extra` more zero bytes (fewer
// bytes when negative).
std::vector<uint8_t> Floats(std::initializer_list<float> values, int extra = 0) {
    std::vector<uint8_t> bytes(values.size() * 4);
    std::memcpy(bytes.data(), values.begin(), bytes.size()); // little-endian host
    bytes.resize(static_cast<size_t>(static_cast<int>(bytes.size()) + extra), 0);
    return bytes;
}

} // namespace

TEST(PitchAnalyzer, FrameSizesAndLagsAtCommonAndLimitRates) {
    // Rate, frame length and step, lowest and highest lag.
    // clang-format off
    const std::array<int32_t, 5> rows[] = {
        {8000, 320, 80, 20, 200}, {11025, 441, 110, 27, 275}, {16000, 640, 160, 40, 400}, {22050, 882, 220, 55, 551},
        {44100, 1764, 441, 110, 1102}, {400, 16, 4, 1, 10}, {384000, 15360, 3840, 960, 9600}, {399, 0, 0, 0, 0},
        {384001, 0, 0, 0, 0}};
    // clang-format on
    for (const auto& [fs, n, h, low, high] : rows) {
        PitchAnalyzer a;
        PrepareAt(a, fs);
        EXPECT_EQ((std::array{a.frameLength, a.frameStep, a.minimumLag, a.maximumLag}),
                  (std::array{n, h, low, high}))
            << fs;
    }
}

TEST(PitchAnalyzer, SteadySineIsTrackedAfterTheFirstFrame) {
    const auto sine = Sine(200, 10000, 16000, 16000);
    PitchAnalyzer a;
    PrepareAt(a, 16000);
    std::vector<float> frame(sine.begin(), sine.begin() + 640);
    std::vector<float> lifted(frame);
    const FrameMeasure m = a.MeasureFrame(frame.data());
    EXPECT_EQ(m.bestLag, 80);
    EXPECT_NEAR(m.voicing, 0.87, 0.01);
    // A constant offset is the frame's mean, taken away before the lags.
    for (float& v : lifted)
        v += 100000;
    EXPECT_EQ(a.MeasureFrame(lifted.data()).bestLag, 80);
    a.RunOnSamples(sine.data(), 16000);
    std::vector<float> expected(97, 200.0f); // (16000 - 640) / 160 + 1 frames
    expected[0] = 0.0f;                      // the smoother's history starts at 0
    EXPECT_EQ(a.track.Values(), expected);
    EXPECT_TRUE(a.RunOnSamples(sine.data(), 639) && a.track.Empty());
    a.RunOnSamples(sine.data(), 640 + 159);
    EXPECT_EQ(a.track.Size(), 1u);
    // Every run starts its energy floor afresh: a quiet run before opens no gate. The first
    // sample's square counts: without this click the first frame would lower the floor.
    a.RunOnSamples(Sine(200, 2, 16000, 16000).data(), 16000);
    auto clicked = Sine(200, 600, 16000, 16000);
    std::fill(clicked.begin() + 1, clicked.begin() + 640, int16_t{0});
    clicked[0] = 32767;
    a.RunOnSamples(clicked.data(), 16000);
    EXPECT_EQ(a.track.Values(), std::vector<float>(97, 0.0f));
}

TEST(PitchAnalyzer, SilenceAndPeaksAtEitherEndOfTheLagRangeAreUnvoiced) {
    for (const int32_t period : {0, 40, 400}) {
        PitchAnalyzer a;
        PrepareAt(a, 16000);
        std::vector<float> frame(640, 0.0f);
        for (int32_t i = 100; period > 0 && i < 640; i += period)
            frame[i] = 20000.0f;
        const FrameMeasure m = a.MeasureFrame(frame.data());
        EXPECT_EQ(m.bestLag, std::max(period, 40));
        EXPECT_EQ(m.voicing, 0.0f) << period;
    }
}

TEST(PitchAnalyzer, AnUnreadableInputACancelledRunAndAnEmptyTrack) {
    TempFolder folder;
    PitchAnalyzer a;
    a.SetFiles(folder.File("seg.wav"), folder.File("t.ptc"));
    EXPECT_EQ((std::tuple{a.OpenInput(), a.fs, a.WriteTrack()}), (std::tuple{false, 44100, false}));
    EXPECT_EQ(folder.Names(), std::vector<std::string>{});
    // A run given up leaves no track, not even the one before.
    const auto sine = Sine(200, 10000, 16000, 16000);
    WriteWave(folder.File("seg.wav"), sine, 16000);
    ASSERT_TRUE(a.OpenInput());
    a.Prepare();
    ASSERT_TRUE(a.RunOnSamples(sine.data(), 16000));
    const std::vector<float> first = a.track.Values();
    EXPECT_TRUE(!a.Run(1, [] { return true; }) && a.track.Empty());
    ASSERT_TRUE(a.RunOnSamples(sine.data(), 16000));
    EXPECT_EQ(a.track.Values(), first); // each run starts afresh
    EXPECT_TRUE(!a.RunOnSamples(sine.data(), 16000, 3, [] { return true; }) && a.track.Empty());
}

TEST(PitchAnalyzer, VoicingHysteresisAtItsBoundaries) {
    const float below = std::nextafter(0.4f, 0.0f), above = std::nextafter(0.4f, 1.0f);
    const float weak = std::nextafter(0.3f, 0.0f);
    // clang-format off
    const struct { std::initializer_list<float> voicing; float raw, previous, older; } cases[] = {
        {{0.4f}, 100, 0.4f, 0},                    // the threshold is voiced
        {{below}, 0, below, 0},                    // just below is not
        {{0.5f, 0.5f, 0.3f}, 100, 0.41f, 0.5f},    // 0.3 after two voiced frames counts
        {{0.5f, 0.5f, weak}, 0, weak, 0.5f},       // just below does not
        {{0.5f, 0.3f, above}, 100, above, 0.41f},  // a one-frame gap is bridged in the history
        {{0.5f, 0.3f, 0.4f}, 100, 0.4f, 0.3f},     // not by the threshold itself
        {{0.4f, 0.3f, above}, 100, above, 0.3f},   // nor after a frame at the threshold
        {{0.5f, 0.4f, above}, 100, above, 0.4f},   // a gap at the threshold is none
        {{0.5f, 0.4f, 0.35f}, 0, 0.35f, 0.4f},     // nor does it carry a weak frame
        {{0.4f, 0.5f, 0.35f}, 0, 0.35f, 0.5f},     // nor does an older one
    };
    // clang-format on
    for (const auto& c : cases) {
        Decisions d;
        d.Run(c.voicing);
        EXPECT_EQ((std::vector<float>{d.a.previousRaw, d.a.previousVoicing, d.a.olderVoicing}),
                  (std::vector<float>{c.raw, c.previous, c.older}))
            << *(c.voicing.end() - 1);
    }
}

TEST(PitchAnalyzer, EnergyGateThreeAboveTheQuietestFrame) {
    const std::pair<double, float> steps[] = {{13.0, 100},  {12.99999, 0}, {2.0, 0},  {5.0, 100},
                                              {4.99999, 0}, {1.5, 0},      {4.5, 100}};
    PitchAnalyzer a;
    PrepareAt(a, 16000);
    for (const auto& [logEnergy, raw] : steps) {
        a.DecideFrame(0.9f, 100, EnergyFor(logEnergy));
        EXPECT_EQ(a.previousRaw, raw) << logEnergy;
    }
    EXPECT_FLOAT_EQ(a.lowestLogEnergy, 1.5f);
}

TEST(PitchAnalyzer, SmootherSwitchesToTheMedianAtTenHertz) {
    // After 100, 100: the mean 0.25 h0 + 0.25 h1 + 0.5 f against the median 100.
    const std::pair<float, float> cases[] = {
        {119.9f, 109.95f}, {120, 100}, {121, 100}, {80.2f, 90.1f}, {80, 100}};
    for (const auto& [f, out] : cases) {
        Decisions d;
        d.Run({0.9f, 0.9f});
        EXPECT_FLOAT_EQ(d.a.DecideFrame(0.9f, f, EnergyFor(20)), out) << f;
    }
    Decisions d;
    EXPECT_EQ(d.a.DecideFrame(0.9f, 100, EnergyFor(20)), 0.0f);   // (0, 0, 100): mean 50, median 0
    EXPECT_EQ(d.a.DecideFrame(0.9f, 100, EnergyFor(20)), 100.0f); // (0, 100, 100): mean 75, median 100
}

TEST(PitchAnalyzer, OutcomesOfAnAnalysisAndTheirTexts) {
    TempFolder folder;
    const auto sine = Sine(150, 8000, 22050, 22050);
    WriteWave(folder.File("seg.wav"), sine, 22050);
    WriteWave(folder.File("short.wav"), Sine(200, 10000, 16000, 639), 16000);
    WriteWave(folder.File("400.wav"), Sine(20, 10000, 400, 16), 400);
    WriteWave(folder.File("399.wav"), Sine(20, 10000, 399, 400), 399);
    using O = PitchTrackOutcome;
    const struct {
        const char* segment;
        const char* track;
        O outcome;
        const char* text;
        bool cancel = false;
    } cases[] = {
        {"seg.wav", "dosya.ptc", O::Written, "pitch track written"},
        {"400.wav", "400.ptc", O::Written, "pitch track written"},
        {"absent.wav", "x.ptc", O::SegmentUnreadable, "the segment cannot be read as a WAV file"},
        {"cut.wav", "x.ptc", O::SegmentTruncated, "the segment ended before the length its header gives"},
        {"399.wav", "x.ptc", O::UnsupportedRate,
         "the segment's sample rate cannot be analysed (400 to 384000 Hz are)"},
        {"short.wav", "x.ptc", O::TooShort, "the segment is shorter than one analysis frame (40 ms)"},
        {"seg.wav", "no/such.ptc", O::WriteFailed, "the pitch track file cannot be written"},
        {"seg.wav", "x.ptc", O::Cancelled, "the analysis was cancelled", true},
    };
    for (const auto& c : cases) {
        // The segment cut while it is read.
        const CancelCheck cancel = [&] {
            if (std::string(c.segment) == "cut.wav")
                std::filesystem::resize_file(folder.File("cut.wav"), 44 + 2 * 22000);
            return c.cancel;
        };
        WriteWave(folder.File("cut.wav"), sine, 22050);
        EXPECT_EQ(AnalyzeSegment(folder.File(c.segment), folder.File(c.track), 2, cancel), c.outcome)
            << c.text;
        EXPECT_STREQ(PitchTrackOutcomeText(c.outcome), c.text);
    }
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"399.wav", "400.ptc", "400.wav", "cut.wav",
                                                        "dosya.ptc", "seg.wav", "short.wav"}));
    const auto bytes = ReadBytes(folder.File("dosya.ptc"));
    ASSERT_EQ(bytes.size(), 16u + 4u * 97u); // (22050 - 882) / 220 + 1 frames
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 16), Floats({882, 220, 22050, 97}));
}

TEST(PitchTrackFile, ReadResults) {
    TempFolder folder;
    const float nan = std::nanf(""), inf = INFINITY;
    const struct {
        std::vector<uint8_t> bytes;
        TrackReadResult result;
    } cases[] = {
        {Floats({640.9f, 160, 16000, 2, 0, 100.3f}), TrackReadResult::Ok}, // 100.3f: no byte is 0
        {Floats({640, 160, 16000, 0}), TrackReadResult::Ok},
        {Floats({640, 160, 16000, 2, 0, 100}, -1), TrackReadResult::Truncated},
        {Floats({640, 160, 16000, 2, 0, 100}, 1), TrackReadResult::Malformed},
        {Floats({640, 160, 16000, 2, 0, 100, 7}), TrackReadResult::Malformed},
        {Floats({640, 160, 16000}), TrackReadResult::Truncated},
        {Floats({640, 160, 16000, 1, -1}), TrackReadResult::Malformed},
        {Floats({640, 160, 16000, 1, nan}), TrackReadResult::Malformed},
        {Floats({640, 160, 16000, 1, inf}), TrackReadResult::Malformed},
        {Floats({-1, 160, 16000, 0}), TrackReadResult::Malformed},
        {Floats({640, 160, nan, 0}), TrackReadResult::Malformed},
        {Floats({640, 2147483648.0f, 16000, 0}), TrackReadResult::Malformed},
        {Floats({640, 160, 16000, 2147483520.0f}), TrackReadResult::Truncated},
    };
    PitchTrack track;
    for (size_t i = std::size(cases); i-- > 0;) {
        WriteBytes(folder.File("t.ptc"), cases[i].bytes);
        EXPECT_EQ(ReadPitchTrack(folder.File("t.ptc"), track), cases[i].result) << i;
    }
    EXPECT_EQ((std::vector<int32_t>{track.frameLength, track.frameStep, track.sampleRate}),
              (std::vector<int32_t>{640, 160, 16000}));
    EXPECT_EQ(track.values, (std::vector<float>{0, 100.3f}));
    EXPECT_EQ(ReadPitchTrack(folder.File("none.ptc"), track), TrackReadResult::Missing);
}
