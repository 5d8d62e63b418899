// SPDX-License-Identifier: GPL-3.0-or-later
#include "SafeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <fstream>

namespace lectorio {

namespace {

bool Matches(const FileIdentity& id, const struct stat& st) {
    return id.valid && st.st_dev == id.device && st.st_ino == id.inode;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

} // namespace

FileIdentity FileIdentity::Of(const std::string& path) {
    FileIdentity id;
    struct stat st {};
    if (!path.empty() && ::stat(path.c_str(), &st) == 0) {
        id.device = st.st_dev;
        id.inode = st.st_ino;
        id.valid = true;
    }
    return id;
}

bool SameFile(const std::string& a, const std::string& b) {
    return FileIdentity::Of(a) == FileIdentity::Of(b);
}

mode_t ProcessUmask() {
    std::ifstream status("/proc/self/status");
    unsigned mask = 022; // the usual one, should the kernel not tell
    for (std::string line; std::getline(status, line);)
        std::sscanf(line.c_str(), "Umask: %o", &mask);
    return static_cast<mode_t>(mask);
}

int OpenRegularForReading(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return fd;
    struct stat st {};
    const int flags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || flags < 0 ||
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

std::FILE* StreamOf(int fd, const char* mode) {
    if (fd < 0)
        return nullptr;
    std::FILE* stream = fdopen(fd, mode);
    if (!stream)
        ::close(fd);
    return stream;
}

int CreateFreshFile(const std::string& path, const FileIdentity& keep) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode) || Matches(keep, st)) {
            errno = S_ISLNK(st.st_mode) ? ELOOP : EEXIST;
            return -1;
        }
        if (::unlink(path.c_str()) != 0 && errno != ENOENT)
            return -1;
    }
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
}

ReplacementFile::ReplacementFile(const std::string& path, const FileIdentity& keep)
    : path_(path), temporary_(FolderOf(path) + "/.lectorio-XXXXXX"), keep_(keep) {
    fd_ = ::mkostemp(temporary_.data(), O_CLOEXEC);
}

ReplacementFile::~ReplacementFile() {
    if (fd_ >= 0) { // never committed
        ::close(fd_);
        ::unlink(temporary_.c_str());
    }
}

bool ReplacementFile::Commit(Durability durability) {
    if (fd_ < 0)
        return false;
    struct stat st {};
    bool ok = ::lstat(path_.c_str(), &st) != 0 || (!S_ISLNK(st.st_mode) && !Matches(keep_, st));
    ok = ok && ::fchmod(fd_, 0666 & ~ProcessUmask()) == 0;
    const bool flushed = durability == Durability::Flushed;
    ok = ok && (!flushed || ::fsync(fd_) == 0);
    ok = ::close(fd_) == 0 && ok;
    fd_ = -1;
    ok = ok && std::rename(temporary_.c_str(), path_.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary_.c_str());
        return false;
    }
    if (!flushed)
        return true;
    // The new name is durable once its folder is.
    const int folder = ::open(FolderOf(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t w = ::write(fd, bytes.data(), bytes.size());
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return false;
        bytes.remove_prefix(static_cast<size_t>(w));
    }
    return true;
}

bool ReplacementFile::Write(std::string_view content) {
    return fd_ >= 0 && WriteAll(fd_, content);
}

bool WriteFileAtomically(const std::string& path, std::string_view content, const FileIdentity& keep,
                         Durability durability) {
    ReplacementFile file(path, keep);
    return file.Write(content) && file.Commit(durability);
}

void DeleteFileQuietly(const std::string& path, const FileIdentity& keep) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && !Matches(keep, st))
        ::unlink(path.c_str());
}

bool ReadRegularFile(const std::string& path, std::string& text) {
    text.clear();
    const int fd = OpenRegularForReading(path); // an empty path names no file
    if (fd < 0)
        return false;
    std::array<char, 4096> block;
    for (;;) {
        const ssize_t got = ::read(fd, block.data(), block.size());
        if (got <= 0) {
            ::close(fd);
            return got == 0;
        }
        text.append(block.data(), static_cast<size_t>(got));
    }
}

} // namespace lectorio
