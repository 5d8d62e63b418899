// SPDX-License-Identifier: GPL-3.0-or-later
#include "SlowVersion.h"

#include "PitchAnalyzer.h"
#include "TestSupport.h"

#include <cstring>
#include <filesystem>

using namespace lectorio;
using namespace lectorio::testing;

TEST(SlowVersion, UnvoicedMarksEveryStepPiecesOfThreeStepsRepeatedBackwards) {
    PitchTrack track{640, 160, 16000, std::vector<float>(20, 0.0f)};
    PitchMarks marks;
    ASSERT_TRUE(PlaceMarks(track, 640 + 19 * 160, marks));
    std::vector<int64_t> everyStep;
    for (int64_t k = 0; k < 21; ++k)
        everyStep.push_back(k * 160);
    EXPECT_TRUE(marks.position == everyStep && marks.voiced == std::vector<uint8_t>(21, 0));
    const auto plan = PlanOverlapAdd(marks, 100000, 1.0);
    ASSERT_EQ(plan.size(), 18u);             // until mark j + 3 runs past the last mark
    for (size_t k = 0; k < plan.size(); ++k) // mark, length, output start, reversed
        EXPECT_EQ((std::vector<int64_t>{plan[k].mark, plan[k].length, plan[k].outputStart, plan[k].reversed}),
                  (std::vector<int64_t>{int64_t(k), 3 * 160 + 1, int64_t(k) * 160, 0}));
    // The first piece covers output samples 0 to 480: it needs 481 of them.
    EXPECT_EQ(PlanOverlapAdd(marks, 3 * 160, 1.0).size(), 0u);
    EXPECT_EQ(PlanOverlapAdd(marks, 3 * 160 + 1, 1.0).size(), 1u);

    // Slowed down, repeated unvoiced pieces are played backwards.
    const auto slowed = PlanOverlapAdd(marks, 100000, 2.0);
    ASSERT_GE(slowed.size(), 6u);
    // The first piece uses mark 0 at output 0, forwards. At t = 160 marks 0
    // and 1 are equally near; mark 0 is not used again.
    EXPECT_EQ(
        (std::vector<int64_t>{slowed[0].mark, slowed[0].outputStart, slowed[0].reversed, slowed[1].mark}),
        (std::vector<int64_t>{0, 0, 0, 1}));
    for (size_t k = 1; k < slowed.size(); ++k) {
        EXPECT_EQ(slowed[k].outputStart, static_cast<int64_t>(k) * 160);
        EXPECT_EQ(slowed[k].reversed, slowed[k].mark == slowed[k - 1].mark) << k;
    }
    EXPECT_TRUE(slowed[2].reversed);
}

namespace {

// How a refusal case prepares "dosya.ptc" for the segment "seg.wav".
enum class Track { None, Own, CutByOneByte, NegativeValue, OtherRate, Shorter };

void PrepareTrack(Track kind, const TempFolder& folder) {
    const std::string track = folder.File("dosya.ptc"), other = folder.File("other.wav");
    if (kind == Track::OtherRate || kind == Track::Shorter) {
        const uint32_t rate = kind == Track::OtherRate ? 22050 : 16000;
        WriteWave(other, SpeechLike(rate, kind == Track::OtherRate ? 0.5 : 0.4, 8), rate);
        ASSERT_TRUE(BuildPitchTrack(other, track));
        std::filesystem::remove(other);
        return;
    }
    if (kind == Track::None)
        return;
    ASSERT_TRUE(BuildPitchTrack(folder.File("seg.wav"), track));
    auto bytes = ReadBytes(track);
    if (kind == Track::CutByOneByte)
        bytes.pop_back();
    if (kind == Track::NegativeValue) {
        const float negative = -100.0f;
        std::memcpy(bytes.data() + 16 + 4 * 10, &negative, 4);
    }
    WriteBytes(track, bytes);
}

} // namespace

TEST(SlowVersion, ResultsTheirTextsAndWhatTheyLeave) {
    using R = SlowVersionResult;
    const struct {
        const char* text;
        Track track;
        R expected;
        const char* segment = "seg.wav";
        const char* output = "seg_y.wav";
        double factor = 2.0;
        bool cancel = false;
    } cases[] = {
        {"slowed copy written", Track::Own, R::Done, "seg.wav", "seg_y.wav", 0.1},
        {"slowed copy written", Track::Own, R::Done, "seg.wav", "seg_y.wav", 10.0},
        {"the segment cannot be read as a WAV file", Track::Own, R::SegmentUnreadable, "none.wav"},
        {"the segment ended before the length its header gives", Track::Own, R::SegmentTruncated, "cut.wav"},
        {"the pitch track file cannot be opened", Track::None, R::TrackMissing},
        {"the pitch track file is truncated or damaged", Track::CutByOneByte, R::TrackTruncated},
        {"the pitch track file is truncated or damaged", Track::NegativeValue, R::TrackTruncated},
        {"the pitch track belongs to another segment", Track::OtherRate, R::TrackMismatch},
        {"the pitch track belongs to another segment", Track::Shorter, R::TrackMismatch},
        {"the duration factor is out of range", Track::Own, R::BadFactor, "seg.wav", "seg_y.wav", 0.0999},
        {"the duration factor is out of range", Track::Own, R::BadFactor, "seg.wav", "seg_y.wav", 10.0001},
        {"the duration factor is out of range", Track::Own, R::BadFactor, "seg.wav", "seg_y.wav",
         std::nan("")},
        {"the output file would replace the segment itself", Track::Own, R::OutputIsSegment, "seg.wav",
         "seg.wav"},
        {"the output file cannot be written", Track::Own, R::OutputFailed, "seg.wav", "none/out.wav"},
        {"the copy was cancelled", Track::Own, R::Cancelled, "seg.wav", "seg_y.wav", 2.0, true},
    };
    const std::vector<uint8_t> previous = {'o', 'l', 'd'};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        TempFolder folder;
        // Stereo mu-law, two bytes a frame: the copy keeps the format.
        WriteWave(folder.File("seg.wav"), SpeechLike(16000, 0.5, 7), 16000, 8, 2, kFormatMuLaw);
        WriteBytes(folder.File("seg_y.wav"), previous);
        PrepareTrack(c.track, folder);
        WriteWave(folder.File("cut.wav"), SpeechLike(16000, 0.5, 7), 16000, 8, 2, kFormatMuLaw);
        const auto segment = ReadBytes(folder.File("seg.wav"));
        EXPECT_EQ(SynthesizeSlowVersion(
                      folder.File(c.segment), folder.File(c.output), folder.File("dosya.ptc"), c.factor,
                      [&] {
                          // The segment cut while it is read.
                          if (std::string(c.segment) == "cut.wav")
                              std::filesystem::resize_file(folder.File("cut.wav"), 44 + 2 * 7000);
                          return c.cancel;
                      }),
                  c.expected);
        EXPECT_STREQ(SlowVersionResultText(c.expected), c.text);
        if (c.expected == R::Done) {
            const auto copy = OpenWaveFile(folder.File("seg_y.wav"));
            EXPECT_EQ(copy->frameCount, static_cast<int64_t>(8000 * c.factor + 0.5));
            EXPECT_EQ((std::vector<int>{copy->formatTag, copy->channels}),
                      (std::vector<int>{kFormatMuLaw, 2}));
        } else {
            EXPECT_EQ(ReadBytes(folder.File("seg_y.wav")), previous);
        }
        EXPECT_EQ(ReadBytes(folder.File("seg.wav")), segment);
        EXPECT_EQ(folder.Names().size(), c.track == Track::None ? 3u : 4u);
    }
}

TEST(SlowVersion, TracksOfOtherSegmentsAreRefused) {
    PitchTrack track{640, 160, 16000, std::vector<float>(10, 0.0f)};
    PitchMarks marks;
    EXPECT_TRUE(PlaceMarks(track, 1602, marks)); // last mark 1600, last sample 1601
    EXPECT_FALSE(PlaceMarks(track, 1601, marks));
    track.values.assign(10, 16000.0f); // a period of one sample
    EXPECT_FALSE(PlaceMarks(track, 1000, marks));
    // Voiced marks every 160 samples up to the last frame's centre, 1760: the last sample may not be one.
    track.values.assign(10, 100.0f);
    EXPECT_TRUE(PlaceMarks(track, 1762, marks) && !PlaceMarks(track, 1761, marks));
    EXPECT_FALSE(PlaceMarks(PitchTrack{640, 0, 16000, {0.0f}}, 1000, marks)); // no step
    // Two frames: 800 to 959 samples at 16000 Hz; one frame: 640 to 799.
    const struct {
        PitchTrack track;
        int64_t rate, samples;
        bool fits;
    } cases[] = {
        {{640, 160, 16000, {0, 0}}, 16000, 800, true},  {{640, 160, 16000, {0, 0}}, 16000, 959, true},
        {{640, 160, 16000, {0, 0}}, 16000, 799, false}, {{640, 160, 16000, {0, 0}}, 16000, 960, false},
        {{640, 160, 16000, {0}}, 16000, 640, true},     {{640, 160, 16000, {}}, 16000, 639, false},
        {{640, 160, 16000, {0, 0}}, 22050, 800, false}, {{641, 160, 16000, {0, 0}}, 16000, 800, false},
        {{640, 161, 16000, {0, 0}}, 16000, 800, false}, {{0, 0, 399, {}}, 399, 1000, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TrackFitsSegment(c.track, c.rate, c.samples), c.fits) << c.samples << " at " << c.rate;
}
