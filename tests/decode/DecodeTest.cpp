// SPDX-License-Identifier: GPL-3.0-or-later
// Recordings in other formats, made at test time with the ffmpeg program from
// the spoken sample, decoded and segmented.
#include "MediaDecoder.h"
#include "MediaInput.h"
#include "RiffBytes.h"
#include "RunProgram.h"

#include <cmath>

using namespace lectorio;
using namespace lectorio::test;

namespace {

// Runs the ffmpeg program quietly; false when it fails.
bool Ffmpeg(std::vector<std::string> args) {
    args.insert(args.begin(), {"ffmpeg", "-nostdin", "-loglevel", "error", "-y"});
    const auto r = RunProgram(args);
    EXPECT_EQ(r.status, 0) << r.err;
    return r.status == 0;
}

// The correlation of `decoded` with `source`, at the shift within `slack`
// samples (a codec's priming or padding) that fits the middle second best.
double Correlation(const std::vector<int16_t>& decoded, const std::vector<int16_t>& source, int64_t slack) {
    const auto at = [&](int64_t lag, int64_t from, int64_t count) {
        double ab = 0, aa = 0, bb = 0;
        for (int64_t i = std::max(from, -lag);
             i < std::min<int64_t>(from + count, source.size()) && i + lag < int64_t(decoded.size()); ++i) {
            const double x = decoded[size_t(i + lag)], y = source[size_t(i)];
            ab += x * y, aa += x * x, bb += y * y;
        }
        return ab / std::sqrt(aa * bb);
    };
    const int64_t middle = int64_t(source.size()) / 2;
    int64_t best = 0;
    for (int64_t lag = -slack; lag <= slack; ++lag)
        best = at(lag, middle, 8000) > at(best, middle, 8000) ? lag : best;
    return at(best, 0, int64_t(source.size()));
}

// Segments `source` into `folder` as project "p" with its label file there.
SegmentationResult Segment(SampleSource* source, const std::string& folder, const std::string& input) {
    std::filesystem::create_directories(folder);
    SegmentationListener quiet;
    return SegmentSource(source, {folder, "p", input, folder + "/p.lab"}, {}, quiet);
}

} // namespace

TEST(MediaDecoder, FormatsDecodeLikeTheirSourceAndSegmentLikeItsWav) {
    // The file, its rate and channels, ffmpeg's further options, and the frames
    // of priming or padding its codec may add.
    // clang-format off
    const struct Case { const char* name; uint32_t rate; uint16_t channels; std::vector<std::string> encode; int64_t codecFrame; } cases[] = {
        {"t.mp3", 16000, 1, {"-c:a", "libmp3lame", "-b:a", "64k"}, 1152},
        {"t.m4a", 44100, 2, {"-c:a", "aac", "-b:a", "128k"}, 1024},
        {"t.ogg", 22050, 1, {"-c:a", "libvorbis", "-q:a", "6"}, 1024},
        {"t.opus", 48000, 2, {"-c:a", "libopus", "-b:a", "96k"}, 960},
        {"t.flac", 16000, 1, {"-c:a", "flac"}, 0},
        {"t.wma", 44100, 2, {"-c:a", "wmav2", "-b:a", "128k"}, 2048},
        {"float.wav", 16000, 1, {"-c:a", "pcm_f32le"}, 0},
        // The first audio stream of a video file.
        {"t.mkv", 16000, 1, {"-f", "lavfi", "-i", "color=size=32x32:rate=5", "-map", "1:v", "-map", "0:a", "-c:v", "ffv1", "-c:a", "libvorbis", "-shortest"}, 1024}};
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder dir;
        const std::string source = dir.File("source.wav"), media = dir.File(c.name);
        ASSERT_TRUE(Ffmpeg({"-i", LECTORIO_SAMPLE, "-t", "14", "-ar", std::to_string(c.rate), "-ac",
                            std::to_string(c.channels), "-c:a", "pcm_s16le", source}));
        std::vector<std::string> encode{"-i", source};
        encode.insert(encode.end(), c.encode.begin(), c.encode.end());
        encode.push_back(media);
        ASSERT_TRUE(Ffmpeg(encode));

        std::string error;
        auto decoder = MediaDecoder::Open(media, error);
        ASSERT_TRUE(decoder) << error;
        EXPECT_EQ(std::pair(decoder->Format().sampleRate, decoder->Format().channels),
                  std::pair(c.rate, c.channels));
        std::vector<int16_t> interleaved, chunk(4096 * c.channels);
        for (int64_t n; (n = decoder->ReadInterleaved(chunk.data(), 4096)) > 0;)
            interleaved.insert(interleaved.end(), chunk.begin(), chunk.begin() + n * c.channels);
        EXPECT_EQ(decoder->Failure(), "");

        // The same samples as a WAV file (the host is little-endian), and their mono mixdown.
        const auto* bytes = reinterpret_cast<const uint8_t*>(interleaved.data());
        WriteBytes(dir.File("decoded.wav"),
                   Riff({FmtChunk(1, c.channels, c.rate, 16),
                         Chunk("data", Bytes(bytes, bytes + 2 * interleaved.size()))}));
        const auto decoded = ReadWave(dir.File("decoded.wav")), expected = ReadWave(source);
        EXPECT_LE(std::abs(static_cast<int64_t>(decoded.size()) - static_cast<int64_t>(expected.size())),
                  c.codecFrame);
        EXPECT_GT(Correlation(decoded, expected, c.codecFrame), 0.99);

        // Segmenting the media equals segmenting that WAV file, file by file.
        auto wav = OpenWaveFile(dir.File("decoded.wav"));
        WaveFileSource wavSource(*wav);
        const auto fromWav = Segment(&wavSource, dir.File("a"), dir.File("decoded.wav"));
        decoder = MediaDecoder::Open(media, error);
        const auto fromMedia = Segment(decoder.get(), dir.File("b"), media);
        ASSERT_TRUE(fromMedia.segmentCount == fromWav.segmentCount && fromWav.segmentCount > 5);
        for (const auto& entry : std::filesystem::directory_iterator(dir.File("a")))
            EXPECT_EQ(Slurp(entry.path().string()), Slurp(dir.File("b/" + entry.path().filename().string())))
                << entry.path().filename();
    }
}

TEST(MediaDecoder, BadMediaIsRefusedWithFfmpegsReasonAndLeavesNothing) {
    TempFolder dir;
    ASSERT_TRUE(Ffmpeg({"-i", LECTORIO_SAMPLE, "-t", "8", dir.File("t.m4a")}));
    ASSERT_TRUE(Ffmpeg({"-i", LECTORIO_SAMPLE, "-t", "8", dir.File("t.flac")}));
    ASSERT_TRUE(Ffmpeg(
        {"-f", "lavfi", "-i", "color=size=32x32:rate=5", "-t", "1", "-c:v", "ffv1", dir.File("video.mkv")}));
    Touch(dir.File("empty.mp3"));
    Touch(dir.File("notes.mp3"), "Dear diary, this is no recording.\n");
    const std::string m4a = Slurp(dir.File("t.m4a"));
    Touch(dir.File("truncated.m4a"), m4a.substr(0, m4a.size() / 2));
    std::string flac = Slurp(dir.File("t.flac"));
    for (size_t i = flac.size() / 2; i < flac.size() / 2 + 4000; ++i)
        flac[i] = static_cast<char>(i * 7);
    Touch(dir.File("damaged.flac"), flac);

    // The file, "--keep-partial" or not, the status, a text of the message,
    // and whether segment files are left in the output folder.
    // clang-format off
    const struct Case { const char* name; const char* keep; int status; const char* message; bool segments; } cases[] = {
        {"empty.mp3", "", 2, "the file is empty", false},
        {"notes.mp3", "", 2, "FFmpeg cannot decode it: ", false},
        {"truncated.m4a", "", 2, "moov atom not found", false},
        {"video.mkv", "", 2, "no audio stream", false},
        {"damaged.flac", "", 1, "decodes with errors part-way: ", false},
        {"damaged.flac", "--keep-partial", 0, "keeping what was decoded", true}};
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + c.keep);
        const TempFolder out;
        std::vector<std::string> args{"segment", dir.File(c.name), out.Path(), "p"};
        if (*c.keep)
            args.push_back(c.keep);
        const auto r = RunCli(args);
        EXPECT_EQ(std::tuple(r.status, r.err.find(c.message) != std::string::npos, !out.Names().empty(),
                             std::filesystem::exists(dir.File(std::string(c.name) + ".lab"))),
                  std::tuple(c.status, true, c.segments, c.segments))
            << r.err;
    }
}
