// SPDX-License-Identifier: GPL-3.0-or-later
// Replaces small files whole (transcripts, the resume point) without making
// the window wait for the disk. Save() writes the new content to a temporary
// file beside the target at once, so that a missing or read-only folder or a
// full disk is reported to the caller as before; flushing that file to the
// disk and renaming it over the target follow on the queue's own thread, in
// the order asked. Until then Pending() gives the newest content asked for a
// path, so a reader never sees an older text than the one saved.
//
// A save that fails on the queue's thread keeps its content: it is handed
// back by TakeFailures(), and the failure callback says that one happened.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace lectorio {

class ReplacementFile;

struct FailedSave {
    std::string path;
    std::string content;
};

class SaveQueue {
public:
    SaveQueue();
    ~SaveQueue(); // finishes every save asked
    SaveQueue(const SaveQueue&) = delete;
    SaveQueue& operator=(const SaveQueue&) = delete;

    // Called on the queue's thread after a save failed there.
    void SetFailureCallback(std::function<void()> callback);

    // False when the temporary could not be written; `path` is then as it
    // was. A failure later on is kept for TakeFailures() only when `report`.
    bool Save(const std::string& path, std::string content, bool report = true);

    // The newest content asked for `path` and not yet renamed over it.
    std::optional<std::string> Pending(const std::string& path) const;

    // Waits until every save asked so far has ended.
    void Finish();

    // The saves that failed on the queue's thread, oldest first.
    std::vector<FailedSave> TakeFailures();

private:
    struct Job {
        std::string path;
        std::string content;
        std::unique_ptr<ReplacementFile> file;
        bool report = true;
    };
    void Run();

    mutable std::mutex mutex_;
    std::condition_variable work_;
    std::condition_variable done_;
    std::deque<Job> jobs_; // the front one is being committed
    bool stopping_ = false;
    std::vector<FailedSave> failures_;
    std::function<void()> onFailure_;
    std::thread thread_;
};

} // namespace lectorio
