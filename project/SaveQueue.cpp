// SPDX-License-Identifier: GPL-3.0-or-later
#include "SaveQueue.h"

#include "SafeFile.h"

#include <utility>

namespace lectorio {

SaveQueue::SaveQueue() : thread_([this] { Run(); }) {}

SaveQueue::~SaveQueue() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    work_.notify_one();
    thread_.join();
}

void SaveQueue::SetFailureCallback(std::function<void()> callback) {
    std::lock_guard lock(mutex_);
    onFailure_ = std::move(callback);
}

bool SaveQueue::Save(const std::string& path, std::string content, bool report) {
    auto file = std::make_unique<ReplacementFile>(path);
    if (!file->Write(content))
        return false;
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back({path, std::move(content), std::move(file), report});
    }
    work_.notify_one();
    return true;
}

std::optional<std::string> SaveQueue::Pending(const std::string& path) const {
    std::lock_guard lock(mutex_);
    for (auto job = jobs_.rbegin(); job != jobs_.rend(); ++job) {
        if (job->path == path)
            return job->content;
    }
    return std::nullopt;
}

void SaveQueue::Finish() {
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return jobs_.empty(); });
}

std::vector<FailedSave> SaveQueue::TakeFailures() {
    std::lock_guard lock(mutex_);
    return std::exchange(failures_, {});
}

void SaveQueue::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        work_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
        if (jobs_.empty())
            return; // stopping, with nothing left to save
        std::unique_ptr<ReplacementFile> file = std::move(jobs_.front().file);
        lock.unlock();
        const bool saved = file->Commit();
        lock.lock();
        const Job& job = jobs_.front();
        if (!saved && job.report) {
            failures_.push_back({job.path, job.content});
            // Told before Finish() returns, so a caller that waited learns of it.
            if (std::function<void()> callback = onFailure_) {
                lock.unlock();
                callback();
                lock.lock();
            }
        }
        jobs_.pop_front();
        if (jobs_.empty())
            done_.notify_all();
    }
}

} // namespace lectorio
