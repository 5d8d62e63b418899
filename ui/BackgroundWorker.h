// SPDX-License-Identifier: GPL-3.0-or-later
// One thread for the window's slow work (reading a segment for its picture,
// pitch analysis, the slowed copy), so that no handler waits for it.
//
// Only the newest job matters: a job submitted while another still waits
// replaces it, and the job that runs is told to give up by raising its
// cancel level. A job reads the level as often as it can afford and decides
// for itself which level stops which of its steps. Results go back to the
// GUI thread through queued calls that the job makes; the receiver checks
// that a result is still wanted before it applies it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace lectorio {

class BackgroundWorker {
public:
    // Cancel levels; a job gives up when the level reaches what matters to it.
    static constexpr int kKeep = 0;
    static constexpr int kCancelLight = 1; // a newer job of the same kind
    static constexpr int kCancelAll = 2;   // everything the job did is stale

    using Job = std::function<void(const std::atomic<int>& cancelLevel)>;

    BackgroundWorker();
    // Cancels everything and waits for the running job to return.
    ~BackgroundWorker();
    BackgroundWorker(const BackgroundWorker&) = delete;
    BackgroundWorker& operator=(const BackgroundWorker&) = delete;

    // Runs `job` when the running one has returned; a job still waiting is
    // dropped. The running job's cancel level is raised to `cancelRunning`.
    void Submit(Job job, int cancelRunning = kCancelAll);
    // Raises the running job's cancel level and drops a waiting one.
    void Cancel(int level = kCancelAll);
    // Blocks until no job runs or waits.
    void Wait();
    bool Idle() const;

private:
    void Loop();

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    Job waiting_;
    bool running_ = false;
    bool quit_ = false;
    std::shared_ptr<std::atomic<int>> runningLevel_;
    std::thread thread_; // last: starts after the members it uses
};

} // namespace lectorio
