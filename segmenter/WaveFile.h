// SPDX-License-Identifier: GPL-3.0-or-later
// RIFF/WAVE reading and writing for the segmenter, the waveform view and the
// slow-down engine's output.
//
// A WaveFile hands samples over as one mono track of signed 16-bit values,
// whatever the file's channel count or sample width, and writes files whose
// every channel carries the same mono signal. Failures are never thrown: they
// are a status value in the object, and the factory functions always return an
// object.
//
// Sample positions and counts are signed 64-bit throughout, so block and chunk
// arithmetic never mixes signed and unsigned values.
//
// A WaveFile is used by one thread at a time; objects share nothing.
#pragma once

#include "SafeFile.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace lectorio {

enum class WaveStatus : int32_t {
    NotOpened = 0,         // no file was given (empty path)
    Reading = 1,           // open for reading, positioned in the sample data
    Writing = 2,           // open for writing, header written
    OpenFailed = 4,        // could not be opened or created
    NotRiff = 5,           // does not begin with "RIFF"
    NotWave = 6,           // RIFF form is not "WAVE", or nothing follows the RIFF header
    NoFormatChunk = 7,     // the chunks end before a "fmt " chunk
    UnsupportedFormat = 9, // format tag or sample width not accepted
    NoDataChunk = 10,      // no "data" chunk after "fmt ", or a chunk there overruns the file
    ChunkTooLong = 11,     // a chunk before "fmt " overruns the file
    ReadError = 12,        // a read or seek failed while parsing the header
    WriteError = 13,       // a write or seek failed while writing a header or finishing a file
    Closed = 15,           // closed normally
};

// A short readable reason for a status ("not a RIFF file", ...), for messages.
const char* WaveStatusText(WaveStatus status);

inline constexpr uint16_t kFormatPcm = 1;
inline constexpr uint16_t kFormatMuLaw = 7;
inline constexpr uint16_t kFormatExtensible = 0xFFFE;

class WaveFile {
public:
    WaveFile() = default;
    WaveFile(const WaveFile&) = delete;
    WaveFile& operator=(const WaveFile&) = delete;
    // Closes the file; a file being written gets its header finished.
    virtual ~WaveFile();

    WaveStatus status = WaveStatus::NotOpened;
    std::FILE* stream = nullptr;
    int64_t frameCount = 0; // reading: frames in the data chunk; writing: frames written
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint32_t byteRate = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    int64_t dataStart = 0; // reading: where the samples begin

    // Reads up to `count` frames into `buffer` as mono 16-bit samples (a
    // multichannel frame is the sum of each channel's sample divided by the
    // channel count). Returns the frames delivered, 0 at the end of the data,
    // -1 when the object is not reading.
    int64_t ReadMonoSamples(int16_t* buffer, int64_t count);

    // Writes `count` mono samples as `count` frames (every channel carries the
    // sample). Returns the frames written, -1 when the object is not writing.
    int64_t WriteMonoSamples(const int16_t* buffer, int64_t count);

    // Finishes a written file (both size fields) and closes the stream.
    // Harmless in any other status and when called twice.
    void Close();

private:
    friend std::unique_ptr<WaveFile> OpenWaveStream(std::FILE* stream);
    friend std::unique_ptr<WaveFile> CreateWaveStream(std::FILE*, uint32_t, uint16_t, uint16_t, uint16_t);
    friend std::unique_ptr<WaveFile> CreateWaveFile(const std::string&, uint32_t, uint16_t, uint16_t,
                                                    uint16_t);
    void ParseHeader();
    void Fail(WaveStatus failure);

    int64_t framesConsumed_ = 0;
};

// Opens a file for reading; the result is in Reading or a failure status.
// Anything but a regular file (a FIFO, a device, a folder) is OpenFailed.
std::unique_ptr<WaveFile> OpenWaveFile(const std::string& path);

// Parses an already opened binary stream (for example one from fmemopen) and
// takes ownership of it.
std::unique_ptr<WaveFile> OpenWaveStream(std::FILE* stream);

// Creates a new file (see CreateFreshFile: never through a link) with the
// canonical 44-byte header; the result is in Writing,
// OpenFailed, WriteError, or UnsupportedFormat for a format with no writing path.
std::unique_ptr<WaveFile> CreateWaveFile(const std::string& path, uint32_t sampleRate, uint16_t bitsPerSample,
                                         uint16_t channels, uint16_t formatTag);

// CreateWaveFile on an open binary stream, which the object takes over (a
// null stream gives OpenFailed).
std::unique_ptr<WaveFile> CreateWaveStream(std::FILE* stream, uint32_t sampleRate, uint16_t bitsPerSample,
                                           uint16_t channels, uint16_t formatTag);

// Reads every frame the header announces into `samples`, in blocks so that
// `cancelled` (when given) can stop it soon. Returns false when the file
// ended, failed or was cancelled before that (`samples` holds what was read).
bool ReadAllMonoSamples(WaveFile& wave, std::vector<int16_t>& samples,
                        const std::function<bool()>& cancelled = {});

// The sample format of a file to write.
struct WaveFormat {
    uint32_t sampleRate = 16000;
    uint16_t bitsPerSample = 16;
    uint16_t channels = 1;
    uint16_t formatTag = kFormatPcm;
};

inline WaveFormat FormatOf(const WaveFile& file) {
    return {file.sampleRate, file.bitsPerSample, file.channels, file.formatTag};
}

// A run of mono samples.
struct SampleSpan {
    const int16_t* data = nullptr;
    int64_t count = 0;
};

// Writes a whole file whose length is known: the canonical header with its
// final size fields, then the samples of `pieces` one after the other (every
// channel carries the sample), in one write for files up to a few megabytes.
// The bytes equal those of CreateWaveFile, WriteMonoSamples per piece and
// Close. The file is created afresh (CreateFreshFile): never through a link,
// and never when it is `keep`. Returns Closed, or UnsupportedFormat,
// OpenFailed or WriteError.
WaveStatus WriteWaveFile(const std::string& path, const WaveFormat& format,
                         std::initializer_list<SampleSpan> pieces, const FileIdentity& keep = {});

// ITU-T G.711 mu-law in its common integer form.
uint8_t MuLawCompress(int16_t sample);
int16_t MuLawExpand(uint8_t byte);

// One sample of a stored frame as a 16-bit value: 8-bit unsigned PCM scaled
// up, 16-bit as it is, the upper 16 bits of 24-bit, mu-law expanded.
int16_t DecodeSample(const uint8_t* p, uint16_t formatTag, uint16_t bitsPerSample);

} // namespace lectorio
