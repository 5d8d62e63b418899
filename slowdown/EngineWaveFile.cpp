// SPDX-License-Identifier: GPL-3.0-or-later
#include "EngineWaveFile.h"

#include <vector>

namespace lectorio {

namespace {

uint16_t Le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

} // namespace

uint32_t FourCharacterCode(const char* text) {
    uint32_t code = 0x20202020u;
    for (int i = 0; i < 4 && text[i] != '\0'; ++i) {
        code &= ~(0xFFu << (8 * i));
        code |= static_cast<uint32_t>(static_cast<uint8_t>(text[i])) << (8 * i);
    }
    return code;
}

EngineWaveFile::~EngineWaveFile() {
    Close();
}

int EngineWaveFile::Close() {
    if (stream)
        std::fclose(stream);
    stream = nullptr;
    open = false;
    return kEngineOk;
}

int EngineWaveFile::Refuse() {
    Close();
    return kEngineFormatError;
}

int EngineWaveFile::OpenForReading(const std::string& path) {
    if (path.empty())
        return kEngineWrongState;
    if (open) {
        const int closed = Close();
        if (closed != kEngineOk)
            return closed;
    }
    stream = std::fopen(path.c_str(), "rb");
    if (!stream)
        return kEngineFormatError;
    open = true;

    uint8_t riff[8];
    if (std::fread(riff, 1, sizeof riff, stream) != sizeof riff)
        return Refuse();
    riffCode = Le32(riff);
    riffSize = Le32(riff + 4);

    for (const char expected : {'W', 'A', 'V', 'E'}) {
        const int c = std::fgetc(stream);
        if (c == EOF || c != expected)
            return Refuse();
    }

    uint8_t format[24];
    if (std::fread(format, 1, sizeof format, stream) != sizeof format)
        return Refuse();
    formatCode = Le32(format);
    formatSize = Le32(format + 4);
    formatTag = Le16(format + 8);
    channels = Le16(format + 10);
    sampleRate = Le32(format + 12);
    byteRate = Le32(format + 16);
    blockAlign = Le16(format + 20);
    bitsPerSample = Le16(format + 22);

    if (formatCode != FourCharacterCode("fmt ") || (channels != 1 && channels != 2))
        return Refuse();
    // Unsigned 32-bit arithmetic, as the header fields are stored.
    if (byteRate != sampleRate * bitsPerSample * channels / 8u)
        return Refuse();
    if (blockAlign != static_cast<uint32_t>(bitsPerSample * channels / 8))
        return Refuse();
    // Below 8 bits the bytes per sample would be 0 and the frame count a
    // division by zero.
    if (bitsPerSample < 8)
        return Refuse();

    const long position = std::ftell(stream);
    if (position < 0)
        return Refuse();
    dataHeaderPosition = position;
    uint8_t data[8];
    if (std::fread(data, 1, sizeof data, stream) != sizeof data)
        return Refuse();
    dataCode = Le32(data);
    dataSize = Le32(data + 4);

    const long here = std::ftell(stream);
    if (std::fseek(stream, 0, SEEK_END) != 0)
        return Refuse();
    const long length = std::ftell(stream);
    if (length < 0 || std::fseek(stream, here, SEEK_SET) != 0)
        return Refuse();
    fileLength = static_cast<uint32_t>(length);
    frameCount = dataSize / channels / (bitsPerSample / 8u);
    return kEngineOk;
}

int EngineWaveFile::ReadSamples(int16_t* buffer, int64_t count) {
    if (!open || count < 0)
        return kEngineWrongState;
    std::vector<uint8_t> bytes(static_cast<size_t>(count) * 2);
    const size_t got = std::fread(bytes.data(), 1, bytes.size(), stream);
    for (size_t i = 0; i + 1 < got; i += 2)
        buffer[i / 2] = static_cast<int16_t>(Le16(&bytes[i]));
    return got == bytes.size() ? kEngineOk : kEngineFormatError;
}

} // namespace lectorio
