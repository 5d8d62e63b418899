// SPDX-License-Identifier: GPL-3.0-or-later
// The slow-down engine's own small RIFF/WAVE header reader.
//
// It accepts only the canonical 44-byte layout (a 16-byte format chunk with
// the data chunk header right behind it) and checks it with a few consistency
// rules; it makes no search for chunks. Samples are handed out raw, as 16-bit
// little-endian words, whatever the channel count or sample width. The pitch
// analysis takes its decoded samples from WaveFile instead and keeps this
// reader for its header checks and result codes.
//
// Every operation that can fail returns a result code (kEngineOk,
// kEngineFormatError, kEngineWrongState). An object is used by one thread.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace lectorio {

inline constexpr int kEngineOk = 0;
inline constexpr int kEngineFormatError = 3; // input/output or format error
inline constexpr int kEngineWrongState = 4;  // wrong state or missing argument

// A four-character code: four blanks, then the characters of `text` (at most
// four) stored from the lowest byte upwards. "fmt" gives the code of "fmt ".
uint32_t FourCharacterCode(const char* text);

class EngineWaveFile {
public:
    EngineWaveFile() = default;
    EngineWaveFile(const EngineWaveFile&) = delete;
    EngineWaveFile& operator=(const EngineWaveFile&) = delete;
    ~EngineWaveFile();

    // Closes a file still open, then opens `path` and checks its header:
    // "WAVE", a "fmt " chunk code, 1 or 2 channels, byte rate and block align
    // consistent with the sample rate, width and channels, and at least 8
    // bits per sample. Returns kEngineWrongState for an empty path and
    // kEngineFormatError for any failure; a failed open leaves the object
    // closed, with the fields read so far kept.
    int OpenForReading(const std::string& path);

    // Reads count 16-bit little-endian words in one block. kEngineFormatError
    // when fewer could be read, kEngineWrongState when no file is open.
    int ReadSamples(int16_t* buffer, int64_t count);

    // Closes an open file; harmless when closed. Always kEngineOk.
    int Close();

    uint32_t FrameCount() const { return frameCount; }
    uint32_t SampleRate() const { return sampleRate; }
    uint16_t Channels() const { return channels; }
    uint16_t BitsPerSample() const { return bitsPerSample; }
    bool IsOpen() const { return open; }

    // The header as read; the defaults are what a caller sees when no file
    // could be opened (44100 Hz and 0 frames).
    uint32_t riffCode = FourCharacterCode("RIFF");
    uint32_t riffSize = 0;
    bool open = false;
    std::FILE* stream = nullptr;
    uint32_t fileLength = 0;
    uint32_t frameCount = 0;
    uint32_t formatCode = FourCharacterCode("fmt ");
    uint32_t formatSize = 16;
    uint16_t formatTag = 1;
    uint16_t channels = 2;
    uint32_t sampleRate = 44100;
    uint32_t byteRate = 176400;
    uint16_t blockAlign = 4;
    uint16_t bitsPerSample = 16;
    uint32_t dataCode = FourCharacterCode("data");
    uint32_t dataSize = 0;
    int64_t dataHeaderPosition = 0;

private:
    int Refuse();
};

} // namespace lectorio
