// SPDX-License-Identifier: GPL-3.0-or-later
// Everything that talks to the sound server through libpulse: the playback
// output of the command layer and the default sink's volume. PipeWire serves
// the same interface through its PulseAudio server.
//
// Each connection runs a threaded main loop: callbacks come on its thread with
// the loop's lock held; callers on other threads take the lock, start an
// operation and wait on the loop's condition until a callback signals.

#include "AudioOutput.h"
#include "SinkVolumeControl.h"

#include <pulse/pulseaudio.h>

#include "WaveFile.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace lectorio {

namespace {

constexpr const char* kApplicationName = "Lectorio";
constexpr const char* kIconName = "lectorio";
constexpr const char* kMediaRole = "production";
// Server-side buffer of a playback stream. The position comes from the
// stream's timing, not from this, so it only bounds how much may still sound
// once a run has ended.
constexpr pa_usec_t kTargetLatency = 100 * PA_USEC_PER_MSEC;

struct ProplistFree {
    void operator()(pa_proplist* props) const { pa_proplist_free(props); }
};

// A property list of one property. A connection's name is the application's
// name, and its streams take on the connection's properties.
std::unique_ptr<pa_proplist, ProplistFree> Property(const char* key, const char* value) {
    std::unique_ptr<pa_proplist, ProplistFree> props(pa_proplist_new());
    pa_proplist_sets(props.get(), key, value);
    return props;
}

struct OperationUnref {
    void operator()(pa_operation* op) const { pa_operation_unref(op); }
};
using Operation = std::unique_ptr<pa_operation, OperationUnref>;

// Lets go of an operation whose end nobody waits for: its callback reports it.
void Forget(pa_operation* op) {
    const Operation owned(op);
}

class LoopLock {
public:
    explicit LoopLock(pa_threaded_mainloop* loop) : loop_(loop) { pa_threaded_mainloop_lock(loop_); }
    ~LoopLock() { pa_threaded_mainloop_unlock(loop_); }
    LoopLock(const LoopLock&) = delete;
    LoopLock& operator=(const LoopLock&) = delete;

private:
    pa_threaded_mainloop* loop_;
};

// One connection to the server: a threaded main loop and a context.
class PulseConnection {
public:
    PulseConnection() = default;
    PulseConnection(const PulseConnection&) = delete;
    PulseConnection& operator=(const PulseConnection&) = delete;
    // The callbacks may run until the loop stops, so nothing needs clearing
    // first: a state change only wakes a waiter, and what a volume event uses
    // is destroyed after its connection.
    ~PulseConnection() {
        if (context_) {
            LoopLock lock(loop_);
            pa_context_disconnect(context_);
        }
        if (loop_)
            pa_threaded_mainloop_stop(loop_);
        if (context_)
            pa_context_unref(context_);
        if (loop_)
            pa_threaded_mainloop_free(loop_);
    }

    // Connects once, on a new object; true when ready. The destructor lets go
    // of what a failure leaves. Never starts a server. Not on the loop's
    // thread.
    bool Connect() {
        loop_ = pa_threaded_mainloop_new();
        context_ =
            loop_ ? pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop_), kApplicationName,
                                                 Property(PA_PROP_APPLICATION_ICON_NAME, kIconName).get())
                  : nullptr;
        if (!context_)
            return false;
        pa_context_set_state_callback(context_, &PulseConnection::OnStateChange, loop_);
        if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 ||
            pa_threaded_mainloop_start(loop_) < 0)
            return false;
        LoopLock lock(loop_);
        for (;;) {
            const pa_context_state_t state = pa_context_get_state(context_);
            if (!PA_CONTEXT_IS_GOOD(state) || state == PA_CONTEXT_READY)
                return state == PA_CONTEXT_READY;
            pa_threaded_mainloop_wait(loop_);
        }
    }

    bool IsReady() const { return pa_context_get_state(context_) == PA_CONTEXT_READY; }

    // Waits (lock held, not on the loop's thread) until `op` has finished or
    // was cancelled; at once if it could not be started. Callers read the
    // outcome from what its callback stored.
    void Wait(pa_operation* started) {
        const Operation op(started);
        while (op && pa_operation_get_state(op.get()) == PA_OPERATION_RUNNING)
            pa_threaded_mainloop_wait(loop_);
    }

    // Callback that only wakes the waiting caller; userdata is the loop.
    static void Signal(pa_threaded_mainloop* loop) { pa_threaded_mainloop_signal(loop, 0); }

    pa_threaded_mainloop* loop() const { return loop_; }
    pa_context* context() const { return context_; }
    bool OnLoopThread() const { return pa_threaded_mainloop_in_thread(loop_); }

private:
    static void OnStateChange(pa_context*, void* loop) { Signal(static_cast<pa_threaded_mainloop*>(loop)); }

    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
};

// ---------------------------------------------------------------------------
// Playback

// One file's sample data on the server, read from the file as the server asks
// for it, in the file's own encoding and channels (a file with more channels
// than the server takes plays as its mono mix). A run is one pa_stream that
// starts at a frame and plays to the end; pausing reads the stream's clock
// and ends it at once, so the held position is what was heard.
//
// The output's streams share one connection, made at the first run and
// replaced by a new one when the server has gone (a stream keeps the
// connection its run began on), so a Play costs one stream set-up, not a
// connection's.
class SharedConnection {
public:
    // A ready connection, or null when the server cannot be reached.
    std::shared_ptr<PulseConnection> Get() {
        std::lock_guard guard(mutex_);
        if (current_) {
            LoopLock lock(current_->loop());
            if (current_->IsReady())
                return current_;
        }
        auto fresh = std::make_shared<PulseConnection>();
        if (!fresh->Connect())
            return nullptr;
        current_ = fresh;
        return current_;
    }

private:
    std::mutex mutex_;
    std::shared_ptr<PulseConnection> current_;
};

class PulseStream : public OutputStream {
public:
    PulseStream(std::shared_ptr<SharedConnection> shared, std::shared_ptr<PcmSource> track)
        : shared_(std::move(shared)), track_(std::move(track)) {}

    // Closing needs no position: the run just ends.
    ~PulseStream() override { Discard(); }

    MciError Start(int64_t fromFrame) override {
        Discard();
        from_ = fromFrame;
        lastHeard_ = from_;
        stoppedAt_ = from_;
        connection_ = shared_->Get();
        if (!connection_)
            return MciError::NoAudioOutput;
        LoopLock lock(connection_->loop());
        pa_sample_spec spec; // set whole by SampleSpec
        pa_channel_map map{};
        if (!SampleSpec(spec, map))
            return MciError::OutputFailed;
        stream_ = pa_stream_new_with_proplist(connection_->context(), "Segment", &spec, &map,
                                              Property(PA_PROP_MEDIA_ROLE, kMediaRole).get());
        if (!stream_)
            return MciError::OutputFailed;
        writeCursor_ = from_;
        end_ = track_->FrameCount();
        drained_ = from_ == end_;
        // A state change only wakes the waiter, also once the run is gone.
        pa_stream_set_state_callback(stream_, &PulseStream::OnStateChange, connection_->loop());
        pa_stream_set_write_callback(stream_, &PulseStream::OnWrite, this);
        // The server's choice, (uint32_t) -1, for every field but the target length.
        const pa_buffer_attr attr{UINT32_MAX, static_cast<uint32_t>(pa_usec_to_bytes(kTargetLatency, &spec)),
                                  UINT32_MAX, UINT32_MAX, UINT32_MAX};
        const auto flags = static_cast<pa_stream_flags_t>(
            PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_ADJUST_LATENCY);
        // A stream the server cannot take stays unconnected, or fails while
        // it is set up.
        pa_stream_connect_playback(stream_, nullptr, &attr, flags, nullptr, nullptr);
        pa_stream_state_t state = pa_stream_get_state(stream_);
        while (PA_STREAM_IS_GOOD(state) && state != PA_STREAM_READY) {
            pa_threaded_mainloop_wait(connection_->loop());
            state = pa_stream_get_state(stream_);
        }
        if (state == PA_STREAM_READY)
            return MciError::None;
        const bool serverGone = !connection_->IsReady();
        Release();
        return serverGone ? MciError::NoAudioOutput : MciError::OutputFailed;
    }

    int64_t Position() override {
        if (!stream_)
            return stoppedAt_;
        LoopLock lock(connection_->loop());
        return HeardFrame();
    }

    bool Lost() override {
        if (!stream_)
            return false;
        LoopLock lock(connection_->loop());
        return !PA_STREAM_IS_GOOD(pa_stream_get_state(stream_)) || !connection_->IsReady();
    }

    int64_t Stop() override {
        if (!stream_)
            return stoppedAt_;
        LoopLock lock(connection_->loop());
        stoppedAt_ = HeardFrame();
        Release();
        return stoppedAt_;
    }

private:
    // Ends the run at once, without asking the server where it stopped.
    void Discard() {
        if (!stream_)
            return;
        LoopLock lock(connection_->loop());
        Release();
    }

    // The server's format for the file: its own encoding and channels, or
    // the mono mix when it has more channels than the server takes.
    bool SampleSpec(pa_sample_spec& spec, pa_channel_map& map) {
        mono_ = track_->Channels() > PA_CHANNELS_MAX;
        spec.rate = track_->SampleRate();
        spec.channels = static_cast<uint8_t>(mono_ ? 1 : track_->Channels());
        if (mono_)
            spec.format = PA_SAMPLE_S16NE;
        else if (track_->FormatTag() == kFormatMuLaw)
            spec.format = PA_SAMPLE_ULAW;
        else if (track_->BitsPerSample() == 8)
            spec.format = PA_SAMPLE_U8;
        else // the other PCM sizes a segment opens with
            spec.format = track_->BitsPerSample() == 16 ? PA_SAMPLE_S16LE : PA_SAMPLE_S24LE;
        // WAV files order their channels as WAVE_FORMAT_EXTENSIBLE does.
        pa_channel_map_init_extend(&map, spec.channels, PA_CHANNEL_MAP_WAVEEX);
        return pa_sample_spec_valid(&spec) != 0;
    }

    // Lock held.
    int64_t HeardFrame() {
        if (drained_)
            return end_;
        pa_usec_t heard;
        // A stream whose server has gone keeps the last frame it reported.
        if (pa_stream_get_time(stream_, &heard) < 0)
            return lastHeard_;
        const auto frames = static_cast<int64_t>(heard * track_->SampleRate() / PA_USEC_PER_SEC);
        lastHeard_ = std::min(from_ + frames, end_);
        return lastHeard_;
    }

    // Lock held.
    void Release() {
        pa_stream_set_write_callback(stream_, nullptr, nullptr);
        if (pa_stream_get_state(stream_) != PA_STREAM_UNCONNECTED)
            pa_stream_disconnect(stream_);
        pa_stream_unref(stream_);
        stream_ = nullptr;
    }

    static void OnStateChange(pa_stream*, void* loop) {
        PulseConnection::Signal(static_cast<pa_threaded_mainloop*>(loop));
    }

    static void OnWrite(pa_stream* stream, size_t bytes, void* selfPointer) {
        auto* self = static_cast<PulseStream*>(selfPointer);
        const size_t frameBytes = pa_frame_size(pa_stream_get_sample_spec(stream));
        const int64_t frames =
            std::min<int64_t>(static_cast<int64_t>(bytes / frameBytes), self->end_ - self->writeCursor_);
        if (frames <= 0)
            return;
        // Copied by the server's library: a write is at most the target
        // length, a tenth of a second.
        std::vector<uint8_t>& data = self->data_;
        data.resize(static_cast<size_t>(frames) * frameBytes);
        const int64_t got = self->mono_
                                ? self->track_->ReadMonoFrames(self->writeCursor_, frames,
                                                               reinterpret_cast<int16_t*>(data.data()))
                                : self->track_->ReadFrames(self->writeCursor_, frames, data.data());
        if (got < frames)
            self->end_ = self->writeCursor_ + got; // the file has become shorter: it ends here
        // Nothing read (the file ended early) is a write of nothing.
        pa_stream_write(stream, data.data(), static_cast<size_t>(got) * frameBytes, nullptr, 0,
                        PA_SEEK_RELATIVE);
        self->writeCursor_ += got;
        // Draining also starts a stream whose whole data is shorter than the
        // server's start threshold.
        if (self->writeCursor_ == self->end_)
            Forget(pa_stream_drain(stream, &PulseStream::OnDrained, self));
    }

    static void OnDrained(pa_stream*, int success, void* self) {
        if (success)
            static_cast<PulseStream*>(self)->drained_ = true;
    }

    std::shared_ptr<SharedConnection> shared_;
    std::shared_ptr<PulseConnection> connection_; // of the current or last run
    std::shared_ptr<PcmSource> track_;
    pa_stream* stream_ = nullptr; // the current run; null between runs
    // Set by Start for each run; under the loop's lock while a run exists:
    bool mono_{}; // plays the mono mix
    int64_t from_{};
    int64_t lastHeard_{}; // the last frame the server reported heard in this run
    int64_t writeCursor_{};
    int64_t end_{}; // the frame the run ends at
    bool drained_{};
    std::vector<uint8_t> data_; // what a write sends
    // Owner's thread only:
    int64_t stoppedAt_ = 0;
};

class PulseOutput : public AudioOutput {
public:
    std::unique_ptr<OutputStream> CreateStream(std::shared_ptr<PcmSource> track) override {
        return std::make_unique<PulseStream>(shared_, std::move(track));
    }

private:
    std::shared_ptr<SharedConnection> shared_ = std::make_shared<SharedConnection>();
};

// ---------------------------------------------------------------------------
// Default sink volume

class PulseSinkVolume : public SinkVolumeControl {
public:
    bool Connect() {
        if (!connection_.Connect())
            return false;
        LoopLock lock(connection_.loop());
        pa_context_set_subscribe_callback(connection_.context(), &PulseSinkVolume::OnEvent, this);
        const auto mask =
            static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SINK | PA_SUBSCRIPTION_MASK_SERVER);
        // Should the subscription fail, the volume still works; only changes
        // made elsewhere go unheard.
        connection_.Wait(pa_context_subscribe(connection_.context(), mask, &PulseSinkVolume::OnContextSuccess,
                                              connection_.loop()));
        return true;
    }

    std::optional<SinkVolumeState> Query() override {
        if (!Usable())
            return std::nullopt;
        LoopLock lock(connection_.loop());
        const auto sink = QueryLocked();
        if (!sink)
            return std::nullopt;
        return sink->state;
    }

    void SetVolume(uint32_t volume) override {
        if (!Usable())
            return;
        LoopLock lock(connection_.loop());
        const auto sink = QueryLocked();
        if (!sink)
            return;
        pa_cvolume levels;
        pa_cvolume_set(&levels, sink->channels, static_cast<pa_volume_t>(volume));
        connection_.Wait(pa_context_set_sink_volume_by_index(connection_.context(), sink->index, &levels,
                                                             &PulseSinkVolume::OnContextSuccess,
                                                             connection_.loop()));
    }

    void SetMute(bool mute) override {
        if (!Usable())
            return;
        LoopLock lock(connection_.loop());
        connection_.Wait(pa_context_set_sink_mute_by_name(connection_.context(), "@DEFAULT_SINK@", mute,
                                                          &PulseSinkVolume::OnContextSuccess,
                                                          connection_.loop()));
    }

    void SetOnChange(std::function<void(uint32_t)> callback) override {
        if (!Usable())
            return;
        LoopLock lock(connection_.loop());
        onChange_ = std::move(callback);
    }

private:
    struct SinkReply {
        pa_threaded_mainloop* loop = nullptr;
        bool found = false;
        uint32_t index = PA_INVALID_INDEX;
        uint8_t channels{};
        SinkVolumeState state;
    };

    // Not from the listener: the loop's thread would wait for itself.
    bool Usable() const { return !connection_.OnLoopThread(); }

    // Lock held: the default sink's state, index and channel count.
    std::optional<SinkReply> QueryLocked() {
        SinkReply reply;
        reply.loop = connection_.loop();
        connection_.Wait(pa_context_get_sink_info_by_name(connection_.context(), "@DEFAULT_SINK@",
                                                          &PulseSinkVolume::OnSinkInfo, &reply));
        return reply.found ? std::optional(reply) : std::nullopt;
    }

    static void OnSinkInfo(pa_context*, const pa_sink_info* info, int eol, void* replyPointer) {
        auto* reply = static_cast<SinkReply*>(replyPointer);
        if (eol == 0 && info && info->volume.channels > 0) {
            reply->found = true;
            reply->index = info->index;
            reply->channels = info->volume.channels;
            reply->state.volume = info->volume.values[0];
            reply->state.normalVolume = PA_VOLUME_NORM;
            reply->state.steps = info->n_volume_steps;
        }
        // The waiter looks at the operation's state when it wakes.
        PulseConnection::Signal(reply->loop);
    }

    static void OnContextSuccess(pa_context*, int, void* loop) {
        PulseConnection::Signal(static_cast<pa_threaded_mainloop*>(loop));
    }

    // Loop thread. A sink or the server changed: look at the default sink again.
    static void OnEvent(pa_context* context, pa_subscription_event_type_t type, uint32_t, void* self) {
        const auto facility = type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
        if (facility != PA_SUBSCRIPTION_EVENT_SINK && facility != PA_SUBSCRIPTION_EVENT_SERVER)
            return;
        Forget(pa_context_get_sink_info_by_name(context, "@DEFAULT_SINK@", &PulseSinkVolume::OnEventSinkInfo,
                                                self));
    }

    // Loop thread: tell the listener when the default sink's volume, or the
    // default sink itself, differs from what was last seen (the first event
    // always does).
    static void OnEventSinkInfo(pa_context*, const pa_sink_info* info, int eol, void* selfPointer) {
        auto* self = static_cast<PulseSinkVolume*>(selfPointer);
        if (eol != 0 || !info || info->volume.channels == 0)
            return;
        const uint32_t volume = info->volume.values[0];
        if (volume == self->lastVolume_ && info->index == self->lastIndex_)
            return;
        self->lastVolume_ = volume;
        self->lastIndex_ = info->index;
        if (self->onChange_)
            self->onChange_(volume);
    }

    // Under the loop's lock:
    std::function<void(uint32_t)> onChange_;
    uint32_t lastVolume_ = PA_VOLUME_INVALID;
    uint32_t lastIndex_ = PA_INVALID_INDEX;
    // Last member: destroyed first, so the loop has stopped before the
    // members its callbacks use go away.
    PulseConnection connection_;
};

} // namespace

std::shared_ptr<AudioOutput> CreatePulseOutput() {
    return std::make_shared<PulseOutput>();
}

std::unique_ptr<SinkVolumeControl> ConnectSinkVolumeControl() {
    auto control = std::make_unique<PulseSinkVolume>();
    if (!control->Connect())
        return nullptr;
    return control;
}

} // namespace lectorio
