// SPDX-License-Identifier: GPL-3.0-or-later
#include "WaveFile.h"

#include "SafeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <vector>

namespace lectorio {

namespace {

uint16_t Le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void PutLe16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void PutLe32(uint8_t* p, uint32_t v) {
    PutLe16(p, static_cast<uint16_t>(v));
    PutLe16(p + 2, static_cast<uint16_t>(v >> 16));
}

// True when the file's bytes are the mono 16-bit samples themselves (16-bit
// mono PCM on a little-endian host), so no conversion buffer is needed.
bool IsPlainMono16(uint16_t tag, uint16_t bits, uint16_t channels) {
    return std::endian::native == std::endian::little && tag == kFormatPcm && bits == 16 && channels == 1;
}

// Samples are converted through a buffer of at most this many bytes, so the
// memory a call needs does not grow with the channel count. It holds at least
// five frames: a frame is at most 65535 channels of 3 bytes.
constexpr int64_t kConversionBytes = 1 << 20;

bool ReadExact(std::FILE* f, void* buffer, size_t n) {
    return std::fread(buffer, 1, n, f) == n;
}

bool Skip(std::FILE* f, int64_t n) {
    return n == 0 || fseeko(f, static_cast<off_t>(n), SEEK_CUR) == 0;
}

// The sub-format GUID of WAVE_FORMAT_EXTENSIBLE after its first two bytes
// (which carry the plain format tag).
constexpr uint8_t kGuidTail[] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

bool HasReadingPath(uint16_t tag, uint16_t bits) {
    if (tag == kFormatPcm)
        return bits == 8 || bits == 16 || bits == 24;
    return tag == kFormatMuLaw && bits == 8;
}

// Byte rate and block align of a format, or false when they do not fit the
// 32- and 16-bit header fields.
bool ComputeRates(uint16_t bits, uint16_t channels, uint32_t rate, uint32_t& byteRate, uint16_t& blockAlign) {
    const uint64_t frameBits = static_cast<uint64_t>(bits) * channels;
    const uint64_t align = frameBits / 8;
    const uint64_t perSecond = frameBits * rate / 8;
    if (align == 0 || align > std::numeric_limits<uint16_t>::max() ||
        perSecond > std::numeric_limits<uint32_t>::max())
        return false;
    byteRate = static_cast<uint32_t>(perSecond);
    blockAlign = static_cast<uint16_t>(align);
    return true;
}

// The canonical 44-byte header of a file with `dataBytes` bytes of samples
// (sizes beyond 32 bits saturate). The tags go in last, over the fields beside
// them, so that a tag copied one byte too long cannot pass unseen.
void PutHeader(uint8_t* h, const WaveFormat& format, uint32_t byteRate, uint16_t blockAlign,
               int64_t dataBytes) {
    constexpr int64_t kMax = std::numeric_limits<uint32_t>::max();
    PutLe32(h + 4, static_cast<uint32_t>(std::min(36 + dataBytes, kMax)));
    PutLe32(h + 16, 16);
    PutLe16(h + 20, format.formatTag);
    PutLe16(h + 22, format.channels);
    PutLe32(h + 24, format.sampleRate);
    PutLe32(h + 28, byteRate);
    PutLe16(h + 32, blockAlign);
    PutLe16(h + 34, format.bitsPerSample);
    PutLe32(h + 40, static_cast<uint32_t>(std::min(dataBytes, kMax)));
    std::memcpy(h, "RIFF", 4);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    std::memcpy(h + 36, "data", 4);
}

void EncodeSample(uint8_t* p, int16_t s, uint16_t tag, uint16_t bits) {
    if (tag == kFormatMuLaw) {
        p[0] = MuLawCompress(s);
        return;
    }
    switch (bits) {
    case 8:
        p[0] = static_cast<uint8_t>((s >> 8) + 128);
        break;
    case 16:
        PutLe16(p, static_cast<uint16_t>(s));
        break;
    default: {
        const uint32_t v = static_cast<uint32_t>(static_cast<int32_t>(s) * 256);
        p[0] = static_cast<uint8_t>(v);
        p[1] = static_cast<uint8_t>(v >> 8);
        p[2] = static_cast<uint8_t>(v >> 16);
        break;
    }
    }
}

} // namespace

int16_t DecodeSample(const uint8_t* p, uint16_t tag, uint16_t bits) {
    if (tag == kFormatMuLaw)
        return MuLawExpand(p[0]);
    switch (bits) {
    case 8:
        return static_cast<int16_t>((p[0] - 128) * 256);
    case 16:
        return static_cast<int16_t>(Le16(p));
    default:
        // The top 16 bits of the signed 24-bit value (its low byte is dropped).
        return static_cast<int16_t>(Le16(p + 1));
    }
}

const char* WaveStatusText(WaveStatus status) {
    switch (status) {
    case WaveStatus::NotOpened:
        return "no file name was given";
    case WaveStatus::Reading:
        return "open for reading";
    case WaveStatus::Writing:
        return "open for writing";
    case WaveStatus::OpenFailed:
        return "the file cannot be opened";
    case WaveStatus::NotRiff:
        return "not a RIFF file";
    case WaveStatus::NotWave:
        return "not a WAVE file";
    case WaveStatus::NoFormatChunk:
        return "no format chunk";
    case WaveStatus::UnsupportedFormat:
        return "unsupported sample format (PCM of 8, 16 or 24 bits and 8-bit mu-law are read)";
    case WaveStatus::NoDataChunk:
        return "no data chunk";
    case WaveStatus::ChunkTooLong:
        return "a chunk is longer than the file";
    case WaveStatus::ReadError:
        return "the file cannot be read (truncated header)";
    case WaveStatus::WriteError:
        return "the file cannot be written";
    case WaveStatus::Closed:
        return "closed";
    }
    return "unknown status";
}

uint8_t MuLawCompress(int16_t sample) {
    int magnitude = sample;
    int sign = 0;
    if (magnitude < 0) {
        magnitude = -magnitude; // 32768 for -32768
        sign = 1;
    }
    magnitude = std::min(magnitude, 32635) + 132;
    int segment = 0;
    for (int q = magnitude / 128; q > 1; q >>= 1)
        ++segment;
    const int mantissa = (magnitude >> (segment + 3)) & 0x0F;
    return static_cast<uint8_t>(~(sign * 128 + segment * 16 + mantissa));
}

int16_t MuLawExpand(uint8_t byte) {
    const int b = static_cast<uint8_t>(~byte);
    const int segment = (b >> 4) & 0x07;
    const int mantissa = b & 0x0F;
    const int value = (mantissa << (segment + 3)) + 132 * ((1 << segment) - 1);
    return static_cast<int16_t>((b & 0x80) ? -value : value);
}

WaveFile::~WaveFile() {
    Close();
}

void WaveFile::Fail(WaveStatus failure) {
    status = failure;
    if (stream) {
        std::fclose(stream);
        stream = nullptr;
    }
    frameCount = 0;
}

std::unique_ptr<WaveFile> OpenWaveFile(const std::string& path) {
    if (path.empty())
        return std::make_unique<WaveFile>();
    // A FIFO, a device or a folder is no recording: refused without blocking.
    return OpenWaveStream(StreamOf(OpenRegularForReading(path), "rb"));
}

std::unique_ptr<WaveFile> OpenWaveStream(std::FILE* f) {
    auto w = std::make_unique<WaveFile>();
    if (!f) {
        w->status = WaveStatus::OpenFailed;
        return w;
    }
    w->stream = f;
    w->ParseHeader();
    return w;
}

void WaveFile::ParseHeader() {
    std::array<uint8_t, 8> head;
    if (!ReadExact(stream, head.data(), head.size()))
        return Fail(WaveStatus::ReadError);
    if (std::memcmp(head.data(), "RIFF", 4) != 0)
        return Fail(WaveStatus::NotRiff);

    // The RIFF size field is often wrong: the file's real length counts.
    if (fseeko(stream, 0, SEEK_END) != 0)
        return Fail(WaveStatus::ReadError);
    // A file cut meanwhile below 12 bytes (or an ftello that fails) leaves
    // no room for "WAVE" and is taken for no WAVE file.
    const int64_t length = ftello(stream);
    if (fseeko(stream, 8, SEEK_SET) != 0)
        return Fail(WaveStatus::ReadError);
    int64_t remaining = length - 8;

    std::array<uint8_t, 8> chunk;
    if (remaining < 4 || !ReadExact(stream, chunk.data(), 4) || std::memcmp(chunk.data(), "WAVE", 4) != 0)
        return Fail(WaveStatus::NotWave);
    remaining -= 4;

    // Format search. Chunk sizes are unsigned; an odd-sized chunk is followed
    // by a pad byte.
    uint32_t fmtSize = 0;
    for (;;) {
        if (remaining < 8)
            return Fail(WaveStatus::NoFormatChunk);
        if (!ReadExact(stream, chunk.data(), chunk.size()))
            return Fail(WaveStatus::ReadError);
        remaining -= 8;
        const int64_t size = Le32(chunk.data() + 4);
        if (remaining < size)
            return Fail(WaveStatus::ChunkTooLong);
        if (std::memcmp(chunk.data(), "fmt ", 4) == 0) {
            fmtSize = static_cast<uint32_t>(size);
            break;
        }
        // Chunks are padded to an even length. Without its pad byte, the
        // chunk was the last one anyway: `remaining` is -1 and the search ends.
        const int64_t skip = size + (size & 1);
        if (!Skip(stream, skip))
            return Fail(WaveStatus::ReadError);
        remaining -= skip;
    }

    // Format fields, each only while the chunk still holds its width.
    std::vector<uint8_t> body(std::min<uint32_t>(fmtSize, 40));
    if (!ReadExact(stream, body.data(), body.size()))
        return Fail(WaveStatus::ReadError);
    const size_t have = body.size();
    if (have >= 2)
        formatTag = Le16(&body[0]);
    if (have >= 4)
        channels = Le16(&body[2]);
    if (have >= 8)
        sampleRate = Le32(&body[4]);
    // Bytes 8 to 13, the byte rate and block align, are computed instead.
    if (have >= 16)
        bitsPerSample = Le16(&body[14]);
    const int64_t fmtRest = static_cast<int64_t>(fmtSize) - static_cast<int64_t>(have);
    const int64_t fmtSkip = fmtRest + (fmtSize & 1);
    if (!Skip(stream, fmtSkip))
        return Fail(WaveStatus::ReadError);
    remaining -= static_cast<int64_t>(have) + fmtSkip;

    // WAVE_FORMAT_EXTENSIBLE with a PCM or mu-law sub-format reads as the plain tag.
    if (formatTag == kFormatExtensible) {
        if (have < 40 || std::memcmp(&body[26], kGuidTail, sizeof kGuidTail) != 0)
            return Fail(WaveStatus::UnsupportedFormat);
        formatTag = Le16(&body[24]);
    }

    // Validation; byte rate and block align are always recomputed.
    if (formatTag != kFormatPcm && formatTag != kFormatMuLaw)
        return Fail(WaveStatus::UnsupportedFormat);
    if (channels == 0)
        channels = 1;
    if (sampleRate == 0)
        sampleRate = 16000;
    if (bitsPerSample == 0)
        bitsPerSample = formatTag == kFormatMuLaw ? 8 : 16;
    if (!HasReadingPath(formatTag, bitsPerSample))
        return Fail(WaveStatus::UnsupportedFormat);
    if (!ComputeRates(bitsPerSample, channels, sampleRate, byteRate, blockAlign))
        return Fail(WaveStatus::UnsupportedFormat);

    // Data search.
    while (remaining >= 8) {
        if (!ReadExact(stream, chunk.data(), chunk.size()))
            return Fail(WaveStatus::ReadError);
        remaining -= 8;
        int64_t size = Le32(chunk.data() + 4);
        if (std::memcmp(chunk.data(), "data", 4) == 0) {
            size = std::min(size, remaining);
            frameCount = size / blockAlign;
            dataStart = length - remaining; // every byte before it was read or skipped
            framesConsumed_ = 0;
            status = WaveStatus::Reading;
            return;
        }
        if (size > remaining)
            return Fail(WaveStatus::NoDataChunk);
        // A last chunk without its pad byte leaves `remaining` at -1: the search ends.
        const int64_t skip = size + (size & 1);
        if (!Skip(stream, skip))
            return Fail(WaveStatus::ReadError);
        remaining -= skip;
    }
    Fail(WaveStatus::NoDataChunk);
}

int64_t WaveFile::ReadMonoSamples(int16_t* buffer, int64_t count) {
    if (status != WaveStatus::Reading || !HasReadingPath(formatTag, bitsPerSample))
        return -1;
    const int64_t frames = std::min(count, frameCount - framesConsumed_);
    if (frames < 1)
        return 0;
    // 16-bit mono PCM is stored as the caller wants it on a little-endian
    // host: it is read straight into the caller's buffer.
    if (IsPlainMono16(formatTag, bitsPerSample, channels)) {
        const size_t got = std::fread(buffer, 1, static_cast<size_t>(frames) * 2, stream);
        // A short read ends the stream (its end-of-file mark stays set), so
        // an odd byte at a cut is dropped as the conversion path drops a
        // partial frame.
        const int64_t delivered = static_cast<int64_t>(got / 2);
        framesConsumed_ += delivered;
        return delivered;
    }
    const size_t bytesPerSample = blockAlign / channels;
    const int64_t chunk = std::min(frames, kConversionBytes / blockAlign);
    std::unique_ptr<uint8_t[]> conversion(new uint8_t[static_cast<size_t>(chunk) * blockAlign]);
    const int ch = channels;
    int64_t delivered = 0;
    while (delivered < frames) {
        const int64_t wanted = std::min(chunk, frames - delivered);
        const size_t got = std::fread(conversion.get(), 1, static_cast<size_t>(wanted) * blockAlign, stream);
        const int64_t n = static_cast<int64_t>(got / blockAlign);
        const uint8_t* p = conversion.get();
        int16_t* out = buffer + delivered;
        // Each channel's sample divided by the channel count, truncated
        // toward zero, and added up from 0. Mono and stereo get loops of
        // their own: a division by a constant is far cheaper.
        if (ch == 1) {
            for (int64_t i = 0; i < n; ++i, p += bytesPerSample)
                out[i] = DecodeSample(p, formatTag, bitsPerSample);
        } else if (ch == 2 && formatTag == kFormatPcm && bitsPerSample == 16) {
            for (int64_t i = 0; i < n; ++i, p += 4)
                out[i] = static_cast<int16_t>(static_cast<int16_t>(Le16(p)) / 2 +
                                              static_cast<int16_t>(Le16(p + 2)) / 2);
        } else if (ch == 2) {
            for (int64_t i = 0; i < n; ++i, p += 2 * bytesPerSample)
                out[i] = static_cast<int16_t>(DecodeSample(p, formatTag, bitsPerSample) / 2 +
                                              DecodeSample(p + bytesPerSample, formatTag, bitsPerSample) / 2);
        } else {
            for (int64_t i = 0; i < n; ++i) {
                int32_t sum = 0;
                for (int c = 0; c < ch; ++c, p += bytesPerSample)
                    sum += DecodeSample(p, formatTag, bitsPerSample) / ch;
                out[i] = static_cast<int16_t>(sum);
            }
        }
        delivered += n;
        if (n < wanted)
            break; // the end of the stream, which stays marked: a partial frame is dropped
    }
    framesConsumed_ += delivered;
    return delivered;
}

int64_t WaveFile::WriteMonoSamples(const int16_t* buffer, int64_t count) {
    if (status != WaveStatus::Writing)
        return -1;
    count = std::max<int64_t>(count, 0);
    int64_t frames = 0;
    if (IsPlainMono16(formatTag, bitsPerSample, channels)) {
        frames = static_cast<int64_t>(std::fwrite(buffer, 2, static_cast<size_t>(count), stream));
    } else {
        const size_t bytesPerSample = blockAlign / channels;
        const int64_t chunk = std::min(count, kConversionBytes / blockAlign);
        std::unique_ptr<uint8_t[]> conversion(new uint8_t[static_cast<size_t>(chunk) * blockAlign]);
        while (frames < count) {
            const int64_t n = std::min(chunk, count - frames);
            uint8_t* p = conversion.get();
            for (int64_t i = frames; i < frames + n; ++i)
                for (int c = 0; c < channels; ++c, p += bytesPerSample)
                    EncodeSample(p, buffer[i], formatTag, bitsPerSample);
            const size_t written =
                std::fwrite(conversion.get(), 1, static_cast<size_t>(n) * blockAlign, stream);
            frames += static_cast<int64_t>(written / blockAlign);
            if (written != static_cast<size_t>(n) * blockAlign)
                break;
        }
    }
    frameCount += frames;
    return frames;
}

bool ReadAllMonoSamples(WaveFile& wave, std::vector<int16_t>& samples,
                        const std::function<bool()>& cancelled) {
    samples.assign(static_cast<size_t>(std::max<int64_t>(wave.frameCount, 0)), 0);
    // In pieces, so that a cancel is seen between them, until the reader
    // gives nothing more: at the end it is asked for none.
    int64_t got = 0;
    while (!(cancelled && cancelled())) {
        const int64_t r = wave.ReadMonoSamples(
            samples.data() + got, std::min(kConversionBytes, static_cast<int64_t>(samples.size()) - got));
        if (r <= 0)
            break;
        got += r;
    }
    const bool complete = got == static_cast<int64_t>(samples.size());
    samples.resize(static_cast<size_t>(got));
    return complete;
}

std::unique_ptr<WaveFile> CreateWaveFile(const std::string& path, uint32_t sampleRate, uint16_t bitsPerSample,
                                         uint16_t channels, uint16_t formatTag) {
    uint32_t byteRate; // only whether they fit matters here
    uint16_t blockAlign;
    const bool writable = HasReadingPath(formatTag, bitsPerSample) && channels != 0 &&
                          ComputeRates(bitsPerSample, channels, sampleRate, byteRate, blockAlign);
    // Never through a link, never into the inode of another name.
    std::FILE* f = writable ? StreamOf(CreateFreshFile(path), "wb") : nullptr;
    return CreateWaveStream(f, sampleRate, bitsPerSample, channels, formatTag);
}

std::unique_ptr<WaveFile> CreateWaveStream(std::FILE* stream, uint32_t sampleRate, uint16_t bitsPerSample,
                                           uint16_t channels, uint16_t formatTag) {
    auto w = std::make_unique<WaveFile>();
    w->formatTag = formatTag;
    w->channels = channels;
    w->sampleRate = sampleRate;
    w->bitsPerSample = bitsPerSample;
    if (!HasReadingPath(formatTag, bitsPerSample) || channels == 0 ||
        !ComputeRates(bitsPerSample, channels, sampleRate, w->byteRate, w->blockAlign)) {
        w->status = WaveStatus::UnsupportedFormat;
        if (stream)
            std::fclose(stream);
        return w;
    }
    w->stream = stream;
    if (!w->stream) {
        w->status = WaveStatus::OpenFailed;
        return w;
    }
    std::array<uint8_t, 44> h; // with no data yet: Close writes the sizes
    PutHeader(h.data(), {sampleRate, bitsPerSample, channels, formatTag}, w->byteRate, w->blockAlign, 0);
    if (std::fwrite(h.data(), 1, h.size(), w->stream) != h.size()) {
        w->Fail(WaveStatus::WriteError);
        return w;
    }
    w->status = WaveStatus::Writing;
    return w;
}

void WaveFile::Close() {
    if (status == WaveStatus::Reading) {
        std::fclose(stream);
        stream = nullptr;
        status = WaveStatus::Closed;
        return;
    }
    if (status != WaveStatus::Writing)
        return;
    // The header again, now with the sizes of the data written.
    std::array<uint8_t, 44> h;
    PutHeader(h.data(), {sampleRate, bitsPerSample, channels, formatTag}, byteRate, blockAlign,
              frameCount * blockAlign);
    bool ok = fseeko(stream, 0, SEEK_SET) == 0 && std::fwrite(h.data(), 1, h.size(), stream) == h.size();
    // A full disk shows up at the latest when the buffered data is flushed.
    ok = (std::fclose(stream) == 0) && ok;
    stream = nullptr;
    status = ok ? WaveStatus::Closed : WaveStatus::WriteError;
}

WaveStatus WriteWaveFile(const std::string& path, const WaveFormat& format,
                         std::initializer_list<SampleSpan> pieces, const FileIdentity& keep) {
    uint32_t byteRate; // both set when the format fits
    uint16_t blockAlign;
    if (!HasReadingPath(format.formatTag, format.bitsPerSample) || format.channels == 0 ||
        !ComputeRates(format.bitsPerSample, format.channels, format.sampleRate, byteRate, blockAlign))
        return WaveStatus::UnsupportedFormat;
    int64_t frames = 0;
    for (const SampleSpan& piece : pieces)
        frames += std::max<int64_t>(piece.count, 0);
    const int64_t dataBytes = frames * blockAlign;

    // Header and samples share one buffer of the conversion size; a part
    // larger than the buffer goes out in several writes, its header still
    // final.
    const int64_t bufferBytes = std::min<int64_t>(44 + dataBytes, kConversionBytes);
    std::vector<uint8_t> buffer(static_cast<size_t>(std::max<int64_t>(bufferBytes, 44 + blockAlign)));
    PutHeader(buffer.data(), format, byteRate, blockAlign, dataBytes);

    // Never through a planted link, never into the inode of another name (an
    // empty path names no file to create).
    const int fd = CreateFreshFile(path, keep);
    if (fd < 0)
        return WaveStatus::OpenFailed;
    bool ok = true;
    size_t used = 44;
    auto flush = [&] {
        ok = ok && WriteAll(fd, {reinterpret_cast<const char*>(buffer.data()), used});
        used = 0;
    };
    const size_t bytesPerSample = blockAlign / format.channels;
    const bool plain = IsPlainMono16(format.formatTag, format.bitsPerSample, format.channels);
    for (const SampleSpan& piece : pieces) {
        for (int64_t i = 0; ok && plain && i < piece.count;) {
            if (used == buffer.size())
                flush();
            const int64_t n =
                std::min<int64_t>(piece.count - i, static_cast<int64_t>((buffer.size() - used) / 2));
            std::memcpy(buffer.data() + used, piece.data + i, static_cast<size_t>(n) * 2);
            used += static_cast<size_t>(n) * 2;
            i += n;
        }
        for (int64_t i = 0; ok && !plain && i < piece.count;) {
            if (used + blockAlign > buffer.size())
                flush();
            const int64_t n =
                std::min<int64_t>(piece.count - i, static_cast<int64_t>((buffer.size() - used) / blockAlign));
            uint8_t* p = buffer.data() + used;
            const bool pcm16 = format.formatTag == kFormatPcm && format.bitsPerSample == 16;
            // Every channel carries the same bytes: encoded once, then copied.
            // Two channels, the usual stereo, in a loop of their own: with the
            // channel count fixed, and the bytes known not to overlap the
            // samples, the compiler stores many frames at a time.
            if (pcm16 && format.channels == 2) {
                uint8_t* __restrict out = p;
                const int16_t* __restrict in = piece.data + i;
                for (int64_t k = 0; k < n; ++k) {
                    const uint16_t v = static_cast<uint16_t>(in[k]);
                    PutLe16(out + 4 * k, v);
                    PutLe16(out + 4 * k + 2, v);
                }
            }
            for (int64_t k = i; pcm16 && format.channels != 2 && k < i + n; ++k) {
                for (int c = 0; c < format.channels; ++c, p += 2)
                    PutLe16(p, static_cast<uint16_t>(piece.data[k]));
            }
            for (int64_t k = i; !pcm16 && k < i + n; ++k, p += blockAlign) {
                EncodeSample(p, piece.data[k], format.formatTag, format.bitsPerSample);
                for (int c = 1; c < format.channels; ++c)
                    std::memcpy(p + c * bytesPerSample, p, bytesPerSample);
            }
            used += static_cast<size_t>(n) * blockAlign;
            i += n;
        }
    }
    flush();
    ok = (::close(fd) == 0) && ok;
    return ok ? WaveStatus::Closed : WaveStatus::WriteError;
}

} // namespace lectorio
