// SPDX-License-Identifier: GPL-3.0-or-later
// The few ways in which the program opens, writes and deletes files, so that
// a folder with planted links, FIFOs or second names of the user's recording
// never makes it hang, write through a link or harm a file that is not its
// own.
//
//   OpenRegularForReading  never blocks on a FIFO or device, refuses them
//   StreamOf               a stdio stream over such a descriptor, or none
//   CreateFreshFile        a new file under a name: never through a link,
//                          never into the inode of another name
//   WriteAll               all bytes to a descriptor, through interruptions
//   ReplacementFile        write a temporary beside the file, then rename it
//                          over the file (fsync unless rebuilt, mode from
//                          the umask)
//   DeleteFileQuietly      remove a name unless it is the protected file
//
// Every writing and deleting call takes a FileIdentity to protect (the
// recording of a run): a name that is that file is refused. Any thread.
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <string>
#include <string_view>

namespace lectorio {

// Device and inode of a file; `valid` is false for a missing file.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool valid = false;

    // The file a path names, links followed.
    static FileIdentity Of(const std::string& path);
    bool operator==(const FileIdentity& other) const {
        return valid && other.valid && device == other.device && inode == other.inode;
    }
};

// True when both paths name the same existing file.
bool SameFile(const std::string& a, const std::string& b);

// The process's umask as it stands, read from /proc/self/status (never by
// calling umask(), which would change it for every thread for a moment).
mode_t ProcessUmask();

// Opens an existing regular file read-only; a FIFO, device or folder is
// refused at once (errno EINVAL) instead of blocking. Returns -1 on failure.
int OpenRegularForReading(const std::string& path);

// A stdio stream over `fd` (taken over: the stream closes it), or nullptr when
// fd < 0 or no stream can be made, the descriptor then closed.
std::FILE* StreamOf(int fd, const char* mode);

// Reads a whole regular file (through OpenRegularForReading) into `text`.
// False when it cannot be opened or a read fails.
bool ReadRegularFile(const std::string& path, std::string& text);

// Creates `path` as a new, empty file open for writing, with the mode the
// umask gives. A regular file already there is removed first, so whatever
// other names it has keep their content. A link, anything that is not a
// regular file, and `keep` are refused. Returns -1 on failure.
int CreateFreshFile(const std::string& path, const FileIdentity& keep = {});

// Writes all of `bytes` to `fd`, again after an interrupted call; false when
// a write fails or writes nothing.
bool WriteAll(int fd, std::string_view bytes);

// How a replacement reaches the disk. Flushed: the file and then its folder
// are synced, for anything the user typed or asked to keep. Rebuilt: neither
// is, for files made again from their sources before every use (a slowed
// copy, a pitch track); a reader still meets the old file or the whole new
// one, but after a power failure the file may be empty or missing, which its
// next use reports or rebuilds.
enum class Durability { Flushed, Rebuilt };

// A temporary file in the folder of `path` that replaces `path` only when
// complete. Its name does not grow with the name of `path`.
class ReplacementFile {
public:
    explicit ReplacementFile(const std::string& path, const FileIdentity& keep = {});
    ~ReplacementFile(); // removes the temporary unless it was committed
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    int Descriptor() const { return fd_; }

    // Writes all of `content` to the temporary; false when a write fails.
    bool Write(std::string_view content);

    // Gives the file the mode the umask gives, flushes it to the disk (when
    // Flushed) and renames it over `path`. Refuses when `path` is a link or
    // `keep`. On failure the temporary is removed and `path` is left as it was.
    bool Commit(Durability durability = Durability::Flushed);

private:
    std::string path_;
    std::string temporary_;
    FileIdentity keep_;
    int fd_ = -1;
};

// Replaces `path` with `content` through a ReplacementFile.
bool WriteFileAtomically(const std::string& path, std::string_view content, const FileIdentity& keep = {},
                         Durability durability = Durability::Flushed);

// Removes the name `path` (a link itself, never its target); a missing file
// is no error. The file `keep` is never removed.
void DeleteFileQuietly(const std::string& path, const FileIdentity& keep = {});

} // namespace lectorio
