// SPDX-License-Identifier: GPL-3.0-or-later
#include "AudioOutput.h"

#include <algorithm>
#include <ratio>

namespace lectorio {

class NullStream : public OutputStream {
public:
    NullStream(NullOutput& output, std::shared_ptr<PcmSource> track)
        : output_(output), track_(std::move(track)) {}

    MciError Start(int64_t fromFrame) override {
        Stop();
        if (output_.startError_ != MciError::None)
            return output_.startError_;
        from_ = fromFrame;
        startedAt_ = output_.clock_();
        running_ = true;
        return MciError::None;
    }

    int64_t Position() override {
        if (!running_)
            return stoppedAt_;
        const int64_t elapsed = (output_.clock_() - startedAt_).count();
        const int64_t frames = std::max<int64_t>(elapsed, 0) * track_->SampleRate() / std::micro::den;
        return std::min(from_ + frames, track_->FrameCount());
    }

    bool Lost() override { return running_ && output_.lost_; }

    int64_t Stop() override {
        if (running_) {
            stoppedAt_ = Position();
            running_ = false;
        }
        return stoppedAt_;
    }

private:
    NullOutput& output_;
    std::shared_ptr<PcmSource> track_;
    bool running_ = false;
    int64_t from_ = 0;
    int64_t stoppedAt_ = 0;
    std::chrono::microseconds startedAt_{0};
};

NullOutput::NullOutput(Clock clock) : clock_(std::move(clock)) {
    if (!clock_)
        clock_ = [] {
            return std::chrono::duration_cast<std::chrono::microseconds>(
                std::chrono::steady_clock::now().time_since_epoch());
        };
}

std::unique_ptr<OutputStream> NullOutput::CreateStream(std::shared_ptr<PcmSource> track) {
    return std::make_unique<NullStream>(*this, std::move(track));
}

} // namespace lectorio
