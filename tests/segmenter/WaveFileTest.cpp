// SPDX-License-Identifier: GPL-3.0-or-later
#include "WaveFile.h"

#include "RiffBytes.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

using namespace lectorio;
using namespace lectorio::test;

namespace {

std::unique_ptr<WaveFile> FromBytes(const Bytes& bytes) {
    std::FILE* f = fmemopen(const_cast<uint8_t*>(bytes.data()), bytes.size(), "rb");
    return OpenWaveStream(f);
}

std::vector<int16_t> ReadAll(WaveFile& w) {
    std::vector<int16_t> out(static_cast<size_t>(w.frameCount) + 8);
    const int64_t n = w.ReadMonoSamples(out.data(), static_cast<int64_t>(out.size()));
    out.resize(n < 0 ? 0 : static_cast<size_t>(n));
    return out;
}

} // namespace

TEST(WaveFileRead, ConversionsOfEveryAcceptedFormat) {
    // 8-bit PCM: 0x80 -> 0, 0xFF -> 32512, 0x00 -> -32768.
    auto w8 = FromBytes(Riff({FmtChunk(1, 1, 8000, 8), Chunk("data", {0x80, 0xFF, 0x00})}));
    ASSERT_EQ(w8->status, WaveStatus::Reading);
    EXPECT_EQ(ReadAll(*w8), (std::vector<int16_t>{0, 32512, -32768}));

    // mu-law: 0xFF -> 0, 0x00 -> -32124.
    auto wu = FromBytes(Riff({FmtChunk(7, 1, 8000, 8), Chunk("data", {0xFF, 0x00})}));
    ASSERT_EQ(wu->status, WaveStatus::Reading);
    EXPECT_EQ(ReadAll(*wu), (std::vector<int16_t>{0, -32124}));

    // Stereo 16-bit: left 1001, right -3 -> 500 + (-1) = 499.
    auto ws = FromBytes(Riff({FmtChunk(1, 2, 16000, 16), Chunk("data", Words({1001, -3}))}));
    ASSERT_EQ(ws->status, WaveStatus::Reading);
    EXPECT_EQ(ReadAll(*ws), (std::vector<int16_t>{499}));

    // 24-bit: the signed 24-bit value shifted right by 8.
    auto w24 =
        FromBytes(Riff({FmtChunk(1, 1, 48000, 24), Chunk("data", {0x00, 0x80, 0xFF, 0xFF, 0xFF, 0x7F})}));
    ASSERT_EQ(w24->status, WaveStatus::Reading);
    EXPECT_EQ(ReadAll(*w24), (std::vector<int16_t>{-128, 32767}));
}

TEST(WaveFileRead, MuLawRoundTripIsStable) {
    for (int b = 0; b < 256; ++b) {
        const int16_t s = MuLawExpand(static_cast<uint8_t>(b));
        // 0x7F and 0xFF both mean zero; every other code survives the round trip.
        if (b != 0x7F) {
            EXPECT_EQ(MuLawCompress(s), b) << b;
        }
    }
    EXPECT_EQ(MuLawCompress(-32768), MuLawCompress(-32767));
}

TEST(WaveFileRead, ChunkWalking) {
    const Bytes data = Chunk("data", {1, 0, 2, 0});
    // Odd-sized list chunk with its pad byte before and after "fmt ", an
    // 18-byte format chunk, and a wrong RIFF size.
    auto w = FromBytes(
        Riff({Chunk("LIST", {1, 2, 3}), FmtChunk(1, 1, 16000, 16, 2), Chunk("junk", {9}), data}, 1000));
    ASSERT_EQ(w->status, WaveStatus::Reading);
    EXPECT_EQ(w->frameCount, 2);
    EXPECT_EQ(ReadAll(*w), (std::vector<int16_t>{1, 2}));

    // A data chunk longer than the file covers only the bytes present.
    Bytes longData = Chunk("data", {5, 0, 6, 0, 7}, false);
    longData[4] = 0xE8; // 1000 bytes
    longData[5] = 0x03;
    auto wl = FromBytes(Riff({FmtChunk(1, 1, 16000, 16), longData}));
    ASSERT_EQ(wl->status, WaveStatus::Reading);
    EXPECT_EQ(wl->frameCount, 2);

    // A chunk size above 2^31 before "fmt " is too long, never a backward seek.
    Bytes huge;
    PutTag(huge, "LIST");
    PutLe(huge, 0x90000000u, 4);
    EXPECT_EQ(FromBytes(Riff({huge, FmtChunk(1, 1, 16000, 16), data}))->status, WaveStatus::ChunkTooLong);
}

TEST(WaveFileRead, MalformedHeadersGiveTheirStatus) {
    const Bytes data = Chunk("data", {0, 0});
    EXPECT_EQ(FromBytes({'R', 'I'})->status, WaveStatus::ReadError);
    Bytes notRiff = Riff({FmtChunk(1, 1, 8000, 16), data});
    notRiff[0] = 'X';
    EXPECT_EQ(FromBytes(notRiff)->status, WaveStatus::NotRiff);
    EXPECT_EQ(FromBytes({'R', 'I', 'F', 'F', 0, 0, 0, 0})->status, WaveStatus::NotWave);
    Bytes notWave = Riff({FmtChunk(1, 1, 8000, 16), data});
    notWave[8] = 'A';
    EXPECT_EQ(FromBytes(notWave)->status, WaveStatus::NotWave);
    EXPECT_EQ(FromBytes(Riff({data}))->status, WaveStatus::NoFormatChunk);
    EXPECT_EQ(FromBytes(Riff({FmtChunk(1, 1, 8000, 16)}))->status, WaveStatus::NoDataChunk);
    EXPECT_EQ(FromBytes(Riff({FmtChunk(3, 1, 8000, 32), data}))->status, WaveStatus::UnsupportedFormat);
    EXPECT_EQ(FromBytes(Riff({FmtChunk(1, 1, 8000, 12), data}))->status, WaveStatus::UnsupportedFormat);
    EXPECT_EQ(FromBytes(Riff({FmtChunk(7, 1, 8000, 16), data}))->status, WaveStatus::UnsupportedFormat);
    // Block align beyond 16 bits: 24-bit samples on 65535 channels.
    EXPECT_EQ(FromBytes(Riff({FmtChunk(1, 65535, 8000, 24), data}))->status, WaveStatus::UnsupportedFormat);

    auto failed = FromBytes(Riff({FmtChunk(3, 1, 8000, 32), data}));
    int16_t sample = 0;
    EXPECT_EQ(failed->frameCount, 0);
    EXPECT_EQ(failed->ReadMonoSamples(&sample, 1), -1);
    EXPECT_EQ(failed->stream, nullptr);
}

TEST(WaveFileRead, ZeroFieldsGetDefaults) {
    auto w = FromBytes(Riff({FmtChunk(1, 0, 0, 0), Chunk("data", {1, 0})}));
    ASSERT_EQ(w->status, WaveStatus::Reading);
    EXPECT_EQ(w->channels, 1);
    EXPECT_EQ(w->sampleRate, 16000u);
    EXPECT_EQ(w->bitsPerSample, 16);
    EXPECT_EQ(w->blockAlign, 2);
}

TEST(WaveFileRead, ExtensiblePcmReadsAsPlainPcm) {
    // 22 extension bytes: their size, the valid bits, the channel mask and
    // the PCM sub-format's GUID.
    Bytes fmt = FmtChunk(0xFFFE, 1, 44100, 24, 24);
    const uint8_t extension[24] = {22, 0, 24,   0, 4,    0, 0, 0,    1, 0,    0,    0,
                                   0,  0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
    std::copy(extension, extension + 24, fmt.end() - 24);
    auto w = FromBytes(Riff({fmt, Chunk("data", {0, 0, 0x40})}));
    ASSERT_EQ(w->status, WaveStatus::Reading);
    EXPECT_EQ(w->formatTag, kFormatPcm);
    EXPECT_EQ(ReadAll(*w), (std::vector<int16_t>{0x4000}));

    fmt[fmt.size() - 1] = 0; // another sub-format
    EXPECT_EQ(FromBytes(Riff({fmt, Chunk("data", {0, 0, 0x40})}))->status, WaveStatus::UnsupportedFormat);
}

TEST(WaveFileWrite, CanonicalHeaderAndSizes) {
    TempFolder folder;
    const std::string path = folder.File("stereo.wav");
    {
        auto w = CreateWaveFile(path, 16000, 16, 2, kFormatPcm);
        ASSERT_EQ(w->status, WaveStatus::Writing);
        std::vector<int16_t> samples(1000, 7);
        EXPECT_EQ(w->WriteMonoSamples(samples.data(), 1000), 1000);
        // The destructor finishes the header.
    }
    const Bytes bytes = ReadBytes(path);
    ASSERT_EQ(bytes.size(), 44u + 4000u);
    EXPECT_EQ(std::memcmp(bytes.data(), "RIFF", 4), 0);
    EXPECT_EQ(bytes[4] | bytes[5] << 8, 4036);
    EXPECT_EQ(std::memcmp(bytes.data() + 8, "WAVEfmt ", 8), 0);
    EXPECT_EQ(bytes[40] | bytes[41] << 8, 4000);
}

TEST(WaveFileWrite, EveryFormatRoundTrips) {
    struct Case {
        uint16_t tag, bits, channels;
    };
    const std::vector<int16_t> samples = {0, 256, -256, 32512, -32768, 1200, -5000};
    TempFolder folder;
    for (const Case c : {Case{1, 16, 1}, Case{1, 8, 1}, Case{1, 24, 2}, Case{7, 8, 1}, Case{1, 16, 3}}) {
        const std::string path = folder.File("roundtrip.wav");
        auto w = CreateWaveFile(path, 22050, c.bits, c.channels, c.tag);
        ASSERT_EQ(w->status, WaveStatus::Writing);
        EXPECT_EQ(w->WriteMonoSamples(samples.data(), static_cast<int64_t>(samples.size())), 7);
        w->Close();
        EXPECT_EQ(w->status, WaveStatus::Closed);
        w->Close();
        EXPECT_EQ(w->status, WaveStatus::Closed);

        auto r = OpenWaveFile(path);
        ASSERT_EQ(r->status, WaveStatus::Reading);
        EXPECT_EQ(r->frameCount, 7);
        const auto back = ReadAll(*r);
        ASSERT_EQ(back.size(), samples.size());
        for (size_t i = 0; i < samples.size(); ++i) {
            int16_t expected = samples[i];
            if (c.tag == kFormatMuLaw)
                expected = MuLawExpand(MuLawCompress(samples[i]));
            else if (c.bits == 8)
                expected = static_cast<int16_t>((samples[i] >> 8) * 256);
            else if (c.channels == 3)
                expected = static_cast<int16_t>(3 * (samples[i] / 3));
            EXPECT_EQ(back[i], expected) << "tag " << c.tag << " bits " << c.bits << " sample " << i;
        }
    }
}

TEST(WaveFileOpen, PathsThatAreNoRecordings) {
    EXPECT_EQ(OpenWaveFile("")->status, WaveStatus::NotOpened);
    TempFolder folder;
    EXPECT_EQ(OpenWaveFile(folder.File("does-not-exist.wav"))->status, WaveStatus::OpenFailed);
    EXPECT_EQ(OpenWaveFile(std::filesystem::temp_directory_path().string())->status, WaveStatus::OpenFailed);
    EXPECT_EQ(CreateWaveFile("/nonexistent-folder/x.wav", 8000, 16, 1, 1)->status, WaveStatus::OpenFailed);
}

TEST(WaveFileRead, ManyChannelsGoThroughBoundedPiecesAndACutFileIsNoticed) {
    TempFolder folder;
    const std::string path = folder.File("wide.wav");
    // 24-bit, 3 channels: 9 bytes a frame, so 300000 frames take several
    // conversion pieces each way. Multiples of 3 survive the channel mix.
    std::vector<int16_t> x(300000);
    for (size_t i = 0; i < x.size(); ++i)
        x[i] = static_cast<int16_t>(static_cast<int>(i * 3 % 30000) - 15000);
    ASSERT_TRUE(WriteWave(path, x, 8000, 24, 3));
    std::vector<int16_t> back;
    EXPECT_TRUE(ReadAllMonoSamples(*OpenWaveFile(path), back));
    EXPECT_EQ(back, x);

    auto cut = OpenWaveFile(path);
    std::filesystem::resize_file(path, 44 + 9 * 1000 + 5);
    EXPECT_FALSE(ReadAllMonoSamples(*cut, back));
    EXPECT_EQ(back, std::vector<int16_t>(x.begin(), x.begin() + 1000));
}
