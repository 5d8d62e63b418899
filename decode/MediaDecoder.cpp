// SPDX-License-Identifier: GPL-3.0-or-later
#include "MediaDecoder.h"

#include "SafeFile.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/mem.h>
#include <libswresample/swresample.h>
}

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>

namespace lectorio {

namespace {

// The sample rates a segment file can carry sensibly.
constexpr int kMaxSampleRate = 768000;
// Decoding errors in a row after which a stream counts as unreadable.
constexpr int kMaxErrorsInARow = 100;

// FFmpeg's last error message on this thread: it often says more than the
// error code ("moov atom not found" rather than "Invalid data found").
thread_local std::string tLastLog;

void CaptureLog(void* context, int level, const char* format, va_list args) {
    if (level > AV_LOG_ERROR)
        return;
    char line[512];
    int prefix = 0;
    av_log_format_line2(context, level, format, args, line, sizeof line, &prefix);
    std::string text = line;
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    // "[mov,mp4,m4a,3gp,3g2,mj2 @ 0x55...] moov atom not found": the message alone.
    if (const size_t close = text.find("] "); !text.empty() && text[0] == '[' && close != std::string::npos)
        text.erase(0, close + 2);
    if (!text.empty())
        tLastLog = text;
}

std::string Reason(int error) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    std::string reason = text;
    if (!tLastLog.empty() && tLastLog != reason)
        reason = tLastLog + " (" + reason + ")";
    tLastLog.clear();
    return reason;
}

// Where the container's bytes come from.
class ByteInput {
public:
    virtual ~ByteInput() = default;
    virtual int Read(uint8_t* buffer, int size) = 0;
    virtual int64_t Seek(int64_t offset, int whence) = 0;
};

class FileInput : public ByteInput {
public:
    explicit FileInput(int fd) : fd_(fd) {}
    ~FileInput() override { ::close(fd_); }
    int Read(uint8_t* buffer, int size) override {
        for (;;) {
            const ssize_t n = ::read(fd_, buffer, static_cast<size_t>(size));
            if (n > 0)
                return static_cast<int>(n);
            if (n == 0)
                return AVERROR_EOF;
            if (errno != EINTR)
                return AVERROR(errno);
        }
    }
    int64_t Seek(int64_t offset, int whence) override {
        if (whence == AVSEEK_SIZE) {
            struct stat st {};
            return ::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode) ? static_cast<int64_t>(st.st_size) : -1;
        }
        const off_t at = ::lseek(fd_, static_cast<off_t>(offset), whence & ~AVSEEK_FORCE);
        return at < 0 ? AVERROR(errno) : static_cast<int64_t>(at);
    }

private:
    int fd_;
};

class MemoryInput : public ByteInput {
public:
    MemoryInput(const uint8_t* data, size_t size) : data_(data), size_(static_cast<int64_t>(size)) {}
    int Read(uint8_t* buffer, int size) override {
        const int64_t n = std::min<int64_t>(size, size_ - position_);
        if (n <= 0)
            return AVERROR_EOF;
        std::memcpy(buffer, data_ + position_, static_cast<size_t>(n));
        position_ += n;
        return static_cast<int>(n);
    }
    int64_t Seek(int64_t offset, int whence) override {
        int64_t at = offset;
        switch (whence & ~AVSEEK_FORCE) {
        case AVSEEK_SIZE:
            return size_;
        case SEEK_SET:
            break;
        case SEEK_CUR:
            at = position_ + offset;
            break;
        case SEEK_END:
            at = size_ + offset;
            break;
        default:
            return AVERROR(EINVAL);
        }
        if (at < 0 || at > size_)
            return AVERROR(EINVAL);
        return position_ = at;
    }

private:
    const uint8_t* data_;
    int64_t size_;
    int64_t position_ = 0;
};

int ReadBytes(void* opaque, uint8_t* buffer, int size) {
    return static_cast<ByteInput*>(opaque)->Read(buffer, size);
}

int64_t SeekBytes(void* opaque, int64_t offset, int whence) {
    return static_cast<ByteInput*>(opaque)->Seek(offset, whence);
}

// Demuxers that follow references (playlists, concat lists, external tracks)
// may not open anything: the recording is the one file the user chose.
int RefuseOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) {
    return AVERROR(EPERM);
}

} // namespace

struct MediaDecoder::Impl {
    std::unique_ptr<ByteInput> input;
    AVIOContext* io = nullptr;
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    SwrContext* swr = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    int stream = -1;
    // What the converter is set up for.
    int inRate = 0;
    int inFormat = -1;
    AVChannelLayout inLayout{};
    AVChannelLayout outLayout{};
    int outRate = 0;
    bool draining = false;
    bool converterFlushed = false;
    int errorsInARow = 0;

    ~Impl() {
        swr_free(&swr);
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
        if (io) {
            av_freep(&io->buffer);
            avio_context_free(&io);
        }
        av_channel_layout_uninit(&inLayout);
        av_channel_layout_uninit(&outLayout);
    }
};

MediaDecoder::MediaDecoder(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
MediaDecoder::~MediaDecoder() = default;

namespace {

constexpr size_t kLargestAllocation = size_t{256} << 20;

std::unique_ptr<MediaDecoder::Impl> OpenContainer(std::unique_ptr<ByteInput> input, const std::string& name,
                                                  std::string& error) {
    static std::once_flag setup;
    std::call_once(setup, [] {
        av_log_set_callback(CaptureLog);
        // A damaged file can declare a packet or frame of gigabytes; FFmpeg
        // then refuses it as out of memory instead of exhausting the machine.
        // Far above any frame of the audio or video a recording holds.
        av_max_alloc(kLargestAllocation);
    });
    tLastLog.clear();

    auto impl = std::make_unique<MediaDecoder::Impl>();
    impl->input = std::move(input);
    constexpr int kIoBuffer = 64 * 1024;
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBuffer));
    impl->io =
        buffer ? avio_alloc_context(buffer, kIoBuffer, 0, impl->input.get(), ReadBytes, nullptr, SeekBytes)
               : nullptr;
    impl->format = avformat_alloc_context();
    if (!impl->io || !impl->format) {
        if (!impl->io)
            av_free(buffer);
        error = "out of memory";
        return nullptr;
    }
    impl->format->pb = impl->io;
    impl->format->flags |= AVFMT_FLAG_CUSTOM_IO;
    impl->format->io_open = RefuseOpen;
    // The name only hints at the format; the bytes come from `io`.
    int ret = avformat_open_input(&impl->format, name.c_str(), nullptr, nullptr);
    if (ret < 0) {
        error = Reason(ret);
        return nullptr;
    }
    ret = avformat_find_stream_info(impl->format, nullptr);
    if (ret < 0) {
        error = Reason(ret);
        return nullptr;
    }
    for (unsigned i = 0; i < impl->format->nb_streams; ++i) {
        if (impl->format->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
            impl->stream = static_cast<int>(i);
            break;
        }
    }
    if (impl->stream < 0) {
        error = "the file holds no audio stream";
        return nullptr;
    }
    const AVStream* stream = impl->format->streams[impl->stream];
    const AVCodec* decoder = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!decoder) {
        error = std::string("no decoder for the audio codec \"") +
                avcodec_get_name(stream->codecpar->codec_id) + "\"";
        return nullptr;
    }
    impl->codec = avcodec_alloc_context3(decoder);
    impl->packet = av_packet_alloc();
    impl->frame = av_frame_alloc();
    if (!impl->codec || !impl->packet || !impl->frame) {
        error = "out of memory";
        return nullptr;
    }
    if ((ret = avcodec_parameters_to_context(impl->codec, stream->codecpar)) < 0 ||
        (ret = (impl->codec->thread_count = 1, avcodec_open2(impl->codec, decoder, nullptr))) < 0) {
        error = Reason(ret);
        return nullptr;
    }
    return impl;
}

} // namespace

std::unique_ptr<MediaDecoder> MediaDecoder::Open(const std::string& path, std::string& error) {
    // A FIFO or device would block or never end: only regular files are read.
    const int fd = OpenRegularForReading(path);
    if (fd < 0) {
        error = errno == EINVAL ? "it is not a regular file" : std::strerror(errno);
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_size == 0) {
        ::close(fd);
        error = "the file is empty";
        return nullptr;
    }
    const size_t slash = path.rfind('/');
    return Start(OpenContainer(std::make_unique<FileInput>(fd),
                               slash == std::string::npos ? path : path.substr(slash + 1), error),
                 error);
}

std::unique_ptr<MediaDecoder> MediaDecoder::OpenMemory(const uint8_t* data, size_t size, std::string& error) {
    return Start(OpenContainer(std::make_unique<MemoryInput>(data, size), "", error), error);
}

std::unique_ptr<MediaDecoder> MediaDecoder::Start(std::unique_ptr<Impl> impl, std::string& error) {
    if (!impl)
        return nullptr;
    std::unique_ptr<MediaDecoder> decoder(new MediaDecoder(std::move(impl)));
    if (!decoder->Refill()) {
        error = decoder->failure_.empty() ? "no audio could be decoded" : decoder->failure_;
        return nullptr;
    }
    return decoder;
}

WaveFormat MediaDecoder::Format() const {
    return WaveFormat{sampleRate_, 16, channels_, kFormatPcm};
}

// Decodes until converted samples are pending; false at the end of the
// stream (or when it cannot go on, with failure_ set).
bool MediaDecoder::Refill() {
    Impl& d = *impl_;
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(pendingStart_));
    pendingStart_ = 0;
    while (!ended_) {
        int ret = avcodec_receive_frame(d.codec, d.frame);
        if (ret == 0) {
            d.errorsInARow = 0;
            const AVFrame& f = *d.frame;
            const bool first = d.outRate == 0;
            if (first) {
                if (f.sample_rate <= 0 || f.sample_rate > kMaxSampleRate || f.ch_layout.nb_channels <= 0) {
                    failure_ = "unsupported sample rate or channel count";
                    ended_ = true;
                    break;
                }
                d.outRate = f.sample_rate;
                sampleRate_ = static_cast<uint32_t>(f.sample_rate);
                channels_ = f.ch_layout.nb_channels >= 2 ? 2 : 1;
                av_channel_layout_default(&d.outLayout, channels_);
                const AVStream* s = d.format->streams[d.stream];
                if (s->duration != AV_NOPTS_VALUE && s->duration > 0)
                    estimatedFrames_ = av_rescale_q(s->duration, s->time_base, AVRational{1, d.outRate});
                else if (d.format->duration > 0)
                    estimatedFrames_ = av_rescale(d.format->duration, d.outRate, AV_TIME_BASE);
            }
            AVChannelLayout layout{};
            if (f.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
                av_channel_layout_default(&layout, f.ch_layout.nb_channels);
            else
                av_channel_layout_copy(&layout, &f.ch_layout);
            if (!d.swr || f.sample_rate != d.inRate || f.format != d.inFormat ||
                av_channel_layout_compare(&layout, &d.inLayout) != 0) {
                swr_free(&d.swr);
                if (f.sample_rate <= 0 ||
                    swr_alloc_set_opts2(&d.swr, &d.outLayout, AV_SAMPLE_FMT_S16, d.outRate, &layout,
                                        static_cast<AVSampleFormat>(f.format), f.sample_rate, 0,
                                        nullptr) < 0 ||
                    swr_init(d.swr) < 0) {
                    av_channel_layout_uninit(&layout);
                    failure_ = "unsupported sample format or channel layout";
                    ended_ = true;
                    break;
                }
                d.inRate = f.sample_rate;
                d.inFormat = f.format;
                av_channel_layout_uninit(&d.inLayout);
                av_channel_layout_copy(&d.inLayout, &layout);
            }
            av_channel_layout_uninit(&layout);
            const int room = swr_get_out_samples(d.swr, f.nb_samples);
            if (room > 0) {
                const size_t at = pending_.size();
                pending_.resize(at + static_cast<size_t>(room) * channels_);
                uint8_t* out = reinterpret_cast<uint8_t*>(pending_.data() + at);
                const int got = swr_convert(d.swr, &out, room, const_cast<const uint8_t**>(f.extended_data),
                                            f.nb_samples);
                pending_.resize(at + static_cast<size_t>(std::max(got, 0)) * channels_);
            }
            av_frame_unref(d.frame);
            if (!pending_.empty())
                return true;
            continue;
        }
        if (ret == AVERROR_EOF) {
            // The converter may still hold resampled samples.
            if (d.swr && !d.converterFlushed) {
                d.converterFlushed = true;
                const int room = swr_get_out_samples(d.swr, 0);
                if (room > 0) {
                    pending_.resize(static_cast<size_t>(room) * channels_);
                    uint8_t* out = reinterpret_cast<uint8_t*>(pending_.data());
                    const int got = swr_convert(d.swr, &out, room, nullptr, 0);
                    pending_.resize(static_cast<size_t>(std::max(got, 0)) * channels_);
                    if (!pending_.empty())
                        return true;
                }
            }
            ended_ = true;
            break;
        }
        if (ret != AVERROR(EAGAIN)) {
            // A frame that does not decode: go on with the next, as FFmpeg's
            // own tools do, but say so at the end.
            if (failure_.empty())
                failure_ = Reason(ret);
            if (++d.errorsInARow > kMaxErrorsInARow) {
                ended_ = true;
                break;
            }
            continue;
        }
        if (d.draining) {
            ended_ = true;
            break;
        }
        ret = av_read_frame(d.format, d.packet);
        if (ret < 0) {
            if (ret != AVERROR_EOF && failure_.empty())
                failure_ = Reason(ret);
            d.draining = true;
            avcodec_send_packet(d.codec, nullptr);
            continue;
        }
        if (d.packet->stream_index == d.stream) {
            ret = avcodec_send_packet(d.codec, d.packet);
            if (ret < 0 && ret != AVERROR(EAGAIN)) {
                if (failure_.empty())
                    failure_ = Reason(ret);
                if (++d.errorsInARow > kMaxErrorsInARow)
                    ended_ = true;
            }
        }
        av_packet_unref(d.packet);
    }
    return false;
}

int64_t MediaDecoder::ReadInterleaved(int16_t* buffer, int64_t frames) {
    int64_t done = 0;
    while (done < frames) {
        if (pendingStart_ == pending_.size() && !Refill())
            break;
        const int64_t n = std::min<int64_t>(
            frames - done, static_cast<int64_t>((pending_.size() - pendingStart_) / channels_));
        std::copy_n(pending_.begin() + static_cast<std::ptrdiff_t>(pendingStart_), n * channels_,
                    buffer + done * channels_);
        pendingStart_ += static_cast<size_t>(n) * channels_;
        done += n;
    }
    return done;
}

int64_t MediaDecoder::Read(int16_t* buffer, int64_t count) {
    int64_t done = 0;
    while (done < count) {
        if (pendingStart_ == pending_.size() && !Refill())
            break;
        const int16_t* p = pending_.data() + pendingStart_;
        const int64_t n = std::min<int64_t>(
            count - done, static_cast<int64_t>((pending_.size() - pendingStart_) / channels_));
        if (channels_ == 1) {
            std::copy_n(p, n, buffer + done);
        } else {
            // As WaveFile mixes a stereo file: each channel halved (toward
            // zero), then added.
            for (int64_t i = 0; i < n; ++i)
                buffer[done + i] = static_cast<int16_t>(p[2 * i] / 2 + p[2 * i + 1] / 2);
        }
        pendingStart_ += static_cast<size_t>(n) * channels_;
        done += n;
    }
    return done;
}

const char* RecordingPatterns() {
    return "*.wav *.mp3 *.m4a *.m4b *.aac *.ogg *.oga *.opus *.flac *.amr *.awb *.wma *.wv *.aif *.aiff "
           "*.caf "
           "*.ac3 *.mp2 *.webm *.mkv *.mka *.mp4 *.mov *.3gp *.avi *.wmv *.flv *.mpg *.mpeg *.ts";
}

} // namespace lectorio
