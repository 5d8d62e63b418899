#include "EngineWaveFile.h"

#include "TestSupport.h"

using namespace lectorio;
using lectorio::testing::TempFolder;
using lectorio::testing::WriteBytes;

namespace {

struct Header {
    const char* form = "WAVE";
    const char* format = "fmt ";
    uint16_t tag = 1;
    uint16_t channels = 1;
    uint32_t rate = 16000;
    uint16_t bits = 16;
    int32_t byteRateError = 0;
    int32_t blockAlignError = 0;
    const char* data = "data";
};

void PutTag(std::vector<uint8_t>& b, const char* tag) {
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<uint8_t>(tag[i]));
}

void Put(std::vector<uint8_t>& b, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

std::vector<uint8_t> Canonical(const Header& h, const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> b;
    PutTag(b, "RIFF");
    Put(b, static_cast<uint32_t>(36 + payload.size()), 4);
    PutTag(b, h.form);
    PutTag(b, h.format);
    Put(b, 16, 4);
    Put(b, h.tag, 2);
    Put(b, h.channels, 2);
    Put(b, h.rate, 4);
    Put(b, h.rate * h.bits * h.channels / 8 + h.byteRateError, 4);
    Put(b, h.bits * h.channels / 8 + h.blockAlignError, 2);
    Put(b, h.bits, 2);
    PutTag(b, h.data);
    Put(b, static_cast<uint32_t>(payload.size()), 4);
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
}

std::vector<uint8_t> Words(std::initializer_list<int16_t> values) {
    std::vector<uint8_t> b;
    for (int16_t v : values)
        Put(b, static_cast<uint16_t>(v), 2);
    return b;
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
    Header h;
    h.channels = 2;
    ASSERT_EQ(Open(folder, Canonical(h, Words({10, 20, 30, 40, 50, 60, 70, 80})), file), kEngineOk);
    ASSERT_EQ(file.FrameCount(), 4u);
    int16_t samples[4];
    ASSERT_EQ(file.ReadSamples(samples, 4), kEngineOk);
    EXPECT_EQ(samples[0], 10);
    EXPECT_EQ(samples[1], 20);
    EXPECT_EQ(samples[3], 40);
}

TEST(EngineWaveFile, InconsistentHeadersAreRefusedWithFormatError) {
    TempFolder folder;
    const auto payload = Words({1, 2, 3, 4});
    Header byteRate;
    byteRate.byteRateError = 1;
    Header blockAlign;
    blockAlign.blockAlignError = 1;
    Header threeChannels;
    threeChannels.channels = 3;
    Header notWave;
    notWave.form = "WAVF";
    Header noFormat;
    noFormat.format = "junk";
    // Consistent numbers, but 4 bits per sample would make the frame count a
    // division by zero.
    Header fourBits;
    fourBits.bits = 4;
    for (const Header& h : {byteRate, blockAlign, threeChannels, notWave, noFormat, fourBits}) {
        EngineWaveFile file;
        EXPECT_EQ(Open(folder, Canonical(h, payload), file), kEngineFormatError)
            << h.channels << " " << h.bits << " " << h.form << " " << h.format;
        EXPECT_FALSE(file.IsOpen());
        EXPECT_EQ(file.FrameCount(), 0u);
    }
}

TEST(EngineWaveFile, UncheckedFieldsAreAccepted) {
    TempFolder folder;
    Header floatTag;
    floatTag.tag = 3;
    Header otherData;
    otherData.data = "junk";
    for (const Header& h : {floatTag, otherData}) {
        EngineWaveFile file;
        EXPECT_EQ(Open(folder, Canonical(h, Words({1, 2, 3})), file), kEngineOk);
        EXPECT_EQ(file.FrameCount(), 3u);
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
