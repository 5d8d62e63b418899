// SPDX-License-Identifier: GPL-3.0-or-later
#include "WaveFile.h"

#include "RiffBytes.h"
#include "TestFiles.h"

#include <cstdio>
#include <filesystem>
#include <set>

using namespace lectorio;
using namespace lectorio::test;

namespace {

std::unique_ptr<WaveFile> FromBytes(const Bytes& bytes) {
    std::FILE* f = fmemopen(const_cast<uint8_t*>(bytes.data()), bytes.size(), "rb");
    return OpenWaveStream(f);
}

// Every sample of the file, or {-1} when they cannot all be read.
std::vector<int16_t> ReadAll(WaveFile& w) {
    std::vector<int16_t> out;
    return ReadAllMonoSamples(w, out) ? out : std::vector<int16_t>{-1};
}

} // namespace

TEST(WaveFileRead, EveryAcceptedFormatReadsKnownValues) {
    // WAVE_FORMAT_EXTENSIBLE: the extension's size, the valid bits, the
    // channel mask and the PCM sub-format's GUID.
    Bytes extensible = FmtChunk(0xFFFE, 1, 44100, 24, 24);
    const uint8_t extension[24] = {22, 0, 24,   0, 4,    0, 0, 0,    1, 0,    0,    0,
                                   0,  0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
    std::copy(extension, extension + 24, extensible.end() - 24);
    // clang-format off
    const struct { Bytes fmt, data; std::vector<int16_t> samples; uint32_t rate; uint16_t blockAlign; } cases[] = {
        {FmtChunk(1, 1, 0x01020304, 8), {0x80, 0xFF, 0x00}, {0, 32512, -32768}, 0x01020304, 1},
        {FmtChunk(7, 1, 8000, 8), {0xFF, 0x00}, {0, -32124}, 8000, 1},
        {FmtChunk(1, 2, 16000, 16), {0xE9, 0x03, 0xFD, 0xFF}, {499}, 16000, 4}, // 1001 / 2 + (-3) / 2
        {FmtChunk(1, 1, 48000, 24), {0x80, 0x80, 0xFF, 0xFF, 0xFF, 0x7F}, {-128, 32767}, 48000, 3},
        {FmtChunk(1, 0, 0, 0), {1, 0}, {1}, 16000, 2}, // zero fields: mono 16-bit at 16000 Hz
        {Chunk("fmt ", {7, 0, 1, 0, 0x40, 0x1F, 0, 0}), {0x80}, {32124}, 8000, 1}, // mu-law of no width: 8 bits
        {Chunk("fmt ", {7, 0, 1, 0, 0x40, 0x1F, 0, 0, 0, 0, 0, 0, 1, 0, 16}), {0x80}, {32124}, 8000, 1}, // nor here
        {Chunk("fmt ", {1, 0}), {}, {}, 16000, 2}, // the tag alone, and a data chunk that ends the file
        {Chunk("fmt ", {1, 0, 2, 0}), {2, 0, 4, 0}, {3}, 16000, 4}, // and the channels
        {extensible, {0, 0, 0x40}, {0x4000}, 44100, 3},
    };
    // clang-format on
    for (const auto& c : cases) {
        auto w = FromBytes(Riff({c.fmt, Chunk("data", c.data)}));
        EXPECT_EQ((std::vector<int64_t>{int(w->status), w->formatTag, w->sampleRate, w->blockAlign}),
                  (std::vector<int64_t>{int(WaveStatus::Reading), c.fmt[8] == 7 ? kFormatMuLaw : kFormatPcm,
                                        c.rate, c.blockAlign}));
        EXPECT_EQ(ReadAll(*w), c.samples);
    }
    extensible[extensible.size() - 1] = 0; // another sub-format
    EXPECT_EQ(FromBytes(Riff({extensible, Chunk("data", {0, 0, 0x40})}))->status,
              WaveStatus::UnsupportedFormat);
}

TEST(WaveFileRead, MuLawKnownValues) {
    // G.711 mu-law: a sample, its code and what that code expands to; the
    // clipping at 32635 and the segment edges included.
    const std::tuple<int16_t, uint8_t, int16_t> codes[] = {
        {0, 0xFF, 0},         {-1, 0x7F, 0},        {8, 0xFE, 8},         {-8, 0x7E, -8},
        {123, 0xF0, 120},     {124, 0xEF, 132},     {-124, 0x6F, -132},   {1200, 0xCB, 1180},
        {32634, 0x80, 32124}, {32635, 0x80, 32124}, {32767, 0x80, 32124}, {-32768, 0x00, -32124}};
    for (const auto& [sample, code, back] : codes)
        EXPECT_EQ((std::pair{int{MuLawCompress(sample)}, int{MuLawExpand(code)}}),
                  (std::pair{int{code}, int{back}}))
            << sample;
    // Every code comes back from its expansion, but the second code of 0.
    for (int b = 0; b < 256; ++b)
        EXPECT_EQ(MuLawCompress(MuLawExpand(static_cast<uint8_t>(b))), b == 0x7F ? 0xFF : b) << b;
}

TEST(WaveFileRead, ChunkWalking) {
    const Bytes data = Chunk("data", {1, 0, 2, 0});
    // Odd-sized chunks with their pad bytes: before and after "fmt " (named
    // like the chunks sought but for the last letter) and "fmt " itself, of
    // 17 bytes; a wrong RIFF size. Reads stop at the data's end, before the chunk after it.
    auto w = FromBytes(Riff({Chunk("fmtx", {1, 2, 3, 4, 5}), FmtChunk(1, 1, 16000, 16, 1), Chunk("datx", {9}),
                             data, Chunk("LIST", {3, 0})},
                            1000));
    EXPECT_EQ(std::pair(w->frameCount, w->dataStart), std::pair(int64_t{2}, int64_t{70}));
    int16_t read[4] = {};
    EXPECT_EQ(w->ReadMonoSamples(read, 1) + w->ReadMonoSamples(read + 1, 3), 2);
    EXPECT_EQ(std::vector<int16_t>(read, read + 4), (std::vector<int16_t>{1, 2, 0, 0}));

    // A data chunk longer than the file covers only the bytes present.
    Bytes longData = Chunk("data", {5, 0, 6, 0, 7}, false);
    longData[4] = 0xE8, longData[5] = 0x03; // 1000 bytes
    EXPECT_EQ(FromBytes(Riff({FmtChunk(1, 1, 16000, 16), longData}))->frameCount, 2);

    // A chunk size above 2^31 before "fmt " is too long, never a backward seek.
    Bytes huge;
    PutTag(huge, "LIST");
    PutLe(huge, 0x90000000u, 4);
    EXPECT_EQ(FromBytes(Riff({huge, FmtChunk(1, 1, 16000, 16), data}))->status, WaveStatus::ChunkTooLong);
}

TEST(WaveFileRead, MalformedHeadersGiveTheirStatusAndText) {
    const Bytes data = Chunk("data", {0, 0});
    Bytes notRiff = Riff({FmtChunk(1, 1, 8000, 16), data});
    notRiff[0] = 'X';
    Bytes notWave = Riff({FmtChunk(1, 1, 8000, 16), data});
    notWave[8] = 'A';
    Bytes tooLong = Chunk("LIST", {1, 2});
    tooLong[4] = 3;
    const struct {
        Bytes bytes;
        WaveStatus status;
        const char* text;
    } cases[] = {
        {{'R', 'I', 'F', 'F', 0, 0, 0}, WaveStatus::ReadError, "the file cannot be read (truncated header)"},
        {notRiff, WaveStatus::NotRiff, "not a RIFF file"},
        {{'R', 'I', 'F', 'F', 0, 0, 0, 0}, WaveStatus::NotWave, "not a WAVE file"},
        {notWave, WaveStatus::NotWave, "not a WAVE file"},
        {Riff({data}), WaveStatus::NoFormatChunk, "no format chunk"},
        {Riff({Chunk("LIST", {1, 2}), Chunk("junk", {})}), WaveStatus::NoFormatChunk, "no format chunk"},
        {Riff({Chunk("LIST", {1, 2})}), WaveStatus::NoFormatChunk, nullptr},
        {Riff({Bytes(7, 0)}), WaveStatus::NoFormatChunk, nullptr}, // 7 bytes hold no chunk header
        {Riff({Chunk("fmt ", {})}), WaveStatus::UnsupportedFormat, nullptr},
        {Riff({FmtChunk(1, 1, 8000, 16), Bytes(7, 0)}), WaveStatus::NoDataChunk, "no data chunk"},
        {Riff({FmtChunk(1, 1, 8000, 16), tooLong}), WaveStatus::NoDataChunk, "no data chunk"},
        {Riff({tooLong}), WaveStatus::ChunkTooLong, "a chunk is longer than the file"},
        {Riff({FmtChunk(3, 1, 8000, 32), data}), WaveStatus::UnsupportedFormat,
         "unsupported sample format (PCM of 8, 16 or 24 bits and 8-bit mu-law are read)"},
        {Riff({FmtChunk(7, 1, 8000, 16), data}), WaveStatus::UnsupportedFormat, nullptr},
        // Block align beyond 16 bits: 24-bit samples on 65535 channels.
        {Riff({FmtChunk(1, 65535, 8000, 24), data}), WaveStatus::UnsupportedFormat, nullptr},
    };
    for (const auto& c : cases) {
        auto w = FromBytes(c.bytes);
        EXPECT_EQ(w->status, c.status) << WaveStatusText(c.status);
        int16_t sample = 0;
        EXPECT_EQ((std::tuple{w->frameCount, w->ReadMonoSamples(&sample, 1), w->stream}),
                  (std::tuple<int64_t, int64_t, std::FILE*>{0, -1, nullptr}));
        EXPECT_STREQ(WaveStatusText(c.status), c.text ? c.text : WaveStatusText(c.status));
    }
    // Every status has its own text; a value that is none has the fallback.
    std::set<std::string> seen;
    for (int32_t code = 0; code <= 16; ++code)
        seen.insert(WaveStatusText(static_cast<WaveStatus>(code)));
    EXPECT_EQ(seen.size(), 14u);
}

TEST(WaveFileWrite, EveryFormatReadsBackItsKnownValues) {
    const std::vector<int16_t> samples = {0, 256, -256, 32512, -32768, 1200, -5000};
    // clang-format off
    const struct { uint16_t tag, bits, channels; std::vector<int16_t> back; } cases[] = {
        {1, 16, 1, samples}, {1, 24, 2, samples}, {1, 8, 1, {0, 256, -256, 32512, -32768, 1024, -5120}},
        {7, 8, 1, {0, 260, -260, 32124, -32124, 1180, -5116}}, {1, 16, 3, {0, 255, -255, 32511, -32766, 1200, -4998}}};
    // clang-format on
    TempFolder folder;
    for (const auto& c : cases) {
        const std::string path = folder.File("roundtrip.wav");
        auto w = CreateWaveFile(path, 22050, c.bits, c.channels, c.tag);
        ASSERT_EQ(w->status, WaveStatus::Writing);
        EXPECT_EQ(w->WriteMonoSamples(samples.data(), -1) + w->WriteMonoSamples(samples.data(), 7), 7);
        w->Close(); // and again when it is destroyed, which changes nothing
        EXPECT_EQ(w->status, WaveStatus::Closed);
        // A whole file written at once has the same bytes.
        const WaveFormat format{22050, c.bits, c.channels, c.tag};
        EXPECT_EQ(
            WriteWaveFile(folder.File("once.wav"), format, {{samples.data(), 3}, {samples.data() + 3, 4}}),
            WaveStatus::Closed);
        const Bytes bytes = ReadBytes(path);
        EXPECT_EQ(ReadBytes(folder.File("once.wav")), bytes);
        // The canonical 44-byte header, its sizes those of the data written.
        ASSERT_EQ(bytes.size(), 44u + 7u * c.bits / 8 * c.channels);
        EXPECT_EQ(Riff({FmtChunk(c.tag, c.channels, 22050, c.bits),
                        Chunk("data", Bytes(bytes.begin() + 44, bytes.end()), false)}),
                  bytes);
        auto r = OpenWaveFile(path);
        // A reader and a closed writer take no samples.
        EXPECT_EQ(r->WriteMonoSamples(samples.data(), 1) + w->WriteMonoSamples(samples.data(), 1), -2);
        EXPECT_EQ(ReadAll(*r), c.back) << "tag " << c.tag << " bits " << c.bits << " channels " << c.channels;
        r->Close(); // gives the descriptor back at once: a session opens thousands of segments
        EXPECT_FALSE(r->stream || w->stream);
    }
}

TEST(WaveFileOpen, PathsThatAreNoRecordings) {
    EXPECT_EQ(OpenWaveFile("")->status, WaveStatus::NotOpened);
    TempFolder folder;
    EXPECT_EQ(OpenWaveFile(folder.File("does-not-exist.wav"))->status, WaveStatus::OpenFailed);
    EXPECT_EQ(OpenWaveFile(std::filesystem::temp_directory_path().string())->status, WaveStatus::OpenFailed);
    EXPECT_EQ(CreateWaveFile("/nonexistent-folder/x.wav", 8000, 16, 1, 1)->status, WaveStatus::OpenFailed);
    EXPECT_EQ(CreateWaveFile("", 8000, 16, 1, 1)->status, WaveStatus::OpenFailed);
    EXPECT_EQ(CreateWaveFile(folder.File("x.wav"), 8000, 12, 1, 1)->status, WaveStatus::UnsupportedFormat);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{});
    // A byte rate fills its 32-bit field at most: 2^32 - 1 bytes a second is the last that fits.
    EXPECT_EQ(std::pair(CreateWaveStream(std::tmpfile(), 4294967295u, 8, 1, 1)->status,
                        CreateWaveStream(std::tmpfile(), 2147483648u, 16, 1, 1)->status),
              std::pair(WaveStatus::Writing, WaveStatus::UnsupportedFormat));
}

TEST(WaveFileRead, LargeFilesGoThroughBoundedPiecesAndACutFileIsNoticed) {
    TempFolder folder;
    const std::string path = folder.File("wide.wav");
    // Beyond the writers' 4 MB and the reader's 1 MB buffers. Multiples of 3
    // survive the mix of 3 channels.
    std::vector<int16_t> x(2200000);
    for (size_t i = 0; i < x.size(); ++i)
        x[i] = static_cast<int16_t>(static_cast<int>(i * 3 % 30000) - 15000);
    for (const uint16_t channels : {1, 3}) {
        const auto bits = static_cast<uint16_t>(channels == 1 ? 16 : 24);
        ASSERT_TRUE(WriteWave(path, x, 8000, bits, channels));
        EXPECT_EQ(
            WriteWaveFile(folder.File("once.wav"), {8000, bits, channels, kFormatPcm}, {{x.data(), 2200000}}),
            WaveStatus::Closed);
        EXPECT_EQ(ReadBytes(folder.File("once.wav")), ReadBytes(path));
        std::vector<int16_t> back;
        EXPECT_TRUE(ReadAllMonoSamples(*OpenWaveFile(path), back) && back == x);
    }
    auto cut = OpenWaveFile(path);
    std::filesystem::resize_file(path, 44 + 9 * 1000 + 5);
    std::vector<int16_t> back;
    EXPECT_TRUE(!ReadAllMonoSamples(*cut, back) && back == std::vector<int16_t>(x.begin(), x.begin() + 1000));
}
