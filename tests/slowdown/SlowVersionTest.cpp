#include "SlowVersion.h"

#include "PitchAnalyzer.h"
#include "TestSupport.h"

#include <cstring>

using namespace lectorio;
using namespace lectorio::testing;

TEST(SlowVersion, Reversal) {
    float odd[5] = {1, 2, 3, 4, 5};
    ReverseSamples(odd, 5);
    EXPECT_EQ(std::vector<float>(odd, odd + 5), std::vector<float>({5, 4, 3, 2, 1}));
    float even[4] = {1, 2, 3, 4};
    ReverseSamples(even, 4);
    EXPECT_EQ(std::vector<float>(even, even + 4), std::vector<float>({4, 3, 2, 1}));
}

TEST(SlowVersion, OutputLengthFollowsTheSliderFactor) {
    EXPECT_EQ(StretchedLength(1000, 20 * 0.1), 2000);
    EXPECT_EQ(StretchedLength(1001, 5 * 0.1), 501);
    EXPECT_EQ(StretchedLength(1000, 12 * 0.1), 1201); // 12 * 0.1 is 1.2000000000000002

    TempFolder folder;
    WriteWave(folder.File("seg.wav"), SpeechLike(16000, 0.0625, 3), 16000); // 1000 samples
    ASSERT_TRUE(BuildPitchTrack(folder.File("seg.wav"), folder.File("dosya.ptc")));
    for (const auto& [position, frames] : {std::pair{20, 2000}, std::pair{5, 500}, std::pair{12, 1201}}) {
        ASSERT_EQ(SynthesizeSlowVersion(folder.File("seg.wav"), folder.File("seg_y.wav"),
                                        folder.File("dosya.ptc"), position * 0.1),
                  SlowVersionResult::Done);
        uint32_t rate = 0;
        EXPECT_EQ(ReadWave(folder.File("seg_y.wav"), &rate).size(), static_cast<size_t>(frames)) << position;
        EXPECT_EQ(rate, 16000u);
    }
    EXPECT_EQ(folder.Names(), std::vector<std::string>({"dosya.ptc", "seg.wav", "seg_y.wav"}));
}

TEST(SlowVersion, UnvoicedMarksEveryStepAndPiecesOfThreeSteps) {
    PitchTrack track{640, 160, 16000, std::vector<float>(20, 0.0f)};
    PitchMarks marks;
    ASSERT_TRUE(PlaceMarks(track, 640 + 19 * 160, marks));
    ASSERT_EQ(marks.Count(), 21);
    for (int64_t k = 0; k < marks.Count(); ++k) {
        EXPECT_EQ(marks.position[k], k * 160);
        EXPECT_EQ(marks.voiced[k], 0);
    }
    const auto plan = PlanOverlapAdd(marks, 100000, 1.0);
    ASSERT_EQ(plan.size(), 18u); // until mark j + 3 runs past the last mark
    for (size_t k = 0; k < plan.size(); ++k) {
        EXPECT_EQ(plan[k].mark, static_cast<int64_t>(k));
        EXPECT_EQ(plan[k].length, 3 * 160 + 1);
        EXPECT_EQ(plan[k].outputStart, static_cast<int64_t>(k) * 160);
        EXPECT_FALSE(plan[k].reversed);
    }
    // The first piece covers output samples 0 to 480: it needs 481 of them.
    EXPECT_EQ(PlanOverlapAdd(marks, 3 * 160, 1.0).size(), 0u);
    EXPECT_EQ(PlanOverlapAdd(marks, 3 * 160 + 1, 1.0).size(), 1u);
}

TEST(SlowVersion, RepeatedUnvoicedPiecesArePlayedBackwards) {
    PitchTrack track{640, 160, 16000, std::vector<float>(20, 0.0f)};
    PitchMarks marks;
    ASSERT_TRUE(PlaceMarks(track, 640 + 19 * 160, marks));
    const auto plan = PlanOverlapAdd(marks, 100000, 2.0);
    ASSERT_GE(plan.size(), 6u);
    EXPECT_EQ(plan[0].mark, 0); // the first piece uses mark 0 at output 0
    EXPECT_EQ(plan[0].outputStart, 0);
    EXPECT_FALSE(plan[0].reversed);
    // At t = 160 marks 0 and 1 are equally near; mark 0 is not used again.
    EXPECT_EQ(plan[1].mark, 1);
    for (size_t k = 1; k < plan.size(); ++k) {
        EXPECT_EQ(plan[k].outputStart, static_cast<int64_t>(k) * 160);
        EXPECT_EQ(plan[k].reversed, plan[k].mark == plan[k - 1].mark) << k;
    }
    EXPECT_TRUE(plan[2].reversed);

    // A repeated voiced piece keeps its direction.
    PitchTrack voiced{640, 160, 16000, std::vector<float>(20, 100.0f)};
    ASSERT_TRUE(PlaceMarks(voiced, 640 + 19 * 160, marks));
    bool repeated = false;
    for (const auto& piece : PlanOverlapAdd(marks, 100000, 2.0)) {
        if (piece.mark > 0 && piece.mark + 1 < marks.Count() && marks.voiced[piece.mark + 1]) {
            EXPECT_FALSE(piece.reversed);
            repeated = true;
        }
    }
    EXPECT_TRUE(repeated);
}

TEST(SlowVersion, SteadyVoiceKeepsItsPeriodWhenSlowed) {
    const auto sine = Sine(100, 12000, 16000, 16000);
    PitchAnalyzer analysis;
    analysis.fs = 16000;
    analysis.Prepare(40, 400);
    analysis.RunOnSamples(sine.data(), static_cast<int64_t>(sine.size()));
    const PitchTrack track = analysis.Track();

    PitchMarks marks;
    ASSERT_TRUE(PlaceMarks(track, 16000, marks));
    for (int64_t k = 2; k < marks.Count(); ++k)
        EXPECT_EQ(marks.position[k] - marks.position[k - 1], 160) << k;

    const auto plan = PlanOverlapAdd(marks, 32000, 2.0);
    int64_t uses[200] = {};
    for (size_t k = 1; k < plan.size(); ++k) {
        EXPECT_EQ(plan[k].outputStart - plan[k - 1].outputStart, 160);
        ++uses[plan[k].mark];
    }
    for (int64_t k = 3; k + 3 < marks.Count(); ++k)
        EXPECT_EQ(uses[k], 2) << k;

    const auto slowed = StretchSamples(sine, marks, 2.0);
    ASSERT_EQ(slowed.size(), 32000u);
    PitchAnalyzer again;
    again.fs = 16000;
    again.Prepare(40, 400);
    again.RunOnSamples(slowed.data(), static_cast<int64_t>(slowed.size()));
    for (size_t i = 5; i + 5 < again.track.Size(); ++i)
        ASSERT_EQ(again.track[i], 100.0f) << i;
}

namespace {

struct Refusal : ::testing::Test {
    TempFolder folder;
    std::string segment = folder.File("seg.wav");
    std::string output = folder.File("seg_y.wav");
    std::string track = folder.File("dosya.ptc");
    const std::vector<uint8_t> previous = {'o', 'l', 'd'};

    void SetUp() override {
        WriteWave(segment, SpeechLike(16000, 0.5, 7), 16000);
        WriteBytes(output, previous);
    }
    void ExpectRefused(SlowVersionResult expected) {
        EXPECT_EQ(SynthesizeSlowVersion(segment, output, track, 2.0), expected);
        EXPECT_EQ(ReadBytes(output), previous);
    }
};

} // namespace

TEST_F(Refusal, MissingTrack) {
    ExpectRefused(SlowVersionResult::TrackMissing);
    EXPECT_EQ(folder.Names(), std::vector<std::string>({"seg.wav", "seg_y.wav"}));
}

TEST_F(Refusal, TruncatedTrack) {
    ASSERT_TRUE(BuildPitchTrack(segment, track));
    auto bytes = ReadBytes(track);
    bytes.pop_back();
    WriteBytes(track, bytes);
    ExpectRefused(SlowVersionResult::TrackTruncated);
    WriteBytes(track, {0, 0, 0x20, 0x44});
    ExpectRefused(SlowVersionResult::TrackTruncated);
}

TEST_F(Refusal, TrackOfAnotherSegment) {
    // Another rate, another length, and a length that would put marks past
    // this segment's end.
    const std::string other = folder.File("other.wav");
    WriteWave(other, SpeechLike(22050, 0.5, 8), 22050);
    ASSERT_TRUE(BuildPitchTrack(other, track));
    ExpectRefused(SlowVersionResult::TrackMismatch);
    WriteWave(other, SpeechLike(16000, 0.4, 8), 16000);
    ASSERT_TRUE(BuildPitchTrack(other, track));
    ExpectRefused(SlowVersionResult::TrackMismatch);
    WriteWave(other, SpeechLike(16000, 3.0, 8), 16000);
    ASSERT_TRUE(BuildPitchTrack(other, track));
    ExpectRefused(SlowVersionResult::TrackMismatch);
}

TEST_F(Refusal, DamagedTrackValues) {
    ASSERT_TRUE(BuildPitchTrack(segment, track));
    auto bytes = ReadBytes(track);
    const float negative = -100.0f;
    std::memcpy(bytes.data() + 16 + 4 * 10, &negative, 4);
    WriteBytes(track, bytes);
    ExpectRefused(SlowVersionResult::TrackTruncated);
}

TEST_F(Refusal, OutputCannotBeTheSegmentOrAMissingFolder) {
    ASSERT_TRUE(BuildPitchTrack(segment, track));
    const auto before = ReadBytes(segment);
    EXPECT_EQ(SynthesizeSlowVersion(segment, segment, track, 2.0), SlowVersionResult::OutputIsSegment);
    EXPECT_EQ(ReadBytes(segment), before);
    EXPECT_EQ(SynthesizeSlowVersion(segment, folder.File("none/out.wav"), track, 2.0),
              SlowVersionResult::OutputFailed);
    EXPECT_EQ(SynthesizeSlowVersion(segment, output, track, 0.0), SlowVersionResult::BadFactor);
    EXPECT_EQ(SynthesizeSlowVersion(segment, output, track, std::nan("")), SlowVersionResult::BadFactor);
    EXPECT_EQ(SynthesizeSlowVersion(folder.File("none.wav"), output, track, 2.0),
              SlowVersionResult::SegmentUnreadable);
    EXPECT_EQ(ReadBytes(output), previous);
    EXPECT_EQ(folder.Names(), std::vector<std::string>({"dosya.ptc", "seg.wav", "seg_y.wav"}));
}

TEST(SlowVersion, MarksAtTheLastSampleAreRefused) {
    PitchTrack track{640, 160, 16000, std::vector<float>(10, 0.0f)};
    PitchMarks marks;
    EXPECT_TRUE(PlaceMarks(track, 1602, marks)); // last mark 1600, last sample 1601
    EXPECT_FALSE(PlaceMarks(track, 1601, marks));
    track.values.assign(10, 16000.0f); // a period of one sample
    EXPECT_FALSE(PlaceMarks(track, 1000, marks));
}

TEST(SlowVersion, OutputKeepsTheSegmentFormat) {
    TempFolder folder;
    WriteWave(folder.File("seg.wav"), SpeechLike(8000, 0.5, 4), 8000, 8, 2, kFormatMuLaw);
    ASSERT_TRUE(BuildPitchTrack(folder.File("seg.wav"), folder.File("t.ptc")));
    ASSERT_EQ(
        SynthesizeSlowVersion(folder.File("seg.wav"), folder.File("seg_y.wav"), folder.File("t.ptc"), 1.5),
        SlowVersionResult::Done);
    const auto out = OpenWaveFile(folder.File("seg_y.wav"));
    EXPECT_EQ(out->formatTag, kFormatMuLaw);
    EXPECT_EQ(out->channels, 2);
    EXPECT_EQ(out->bitsPerSample, 8);
    EXPECT_EQ(out->frameCount, 6000);
}
