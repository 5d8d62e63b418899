// SPDX-License-Identifier: GPL-3.0-or-later
#include "Segmenter.h"
#include "SpeechSignal.h"
#include "TestFiles.h"

#include <algorithm>
#include <array>

using namespace lectorio;
using namespace lectorio::test;

namespace {

// Square wave of +-amplitude: zero mean over any even span.
void AddLoud(std::vector<int16_t>& x, int64_t from, int64_t count, int16_t amplitude = 10000) {
    for (int64_t i = 0; i < count; ++i)
        x[static_cast<size_t>(from + i)] = static_cast<int16_t>((i & 1) ? -amplitude : amplitude);
}

// The options in their declared order: longest segment, start and end
// thresholds, decision window, sample threshold.
using Options = SegmentationOptions;

struct Recorder : SegmentationListener {
    std::vector<int> progress;
    std::vector<std::string> statuses;
    std::vector<std::string> events; // counts, closing steps and errors, in order
    std::vector<std::string> failed;
    int stopAtBlock = 0; // StopRequested answers true on this call (0: never)
    int blocks = 0;
    void OnProgress(int p) override {
        progress.push_back(p);
        if (p == 1000)
            events.push_back("progress 1000");
    }
    void OnStatus(const std::string& t) override { statuses.push_back(t); }
    void OnSegmentationError() override { events.push_back("error"); }
    void OnSegmentCount(int32_t c) override { events.push_back("count " + std::to_string(c)); }
    void OnDeleteStaleFiles(int32_t c) override { events.push_back("delete " + std::to_string(c)); }
    std::string labelPath, labelAtProject; // the label file as the project file is written
    void OnWriteProjectFile(int32_t c) override {
        events.push_back("project " + std::to_string(c));
        labelAtProject = labelPath.empty() ? "" : Slurp(labelPath);
    }
    void OnFileWriteFailed(const std::string& p) override { failed.push_back(p); }
    bool StopRequested() override { return ++blocks == stopAtBlock; }
};

// Segments `x` (written as in.wav in the given format) into project "p" and
// returns the FNV-1a of every file the run wrote, label file included.
uint64_t SegmentAndHash(const TempFolder& dir, const std::vector<int16_t>& x,
                        const SegmentationOptions& options, Recorder& r, uint32_t rate = 16000,
                        uint16_t bits = 16, uint16_t channels = 1, uint16_t tag = kFormatPcm) {
    WriteWave(dir.File("in.wav"), x, rate, bits, channels, tag);
    const auto result = SegmentRecording(dir.File("in.wav"), dir.Path(), "p", options, r);
    EXPECT_TRUE(r.failed.empty());
    EXPECT_EQ(result.filesWritten, static_cast<int32_t>(dir.Names().size()) - 2);
    uint64_t hash = Fnv1a(nullptr, 0); // of the names and contents of the files but the input
    for (const std::string& name : dir.Names()) {
        const std::string bytes = name == "in.wav" ? "" : name + Slurp(dir.File(name));
        hash = Fnv1a(bytes.data(), bytes.size(), hash);
    }
    return hash;
}

} // namespace

TEST(SegmentationLimits, KnownValues) {
    const auto limits = ComputeSegmentationLimits(SegmentationOptions{}, 16000);
    EXPECT_EQ(limits.history, 14);
    EXPECT_EQ(ComputeSegmentationLimits(Options{3, 0.5f, 0.2f, 10}, 16000).startLimit, 5.0f);
    EXPECT_EQ(limits.maxLength, 48000.0f);
    EXPECT_EQ(std::vector<int64_t>(limits.lengthThresholds, limits.lengthThresholds + 9),
              (std::vector<int64_t>{72000, 62399, 45599, 43199, 40800, 38400, 36000, 33599, 31199}));
    EXPECT_EQ(std::vector<float>(limits.multipliers, limits.multipliers + 7),
              (std::vector<float>{2.25f, 2.125f, 2.0f, 1.875f, 1.75f, 1.625f, 1.5f}));
    const std::pair<uint32_t, int64_t> frames[] = {{9999, 200},  {10000, 250}, {14999, 250}, {15000, 400},
                                                   {19999, 400}, {20000, 500}, {29999, 500}, {30000, 1000}};
    for (const auto& [rate, length] : frames)
        EXPECT_EQ(ComputeSegmentationLimits(Options{3, 0.5f, 0.2f, 0}, rate).frameLength, length) << rate;
    EXPECT_EQ(ComputeSegmentationLimits(Options{3, 0.5f, 0.2f, 0}, 8000).history, 1);
}

TEST(LabelFilePath, ReplacesOnlyInTheFileName) {
    // clang-format off
    const std::pair<const char*, const char*> cases[] = {
        {"/a/Talk.WAV", "/a/Talk.lab"}, {"rec.WaV", "rec.lab"}, {"/d/x.wav.d/t.wav", "/d/x.wav.d/t.lab"},
        {"/a/.wav.wav", "/a/.lab.lab"}, {"/a/take.flac", "/a/take.flac.lab"}, {"/a.wav/take", "/a.wav/take.lab"},
        {"/a/gravy", "/a/gravy.lab"}};
    // clang-format on
    for (const auto& [input, label] : cases)
        EXPECT_EQ(LabelFilePath(input), label);
}

// Every threshold of the detector at equality and one step beside it, on
// samples in memory: the cuts (first and last sample of each part) are known.
TEST(Detector, ThresholdsAndLimitsCutExactly) {
    // Energy of a frame of the +-1000 square wave at 16000 Hz.
    const float faint = static_cast<float>((0.07543712854385376 * 4e8) / 400.0);
    using Ranges = std::vector<std::array<int64_t, 2>>;
    struct Case {
        const char* name;
        uint32_t rate;
        int64_t length;
        Ranges loud; // first sample, count: the +-10000 square wave
        SegmentationOptions options;
        Ranges parts; // numbered 1, 2, ... skipping the empty numbers
        std::vector<int32_t> empty = {};
        Ranges faint = {}; // the +-1000 square wave
    };
    // clang-format off
    const Case cases[] = {
        {"start limit 5.0: five active frames", 16000, 48000, {{8000, 2000}}, Options{3, 0.5f, 0.2f, 10}, {{0, 47999}}},
        {"six start, end limit 2.0 holds at two", 16000, 48000, {{8000, 2400}}, Options{3, 0.5f, 0.2f, 10},
         {{0, 6000}, {6000, 13600}, {13600, 47999}}},
        {"energy at the sample threshold is quiet", 16000, 4000, {}, Options{3, 0.0f, 0.5f, 1, faint},
         {{0, 3999}}, {}, {{800, 1200}}},
        {"one step below it is active", 16000, 4000, {}, Options{3, 0.0f, 0.5f, 1, std::nextafter(faint, 0.0f)},
         {{0, 400}, {400, 2000}, {2000, 3999}}, {}, {{800, 1200}}},
        {"also in the frames after the last four", 16000, 4000, {}, Options{3, 0.0f, 0.5f, 1, std::nextafter(faint, 0.0f)}, {{0, 2800}, {2800, 3600}, {3600, 3999}}, {}, {{3200, 400}}},
        {"the sample after the last frame is not in it", 16000, 4000, {}, Options{3, 0.0f, 0.5f, 1, faint},
         {{0, 3999}}, {}, {{3200, 402}}},
        {"a quiet frame at 1.3 maximum lengths is not yet a cut", 16000, 96000, {{0, 62000}, {62400, 33600}}, {},
         {{0, 0}, {0, 72400}, {72400, 72401}, {72401, 95999}}},
        {"one frame later it is", 16000, 96000, {{0, 62400}, {62800, 33200}}, {},
         {{0, 0}, {0, 62400}, {62400, 62401}, {62401, 95999}}},
        {"a frame at the sample threshold is not quiet there", 16000, 96000, {{0, 62400}, {62800, 33200}},
         Options{3, 0.6f, 0.2f, 14, faint}, {{0, 0}, {0, 72400}, {72400, 72401}, {72401, 95999}}, {},
         {{62400, 400}}},
        {"a restart 1,249,800 samples back joins", 8000, 1251000, {{0, 200}, {1250200, 200}},
         Options{1000, 0.0001f, 0.0001f, 6250}, {{0, 0}, {0, 1250000}, {1250000, 1250001}, {1250001, 1250999}}},
        {"1,250,000 samples back does not", 8000, 1251000, {{0, 200}, {1250400, 200}},
         Options{1000, 0.0001f, 0.0001f, 6251}, {{0, 0}, {0, 1250200}, {1250200, 200}, {200, 1250999}}},
        {"a restart at the last end does not either", 16000, 2000, {{0, 400}, {800, 400}}, Options{3, 0.0f, 0.5f, 1},
         {{0, 0}, {0, 400}, {400, 400}, {400, 1200}, {1200, 1999}}},
        {"no samples, no parts", 16000, 0, {}, {}, {}}, {"one sample, one", 16000, 1, {}, {}, {{0, 0}}},
        {"half a frame is a frame", 16000, 200, {{0, 200}}, Options{3, 0.0f, 0.5f, 1}, {{0, 0}, {0, 199}}},
        {"less is none", 16000, 199, {{0, 198}}, Options{3, 0.0f, 0.5f, 1}, {{0, 198}}},
        {"silence forces a start 5,000,000 samples on", 16000, 5100000, {}, {},
         {{0, 5000000}, {5000000, 5000400}, {5000400, 5099999}}},
        {"a part that fills a block ends", 16000, 5100000, {{0, 5100000}}, Options{1000, 0.6f, 0.2f, 14},
         {{0, 0}, {0, 4999600}, {4999600, 5000000}, {5000000, 5099999}}},
        {"an end at its start uses up a number, except at a block start", 16000, 5000400, {{0, 400}, {5000000, 400}},
         Options{3, 0.0f, 2.0f, 1}, {{0, 0}, {0, 400}, {400, 5000000}, {5000000, 5000000}, {5000000, 5000399}}, {2}},
        {"the last frame is filled with zeros, not the block's older samples", 16000, 5000250, {{0, 400}},
         Options{3, 0.0f, 0.5f, 1}, {{0, 0}, {0, 400}, {400, 5000249}}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<int16_t> x(static_cast<size_t>(c.length), 0);
        for (const auto& [from, count] : c.loud)
            AddLoud(x, from, count);
        for (const auto& [from, count] : c.faint)
            AddLoud(x, from, count, 1000);
        const DetectedParts got = DetectParts(x, c.rate, c.options);
        EXPECT_EQ(got.emptyNumbers, c.empty);
        Ranges parts;
        for (const auto& p : got.parts)
            parts.push_back({p.from, p.to});
        EXPECT_EQ(parts, c.parts);
        // The last number counts every part and empty number before it.
        EXPECT_EQ(parts.empty() ? 0 : got.parts.back().number,
                  static_cast<int32_t>(parts.size() + c.empty.size()));
    }
    // A constant is silence however loud: the block's mean is taken away exactly.
    EXPECT_EQ(DetectParts(std::vector<int16_t>(400, 10000), 16000, Options{3, 0, 0.5f, 1, 0}).parts.size(),
              1u);
}

// The files and label lines of whole runs: recordings in every format, and
// speech across the block boundary. The hashes are those of outputs that
// matched a plainly written frame-by-frame detector, file by file.
TEST(Segmenter, FilesAndLabelsOfEveryFormatAreKnown) {
    const struct {
        uint16_t bits, channels, tag;
        uint32_t rate;
        SegmentationOptions options;
        uint64_t hash;
    } cases[] = {
        {16, 1, kFormatPcm, 16000, {}, 6181154427685662079ull},
        {8, 1, kFormatPcm, 8000, Options{1, 0.6f, 0.2f, 14}, 18099631811355994879ull},
        {8, 1, kFormatMuLaw, 44100, Options{3, 0.3f, 0.5f, 5, 300}, 8516679916352878258ull},
        {16, 2, kFormatPcm, 22050, Options{1000, 0.6f, 0.00001f, 14, 100}, 18388519896514592711ull},
        {24, 3, kFormatPcm, 11025, Options{2, 0.2f, 0.6f, 20, 30000}, 18231438026625784782ull},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.bits) + " bits, " + std::to_string(c.channels) + " channels");
        TempFolder dir;
        Recorder r;
        EXPECT_EQ(SegmentAndHash(dir, SpeechLike(c.rate, 30.0, c.rate), c.options, r, c.rate, c.bits,
                                 c.channels, c.tag),
                  c.hash);
        const auto segment = OpenWaveFile(dir.File("00002_p.wav")); // the recording's format
        EXPECT_EQ((std::vector<int>{segment->bitsPerSample, segment->channels, segment->formatTag}),
                  (std::vector<int>{c.bits, c.channels, c.tag}));
    }
    TempFolder dir;
    auto x = SpeechLike(16000, 313.0, 9);
    x.resize(5000001);
    AddLoud(x, 4990000, 10000);
    Recorder r;
    EXPECT_EQ(SegmentAndHash(dir, x, {}, r), 3545851611148996935ull);
    EXPECT_EQ(r.progress.size(), 1001u); // every step from 0 to 1000, once
    // Strictly rising: no neighbours where the first is not below the second.
    EXPECT_EQ(std::adjacent_find(r.progress.begin(), r.progress.end(), std::greater_equal<>()),
              r.progress.end());
    EXPECT_EQ(r.progress.back(), 1000);
}

TEST(Segmenter, LabelLinesForGapsAroundTenMilliseconds) {
    // 200 kHz: frames of 1000 samples, 5 ms. A speech start 15 ms after the
    // last end gets an S line; one at the end itself, or at 10 ms exactly
    // (the first, after an end at 0), none.
    TempFolder dir;
    std::vector<int16_t> x(12000, 0);
    for (int64_t frame : {3, 5, 10})
        AddLoud(x, frame * 1000, 1000);
    Recorder r;
    EXPECT_EQ(SegmentAndHash(dir, x, Options{3, 0.0f, 0.5f, 1}, r, 200000), 7785095619845161612ull);
    EXPECT_EQ(Slurp(dir.File("in.lab")),
              "#\n0.020000 121 V2\n0.030000 121 V4\n0.045000 121 S5\n0.055000 121 V6\n0.060000 121 S7\n");
}

TEST(Segmenter, AnEndAtItsStartUsesUpANumberAndWritesNoFile) {
    TempFolder dir;
    std::vector<int16_t> x(16000, 0);
    AddLoud(x, 0, 400);
    Recorder r;
    SegmentAndHash(dir, x, Options{3, 0.0f, 2.0f, 1}, r);
    EXPECT_EQ(std::count(r.events.begin(), r.events.end(), "error"), 1);
    EXPECT_EQ(dir.Names(),
              (std::vector<std::string>{"00001_p.wav", "00003_p.wav", "00004_p.wav", "in.lab", "in.wav"}));
}
TEST(Segmenter, ReportsStatusCountsAndClosingStepsInOrder) {
    TempFolder dir;
    std::vector<int16_t> x(16000 * 3, 0);
    AddLoud(x, 16000, 8000);
    WriteWave(dir.File("in.wav"), x, 16000);
    Recorder r;
    r.labelPath = dir.File("in.lab");
    const auto result = SegmentRecording(dir.File("in.wav"), dir.Path() + "/", "", {}, r);
    EXPECT_EQ(r.labelAtProject, "#\n0.850000 121 S1\n1.775000 121 V2\n3.000000 121 S3\n"); // closed
    EXPECT_EQ(result.labelPath, r.labelPath);
    EXPECT_EQ(dir.Names(),
              (std::vector<std::string>{"00001_.wav", "00002_.wav", "00003_.wav", "in.lab", "in.wav"}));
    EXPECT_EQ(r.statuses, (std::vector<std::string>{"File in process ", "Created File  : 00002_.wav",
                                                    "Created File  : 00003_.wav", ""}));
    EXPECT_EQ(r.events, (std::vector<std::string>{"count 1", "count 2", "count 3", "delete 3",
                                                  "progress 1000", "project 3"}));
    EXPECT_EQ((std::vector<int64_t>{r.progress.front(), result.segmentCount, result.filesWritten,
                                    result.speechFrames, result.silenceFrames, result.labelFileWritten,
                                    result.InputEndedEarly()}),
              (std::vector<int64_t>{0, 3, 3, 14801, 33201, 1, 0}));

    SegmentationOptions noLabel;
    noLabel.createLabelFile = false;
    std::filesystem::remove(dir.File("in.lab"));
    EXPECT_FALSE(SegmentRecording(dir.File("in.wav"), dir.Path(), "p", noLabel, r).labelFileWritten);
    EXPECT_FALSE(std::filesystem::exists(dir.File("in.lab")));
    // On a full disk the three segments and the label file (failing when it is closed) count as failed.
    EXPECT_EQ(
        WithFileSizeLimit(3, [&] { return SegmentRecording(dir.File("in.wav"), dir.Path(), "q", {}, r); })
            .failedFiles,
        4);
}

TEST(Segmenter, NeverWritesOverTheInput) {
    TempFolder dir;
    const auto x = SpeechLike(16000, 20.0, 3);
    WriteWave(dir.File("00002_p.wav"), x, 16000);
    std::filesystem::create_symlink(dir.File("00002_p.wav"), dir.File("00002_p.lab"));
    Recorder r;
    const auto result = SegmentRecording(dir.File("00002_p.wav"), dir.Path() + "/", "p", {}, r);
    EXPECT_EQ(ReadWave(dir.File("00002_p.wav")), x);
    EXPECT_EQ(r.failed, (std::vector<std::string>{dir.File("00002_p.lab"), dir.File("00002_p.wav")}));
    EXPECT_EQ((std::pair{result.failedFiles, result.speechFrames}), (std::pair{2, int64_t{99607}}));
}

TEST(Segmenter, AStopOrACutInputEndsTheRun) {
    std::vector<int16_t> x(5100000, 0);
    AddLoud(x, 16000, 8000);
    {
        // Stopped before the second block: what the run wrote is removed again.
        TempFolder dir;
        WriteWave(dir.File("in.wav"), x, 16000);
        Touch(dir.File("00000_p.wav")); // not the run's own
        Recorder r;
        r.stopAtBlock = 2;
        const auto result = SegmentRecording(dir.File("in.wav"), dir.Path(), "p", {}, r);
        EXPECT_EQ((std::tuple{result.stopped, result.segmentCount, result.labelPath}),
                  (std::tuple{true, 2, std::string()}));
        EXPECT_EQ(dir.Names(), (std::vector<std::string>{"00000_p.wav", "in.wav"}));
        EXPECT_EQ(r.events, (std::vector<std::string>{"count 1", "count 2", "progress 1000"}));
    }
    TempFolder dir;
    WriteWave(dir.File("in.wav"), x, 16000);
    struct Cutter : Recorder {
        std::string path;
        void OnSegmentCount(int32_t c) override {
            if (c == 1)
                std::filesystem::resize_file(path, 44 + 2 * 5050000);
        }
    } cutter;
    cutter.path = dir.File("in.wav");
    const auto result = SegmentRecording(cutter.path, dir.Path(), "p", {}, cutter);
    EXPECT_EQ((std::vector<int64_t>{result.framesExpected, result.framesRead, result.InputEndedEarly()}),
              (std::vector<int64_t>{5100000, 5050000, 1}));
}
