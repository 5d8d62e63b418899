// SPDX-License-Identifier: GPL-3.0-or-later
#include "Segmenter.h"
#include "ReferenceSegmenter.h"
#include "RiffBytes.h"
#include "TestRecordings.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace lectorio;
using namespace lectorio::testing;

namespace {

struct Recorder : SegmentationListener {
    std::vector<int> progress;
    std::vector<std::string> statuses;
    std::vector<int32_t> counts;
    std::vector<std::string> events; // closing steps and errors, in order
    std::vector<std::string> failed;
    void OnProgress(int p) override {
        progress.push_back(p);
        if (p == 1000)
            events.push_back("progress 1000");
    }
    void OnStatus(const std::string& t) override {
        statuses.push_back(t);
        if (t.empty())
            events.push_back("status empty");
    }
    void OnSegmentationError() override { events.push_back("error"); }
    void OnSegmentCount(int32_t c) override { counts.push_back(c); }
    void OnDeleteStaleFiles(int32_t c) override { events.push_back("delete " + std::to_string(c)); }
    void OnWriteProjectFile(int32_t c) override { events.push_back("project " + std::to_string(c)); }
    void OnFileWriteFailed(const std::string& p) override { failed.push_back(p); }
};

std::string SegmentFile(const TempFolder& dir, int32_t n, const std::string& project = "p") {
    char b[16];
    std::snprintf(b, sizeof b, "%.5d", n);
    return dir.File(std::string(b) + "_" + project + ".wav");
}

// Runs the engine on `path` and checks every file and the label text against
// the reference run on the samples as the reader delivers them.
void ExpectMatchesReference(const TempFolder& dir, const std::string& path,
                            const SegmentationOptions& options) {
    const auto samples = ReadWave(path);
    const uint32_t rate = OpenWaveFile(path)->sampleRate;
    const ReferenceRun expected = RunReference(samples, rate, options);
    Recorder recorder;
    const auto result = SegmentRecording(path, dir.Path(), "p", options, recorder);

    const int32_t count = expected.parts.empty() ? 0 : expected.parts.back().number;
    ASSERT_EQ(result.segmentCount, count);
    EXPECT_TRUE(recorder.failed.empty());
    for (const auto& part : expected.parts) {
        SCOPED_TRACE("segment " + std::to_string(part.number));
        const auto got = ReadWave(SegmentFile(dir, part.number));
        if (part.to < part.from) {
            EXPECT_TRUE(got.empty());
            continue;
        }
        ASSERT_EQ(static_cast<int64_t>(got.size()), part.to - part.from + 1);
        EXPECT_TRUE(std::equal(got.begin(), got.end(), samples.begin() + part.from));
    }
    for (int32_t n : expected.errorNumbers)
        EXPECT_FALSE(std::filesystem::exists(SegmentFile(dir, n)));
    EXPECT_EQ(Slurp(LabelFilePath(path)), expected.label);
}

// Writes `x` as in.wav at 16 kHz and segments it into project "p".
SegmentationResult Segment(const TempFolder& dir, const std::vector<int16_t>& x,
                           const SegmentationOptions& options = {}, Recorder* recorder = nullptr) {
    Recorder ignored;
    WriteWave(dir.File("in.wav"), x, 16000);
    return SegmentRecording(dir.File("in.wav"), dir.Path(), "p", options, recorder ? *recorder : ignored);
}

std::string Label(const std::vector<std::string>& lines) {
    std::string text = "#\n";
    for (const auto& l : lines)
        text += l + "\n";
    return text;
}

} // namespace

TEST(SegmentationLimits, WorkedExampleAt16kHz) {
    const auto limits = ComputeSegmentationLimits(SegmentationOptions{}, 16000);
    EXPECT_EQ(limits.frameLength, 400);
    EXPECT_EQ(limits.history, 14);
    EXPECT_EQ(limits.maxLength, 48000.0f);
    const int64_t expected[9] = {72000, 62399, 45599, 43199, 40800, 38400, 36000, 33599, 31199};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(limits.lengthThresholds[i], expected[i]) << i;
    // From 95 % on, speech ends when at most 6 of 14 frames are active (A < 6.3).
    EXPECT_EQ(14.0f * limits.multipliers[0] * 0.2f, 6.3f);
    // H = 10 with end threshold 0.3: the limit is exactly 3, so A = 3 keeps speech going.
    SegmentationOptions ten;
    ten.energyHistory = 10;
    ten.endThreshold = 0.3f;
    EXPECT_EQ(static_cast<float>(ComputeSegmentationLimits(ten, 16000).history) * 1.0f * ten.endThreshold,
              3.0f);
}

TEST(SegmentationLimits, FrameLengthsAndHistory) {
    SegmentationOptions o;
    o.energyHistory = 0;
    EXPECT_EQ(ComputeSegmentationLimits(o, 8000).frameLength, 200);
    EXPECT_EQ(ComputeSegmentationLimits(o, 10000).frameLength, 250);
    EXPECT_EQ(ComputeSegmentationLimits(o, 14999).frameLength, 250);
    EXPECT_EQ(ComputeSegmentationLimits(o, 15000).frameLength, 400);
    EXPECT_EQ(ComputeSegmentationLimits(o, 29999).frameLength, 500);
    EXPECT_EQ(ComputeSegmentationLimits(o, 30000).frameLength, 1000);
    EXPECT_EQ(ComputeSegmentationLimits(o, 8000).history, 1);
}

TEST(LabelFilePath, ReplacesOnlyInTheFileName) {
    EXPECT_EQ(LabelFilePath("/a/Talk.WAV"), "/a/Talk.lab");
    EXPECT_EQ(LabelFilePath("rec.WaV"), "rec.lab");
    EXPECT_EQ(LabelFilePath("/data/x.wav.d/t.wav"), "/data/x.wav.d/t.lab");
    EXPECT_EQ(LabelFilePath("/a/b.wav.wav"), "/a/b.lab.lab");
    EXPECT_EQ(LabelFilePath("/a/take.flac"), "/a/take.flac.lab");
    EXPECT_EQ(LabelFilePath("/a.wav/take"), "/a.wav/take.lab");
}

TEST(Segmenter, RecordingThatStartsWithSpeech) {
    TempFolder dir;
    std::vector<int16_t> x(16000 * 2, 0);
    AddLoud(x, 0, 16000);
    Segment(dir, x);
    // Segment 1 is the one sample at position 0; no S line (not 10 ms after anything).
    EXPECT_EQ(ReadWave(SegmentFile(dir, 1)), std::vector<int16_t>{10000});
    EXPECT_EQ(Slurp(dir.File("in.lab")), Label({"1.275000 121 V2", "2.000000 121 S3"}));
    EXPECT_EQ(ReadWave(SegmentFile(dir, 3)).size(), 32000u - 20400u);
}

TEST(Segmenter, NineActiveFramesStartSpeechEightDoNot) {
    for (int active : {8, 9}) {
        TempFolder dir;
        std::vector<int16_t> x(16000 * 3, 0);
        AddLoud(x, 8000, active * 400);
        const auto result = Segment(dir, x);
        EXPECT_EQ(result.segmentCount, active == 8 ? 1 : 3) << active;
        if (active == 9) {
            // Decided at the frame at 8000 + 8 x 400, starting 14 frames before
            // it; ended 12 frames after the last active one.
            EXPECT_EQ(Slurp(dir.File("in.lab")),
                      Label({"0.350000 121 S1", "1.000000 121 V2", "3.000000 121 S3"}));
        }
    }
}

TEST(Segmenter, ThreeActiveFramesKeepSpeechTwoEndIt) {
    TempFolder dir;
    std::vector<int16_t> x(16000 * 3, 0);
    AddLoud(x, 0, 16000); // frames 0 .. 39 active
    Segment(dir, x);
    // Frame 51 (position 20400) has frames 38, 39 active of 38..51: speech ends;
    // frame 50 still has three.
    EXPECT_EQ(ReadWave(SegmentFile(dir, 2)).size(), 20401u);
    EXPECT_NE(Slurp(dir.File("in.lab")).find("1.275000 121 V2"), std::string::npos);
}

TEST(Segmenter, SpeechThatNeverFallsSilentIsCutBeyondOneAndAHalfMaximumLengths) {
    TempFolder dir;
    std::vector<int16_t> x(16000 * 6, 0);
    AddLoud(x, 0, static_cast<int64_t>(x.size()));
    Segment(dir, x);
    // The first frame with D > 72000 is at 72400; the next speech joins at E0 + 1.
    EXPECT_EQ(ReadWave(SegmentFile(dir, 2)).size(), 72401u);
    EXPECT_EQ(ReadWave(SegmentFile(dir, 3)).size(), 2u);
    EXPECT_EQ(Slurp(dir.File("in.lab")), Label({"4.525000 121 V2", "6.000000 121 V4"}));
}

TEST(Segmenter, SpeechStartWithin10msOfAnEndWritesNoSLine) {
    TempFolder dir;
    std::vector<int16_t> x(16000 * 4, 0);
    AddLoud(x, 0, 16000);
    AddLoud(x, 16000 + 13 * 400, 16000); // restarts right after the end at 20400
    Segment(dir, x);
    const std::string label = Slurp(dir.File("in.lab"));
    EXPECT_EQ(label.find(" S3"), std::string::npos);
    EXPECT_NE(label.find(" V4"), std::string::npos);
    EXPECT_EQ(ReadWave(SegmentFile(dir, 3)).size(), 2u); // E0 .. E0 + 1, still written
}

TEST(Segmenter, ForcedStartAfterFiveMillionSilentSamples) {
    TempFolder dir;
    std::vector<int16_t> x(5100000, 0);
    const auto result = Segment(dir, x);
    ASSERT_EQ(result.segmentCount, 3);
    // At P = 5,000,400 the window start is clamped to the block start 5,000,000,
    // and the still quiet window ends the speech part in the same frame.
    EXPECT_EQ(ReadWave(SegmentFile(dir, 1)).size(), 5000001u);
    EXPECT_EQ(ReadWave(SegmentFile(dir, 2)).size(), 401u);
    EXPECT_EQ(ReadWave(SegmentFile(dir, 3)).size(), 5100000u - 5000400u);
    ExpectMatchesReference(dir, dir.File("in.wav"), {});
}

TEST(Segmenter, ARecordingCutWhileItIsReadIsReported) {
    TempFolder dir;
    std::vector<int16_t> x(5100000, 0);
    AddLoud(x, 16000, 8000);
    struct Cutter : Recorder {
        std::string path;
        void OnSegmentCount(int32_t c) override {
            if (c == 1)
                std::filesystem::resize_file(path, 44 + 2 * 5050000);
        }
    } cutter;
    cutter.path = dir.File("in.wav");
    const auto result = Segment(dir, x, {}, &cutter);
    EXPECT_EQ(result.framesExpected, 5100000);
    EXPECT_EQ(result.framesRead, 5050000);
    EXPECT_TRUE(result.InputEndedEarly());
}

TEST(Segmenter, BlockBoundaries) {
    for (int64_t length : {4999999, 5000000, 5000001}) {
        SCOPED_TRACE(length);
        TempFolder dir;
        auto x = SpeechLike(length, 16000, static_cast<uint32_t>(length));
        AddLoud(x, 4990000,
                20000 < length - 4990000 ? 20000 : length - 4990000); // speech across the boundary
        Recorder r;
        const auto result = Segment(dir, x, {}, &r);
        ExpectMatchesReference(dir, dir.File("in.wav"), {});
        EXPECT_EQ(result.framesRead, length);
        EXPECT_EQ(result.speechFrames + result.silenceFrames, length + result.segmentCount - 1);
        ASSERT_FALSE(r.progress.empty());
        EXPECT_LE(r.progress.size(), 1001u);
        EXPECT_TRUE(std::is_sorted(r.progress.begin(), r.progress.end()));
        EXPECT_EQ(std::adjacent_find(r.progress.begin(), r.progress.end()), r.progress.end());
        EXPECT_EQ(r.progress.back(), 1000);
        // The final part ends with the recording's last sample.
        EXPECT_EQ(ReadWave(SegmentFile(dir, result.segmentCount)).back(), x.back());
    }
}

TEST(Segmenter, MatchesReferenceOnGeneratedRecordings) {
    struct Case {
        uint32_t rate;
        int64_t seconds;
        SegmentationOptions options;
    };
    SegmentationOptions shortParts;
    shortParts.maxSegmentLength = 1;
    SegmentationOptions sensitive;
    sensitive.sampleThreshold = 300;
    sensitive.energyHistory = 5;
    sensitive.startThreshold = 0.3f;
    sensitive.endThreshold = 0.5f;
    SegmentationOptions longParts;
    longParts.maxSegmentLength = 1000; // parts limited by the two blocks
    longParts.sampleThreshold = 100;
    longParts.endThreshold = 0.00001f;
    const Case cases[] = {{16000, 120, {}},       {8000, 300, shortParts}, {44100, 90, sensitive},
                          {22050, 60, longParts}, {11025, 40, {}},         {8000, 1400, longParts}};
    uint32_t seed = 1;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.rate) + " Hz, seed " + std::to_string(seed));
        const auto x = SpeechLike(c.seconds * c.rate, c.rate, seed++);
        const ReferenceRun expected = RunReference(x, c.rate, c.options);
        const DetectedParts got = DetectParts(x, c.rate, c.options);
        ASSERT_EQ(got.parts.size(), expected.parts.size());
        for (size_t i = 0; i < got.parts.size(); ++i) {
            EXPECT_EQ(got.parts[i].number, expected.parts[i].number);
            EXPECT_EQ(got.parts[i].from, expected.parts[i].from);
            EXPECT_EQ(got.parts[i].to, expected.parts[i].to);
        }
        EXPECT_EQ(got.emptyNumbers, expected.errorNumbers);
    }
}

TEST(Segmenter, OtherSampleFormatsKeepTheirFormat) {
    struct Format {
        uint16_t bits, channels, tag;
    };
    for (const Format f : {Format{8, 1, kFormatPcm}, Format{8, 1, kFormatMuLaw}, Format{16, 2, kFormatPcm},
                           Format{24, 1, kFormatPcm}, Format{8, 3, kFormatMuLaw}}) {
        SCOPED_TRACE(std::to_string(f.bits) + " bits, " + std::to_string(f.channels) + " channels, tag " +
                     std::to_string(f.tag));
        TempFolder dir;
        WriteWave(dir.File("in.wav"), SpeechLike(16000 * 30, 16000, f.bits + f.channels), 16000, f.bits,
                  f.channels, f.tag);
        ExpectMatchesReference(dir, dir.File("in.wav"), {});
        auto segment = OpenWaveFile(SegmentFile(dir, 2));
        EXPECT_EQ(segment->bitsPerSample, f.bits);
        EXPECT_EQ(segment->channels, f.channels);
        EXPECT_EQ(segment->formatTag, f.tag);
    }
}

TEST(Segmenter, StereoInputIsSegmentedOnItsMixdown) {
    TempFolder dir;
    // Loud on the left only, then on both: the mixdown halves the left channel.
    test::Bytes data;
    for (int i = 0; i < 16000 * 2; ++i) {
        const int16_t left = (i & 1) ? -1001 : 1001;
        test::PutLe(data, static_cast<uint16_t>(left), 2);
        test::PutLe(data, i < 16000 ? 0 : static_cast<uint16_t>(left), 2);
    }
    test::WriteBytes(dir.File("in.wav"),
                     test::Riff({test::FmtChunk(1, 2, 16000, 16), test::Chunk("data", data)}));
    SegmentationOptions o;
    o.sampleThreshold = 60000; // 500^2 x 0.0754 = 18860 (left only) and 1001^2 x 0.0754 = 75587 (both)
    ExpectMatchesReference(dir, dir.File("in.wav"), o);
    EXPECT_EQ(ReadWave(SegmentFile(dir, 1)).size(), 16000u - 5600u + 8u * 400u + 1u);
}

TEST(Segmenter, ErrorInSegmentationUsesUpANumber) {
    TempFolder dir;
    std::vector<int16_t> x(16000, 0);
    AddLoud(x, 0, 16000);
    SegmentationOptions o;
    o.startThreshold = 0.05f; // one active frame starts speech at P = 0 ...
    o.endThreshold = 1.0f;    // ... and fewer than 14 end it in the same frame
    Recorder r;
    const auto result = Segment(dir, x, o, &r);
    EXPECT_EQ(std::count(r.events.begin(), r.events.end(), "error"), 1);
    EXPECT_FALSE(std::filesystem::exists(SegmentFile(dir, 2)));
    EXPECT_EQ(ReadWave(SegmentFile(dir, 3)).size(), 401u);
    EXPECT_GT(result.segmentCount, 3);
    ExpectMatchesReference(dir, dir.File("in.wav"), o);
}

TEST(Segmenter, ReportsStatusAndClosingStepsInOrder) {
    TempFolder dir;
    std::vector<int16_t> x(16000 * 3, 0);
    AddLoud(x, 16000, 8000);
    WriteWave(dir.File("in.wav"), x, 16000);
    Recorder r;
    const auto result = SegmentRecording(dir.File("in.wav"), dir.Path() + "/", "", {}, r);
    ASSERT_EQ(result.segmentCount, 3);
    EXPECT_TRUE(std::filesystem::exists(dir.File("00002_.wav")));
    EXPECT_EQ(r.statuses, (std::vector<std::string>{"File in process ", "Created File  : 00002_.wav",
                                                    "Created File  : 00003_.wav", ""}));
    EXPECT_EQ(r.counts, (std::vector<int32_t>{1, 2, 3}));
    EXPECT_EQ(r.events, (std::vector<std::string>{"delete 3", "progress 1000", "status empty", "project 3"}));
    EXPECT_EQ(r.progress.front(), 0);
    EXPECT_EQ(result.filesWritten, 3);
    EXPECT_TRUE(result.labelFileWritten);
    EXPECT_FALSE(result.InputEndedEarly());
}

TEST(Segmenter, NoLabelFileWhenSwitchedOff) {
    TempFolder dir;
    SegmentationOptions o;
    o.createLabelFile = false;
    EXPECT_GT(Segment(dir, SpeechLike(16000 * 20, 16000, 7), o).segmentCount, 1);
    EXPECT_FALSE(std::filesystem::exists(dir.File("in.lab")));
}

TEST(Segmenter, InputThatIsNoWaveFile) {
    TempFolder dir;
    std::ofstream(dir.File("in.wav")) << "not a recording";
    Recorder r;
    const auto result = SegmentRecording(dir.File("in.wav"), dir.Path(), "p", {}, r);
    EXPECT_EQ(result.inputStatus, WaveStatus::NotRiff);
    EXPECT_EQ(result.segmentCount, 0);
    EXPECT_EQ(r.events, (std::vector<std::string>{"delete 0", "progress 1000", "status empty", "project 0"}));
    EXPECT_FALSE(std::filesystem::exists(dir.File("in.lab")));
    EXPECT_FALSE(std::filesystem::exists(SegmentFile(dir, 1)));
}

TEST(Segmenter, NeverWritesOverTheInput) {
    TempFolder dir;
    const auto x = SpeechLike(16000 * 20, 16000, 3);
    WriteWave(dir.File("00002_p.wav"), x, 16000);
    std::filesystem::create_symlink(dir.File("00002_p.wav"), dir.File("00002_p.lab"));
    Recorder r;
    const auto result = SegmentRecording(dir.File("00002_p.wav"), dir.Path(), "p", {}, r);
    ASSERT_GE(result.segmentCount, 2);
    EXPECT_EQ(ReadWave(dir.File("00002_p.wav")), x);
    EXPECT_EQ(r.failed.size(), 2u); // the label file and segment 2
    EXPECT_EQ(result.failedFiles, 2);
}
