// SPDX-License-Identifier: GPL-3.0-or-later
#include "BackgroundWorker.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace lectorio {

BackgroundWorker::BackgroundWorker() : thread_([this] { Loop(); }) {}

BackgroundWorker::~BackgroundWorker() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
        waiting_ = nullptr;
        if (runningLevel_)
            *runningLevel_ = kCancelAll;
    }
    wake_.notify_all();
    thread_.join();
}

void BackgroundWorker::Submit(Job job, int cancelRunning) {
    {
        std::lock_guard lock(mutex_);
        waiting_ = std::move(job);
        if (runningLevel_ && *runningLevel_ < cancelRunning)
            *runningLevel_ = cancelRunning;
    }
    wake_.notify_all();
}

void BackgroundWorker::Cancel(int level) {
    std::lock_guard lock(mutex_);
    waiting_ = nullptr;
    if (runningLevel_ && *runningLevel_ < level)
        *runningLevel_ = level;
    if (!running_)
        idle_.notify_all();
}

void BackgroundWorker::Wait() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return !running_ && !waiting_; });
}

bool BackgroundWorker::Idle() const {
    std::lock_guard lock(mutex_);
    return !running_ && !waiting_;
}

void BackgroundWorker::Loop() {
    // Below the window's thread, so that the window stays quick while the
    // worker (and the threads it starts, which inherit this) keeps the cores
    // busy. Linux sets it per thread.
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 5);
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return quit_ || waiting_; });
        if (quit_)
            return;
        Job job = std::move(waiting_);
        waiting_ = nullptr;
        running_ = true;
        auto level = std::make_shared<std::atomic<int>>(kKeep);
        runningLevel_ = level;
        lock.unlock();
        job(*level);
        job = nullptr; // its captures go on this thread, outside the lock
        lock.lock();
        running_ = false;
        runningLevel_.reset();
        if (!waiting_)
            idle_.notify_all();
    }
}

} // namespace lectorio
