// SPDX-License-Identifier: GPL-3.0-or-later
#include "EngineWaveFile.h"

#include "RiffBytes.h"
#include "TestSupport.h"

using namespace lectorio;
using lectorio::testing::TempFolder;
using lectorio::testing::WriteBytes;

namespace {

using test::Bytes;
using test::Chunk;
using test::Format;
using test::Words;

Bytes Canonical(const Format& f, const Bytes& payload, const char* data = "data", const char* form = "WAVE") {
    return test::Riff({test::FmtChunk(f), Chunk(data, payload)}, 0, form);
}

int Open(const TempFolder& folder, const std::vector<uint8_t>& bytes, EngineWaveFile& file) {
    const std::string path = folder.File("in.wav");
    WriteBytes(path, bytes);
    return file.OpenForReading(path);
}

} // namespace

TEST(EngineWaveFile, CanonicalMonoFileOpens) {
    TempFolder folder;
    EngineWaveFile file;
    ASSERT_EQ(Open(folder, Canonical({}, Words({1, -2, 3, 32767, -32768})), file), kEngineOk);
    EXPECT_EQ(file.FrameCount(), 5u);
    EXPECT_EQ(file.SampleRate(), 16000u);
    EXPECT_EQ(file.dataHeaderPosition, 36);
    EXPECT_EQ(file.fileLength, 54u);
    int16_t samples[5];
    ASSERT_EQ(file.ReadSamples(samples, 5), kEngineOk);
    EXPECT_EQ(samples[3], 32767);
    EXPECT_EQ(samples[4], -32768);
    EXPECT_EQ(file.ReadSamples(samples, 1), kEngineFormatError); // past the end
    EXPECT_EQ(file.Close(), kEngineOk);
    EXPECT_EQ(file.Close(), kEngineOk);
    EXPECT_EQ(file.ReadSamples(samples, 1), kEngineWrongState);
}

TEST(EngineWaveFile, StereoFileHandsOutTheInterleavedFirstHalf) {
    TempFolder folder;
    EngineWaveFile file;
    Format stereo;
    stereo.channels = 2;
    ASSERT_EQ(Open(folder, Canonical(stereo, Words({10, 20, 30, 40, 50, 60, 70, 80})), file), kEngineOk);
    ASSERT_EQ(file.FrameCount(), 4u);
    int16_t samples[4];
    ASSERT_EQ(file.ReadSamples(samples, 4), kEngineOk);
    EXPECT_EQ(samples[0], 10);
    EXPECT_EQ(samples[1], 20);
    EXPECT_EQ(samples[3], 40);
}

TEST(EngineWaveFile, HeadersAreCheckedOnlyWhereTheReaderDependsOnThem) {
    TempFolder folder;
    const auto payload = Words({1, 2, 3, 4});
    Format byteRate, blockAlign, threeChannels, fourBits, noFormat, floatTag;
    byteRate.byteRateError = 1;
    blockAlign.blockAlignError = 1;
    threeChannels.channels = 3;
    // Consistent numbers, but 4 bits per sample would make the frame count a
    // division by zero.
    fourBits.bits = 4;
    noFormat.name = "junk";
    floatTag.tag = 3;
    const struct {
        const char* name;
        Bytes bytes;
        int expected;
    } cases[] = {
        {"byte rate", Canonical(byteRate, payload), kEngineFormatError},
        {"block align", Canonical(blockAlign, payload), kEngineFormatError},
        {"three channels", Canonical(threeChannels, payload), kEngineFormatError},
        {"four bits", Canonical(fourBits, payload), kEngineFormatError},
        {"no format chunk", Canonical(noFormat, payload), kEngineFormatError},
        {"not WAVE", Canonical({}, payload, "data", "WAVF"), kEngineFormatError},
        // Neither the format tag nor the data chunk's name is looked at.
        {"float tag", Canonical(floatTag, payload), kEngineOk},
        {"other data name", Canonical({}, payload, "junk"), kEngineOk},
    };
    for (const auto& c : cases) {
        EngineWaveFile file;
        EXPECT_EQ(Open(folder, c.bytes, file), c.expected) << c.name;
        EXPECT_EQ(file.IsOpen(), c.expected == kEngineOk) << c.name;
        EXPECT_EQ(file.FrameCount(), c.expected == kEngineOk ? 4u : 0u) << c.name;
    }
}

TEST(EngineWaveFile, MissingShortAndUnnamedFiles) {
    TempFolder folder;
    EngineWaveFile file;
    EXPECT_EQ(file.OpenForReading(""), kEngineWrongState);
    EXPECT_EQ(file.OpenForReading(folder.File("absent.wav")), kEngineFormatError);
    // What the analysis sees when nothing could be opened.
    EXPECT_EQ(file.SampleRate(), 44100u);
    EXPECT_EQ(file.FrameCount(), 0u);
    EXPECT_EQ(Open(folder, {'R', 'I', 'F', 'F', 0}, file), kEngineFormatError);
    EXPECT_FALSE(file.IsOpen());
    // A header cut inside the data chunk header.
    auto cut = Canonical({}, {});
    cut.resize(40);
    EXPECT_EQ(Open(folder, cut, file), kEngineFormatError);
    EXPECT_EQ(file.SampleRate(), 16000u); // the format block was read
}
