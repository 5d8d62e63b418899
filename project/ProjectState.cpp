// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProjectState.h"

#include "OptionFields.h"
#include "Segmenter.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

namespace lectorio {

std::string ProjectState::SegmentStem(int32_t n) const {
    return SegmentNumberText(n) + "_" + projectName;
}

std::string ProjectState::SegmentWavePath(int32_t n) const {
    return outputFolder + "/" + SegmentStem(n) + ".wav";
}

std::string ProjectState::SegmentTextPath(int32_t n) const {
    return outputFolder + "/" + SegmentStem(n) + ".txt";
}

bool ProjectState::HasSlowCopies() const {
    // "NNNNN_P_y.wav" is also segment NNNNN of a project "P_y": while one
    // lies in the folder, P has no slowed copies.
    struct stat st {};
    return ::stat((outputFolder + "/" + projectName + "_y.vprj").c_str(), &st) != 0;
}

std::string ProjectState::SlowWavePath(int32_t n) const {
    return HasSlowCopies() ? outputFolder + "/" + SegmentStem(n) + "_y.wav" : std::string();
}

std::string ProjectState::ProjectFilePath() const {
    return outputFolder + "/" + projectName + ".vprj";
}

std::string ProjectState::FinalTextPath() const {
    return outputFolder + "/" + projectName + ".txt";
}

std::string ProjectState::PitchTrackPath() const {
    return outputFolder + "/dosya.ptc";
}

bool ProjectState::CreateEmptyTextFiles() {
    const FileIdentity recording = FileIdentity::Of(inputPath);
    bool ok = true;
    for (int32_t n = 1; n <= segmentCount; ++n) {
        const int fd = CreateFreshFile(SegmentTextPath(n), recording);
        ok = ::close(fd) == 0 && ok; // close(-1) fails too: a file not created
    }
    currentTextPath = SegmentTextPath(1);
    currentWavePath = SegmentWavePath(1);
    return ok;
}

bool ProjectState::WriteProjectFile() const {
    return WriteFileAtomically(ProjectFilePath(), std::to_string(segmentCount) + " " + outputFolder,
                               FileIdentity::Of(inputPath));
}

void ProjectState::DeleteStaleSegmentFiles() {
    const int32_t c = segmentCount;
    const int32_t l = lastRunSegmentCount;
    const int32_t bound = (l == c || l == 0) ? 5000 : l + 1;
    lastRunSegmentCount = c;
    const FileIdentity recording = FileIdentity::Of(inputPath);
    // One pass over the folder finds the segment files that exist; trying
    // every number up to 4999 would cost thousands of calls per run.
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(
        projectName.find('/') == std::string::npos ? ::opendir(outputFolder.c_str()) : nullptr, ::closedir);
    if (!dir) {
        for (int32_t n = c + 1; n < bound; ++n) {
            DeleteFileQuietly(SegmentTextPath(n), recording);
            DeleteFileQuietly(SegmentWavePath(n), recording);
        }
        return;
    }
    std::vector<std::string> doomed;
    const std::string tail = "_" + projectName;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        // "NNNNN_<project>.wav" or ".txt" with c < NNNNN < bound: five digits below 100000.
        if (name.size() != 5 + tail.size() + 4 || name.compare(5, tail.size(), tail) != 0)
            continue;
        const std::string extension = name.substr(name.size() - 4);
        if (extension != ".wav" && extension != ".txt")
            continue;
        int32_t n = 0;
        bool digits = true;
        for (size_t i = 0; i < 5; ++i) {
            digits = digits && std::isdigit(static_cast<unsigned char>(name[i]));
            n = n * 10 + (name[i] - '0');
        }
        if (digits && n > c && n < bound)
            doomed.push_back(outputFolder + "/" + name);
    }
    for (const std::string& path : doomed)
        DeleteFileQuietly(path, recording);
}

ProjectFileContents ReadProjectFile(const std::string& path) {
    ProjectFileContents result;
    std::string text;
    if (!ReadRegularFile(path, text))
        return result;
    const auto space = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    // text[text.size()] is the '\0' that ends the string: no blank.
    size_t i = 0;
    while (space(text[i]))
        ++i;
    const size_t countStart = i;
    while (i < text.size() && !space(text[i]))
        ++i;
    const std::string count = text.substr(countStart, i - countStart);
    result.segmentCount = ReadIntField(count);
    result.countIsNumber = count.find_first_not_of("0123456789") == std::string::npos;
    if (text[i] == ' ')
        ++i;
    const size_t end = text.find('\n', i);
    result.outputFolder = text.substr(i, end - i);
    if (end != std::string::npos && result.outputFolder.ends_with('\r'))
        result.outputFolder.pop_back(); // a line end added by a text editor
    result.ok = true;
    return result;
}

bool IsUsableProjectFolder(const std::string& folder) {
    if (folder.empty() || folder[0] != '/')
        return false;
    return std::filesystem::path(folder).lexically_normal() != std::filesystem::path("/");
}

bool IsRecordableFolder(const std::string& folder) {
    return folder.find('\n') == std::string::npos;
}

size_t MaxProjectNameBytes() {
    constexpr size_t kFileNameBytes = 255;
    const size_t around =
        SegmentNumberText(INT32_MAX).size() + std::string("_").size() + std::string("_y.wav").size();
    return kFileNameBytes - around;
}

bool IsValidProjectName(const std::string& name) {
    return name.find('/') == std::string::npos && name.find('\0') == std::string::npos &&
           name.size() <= MaxProjectNameBytes();
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    if (from.empty())
        return text;
    std::string out;
    size_t start = 0;
    for (size_t hit; (hit = text.find(from, start)) != std::string::npos; start = hit + from.size())
        out.append(text, start, hit - start).append(to);
    out.append(text, start, std::string::npos);
    return out;
}

std::string ProjectNameFromProjectPath(const std::string& path, const std::string& folder) {
    const std::string prefix = (!folder.empty() && folder.back() == '/') ? folder : folder + "/";
    return ReplaceAll(ReplaceAll(path, prefix, ""), ".vprj", "");
}

std::string NameFromFilePath(const std::string& path, int extensionLength) {
    size_t begin = 0;
    while (begin < path.size() && std::isspace(static_cast<unsigned char>(path[begin])))
        ++begin;
    std::string text = path.substr(begin);
    if (extensionLength < 0 || text.size() <= static_cast<size_t>(extensionLength))
        return {};
    text.resize(text.size() - static_cast<size_t>(extensionLength));
    const size_t slash = text.rfind('/');
    return slash == std::string::npos ? text : text.substr(slash + 1);
}

std::string ApplicationFolder() {
    std::error_code error; // an unreadable link reads as "", which holds no slash
    const std::string program = std::filesystem::read_symlink("/proc/self/exe", error).string();
    const size_t slash = program.rfind('/');
    return slash == std::string::npos ? std::string("./") : program.substr(0, slash + 1);
}

bool IsWritableFolder(const std::string& folder) {
    struct stat st {};
    return !folder.empty() && ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           ::access(folder.c_str(), W_OK | X_OK) == 0;
}

bool RecordingIsProjectSegment(const ProjectState& state, const std::string& inputPath) {
    namespace fs = std::filesystem;
    std::error_code error;
    const std::string suffix = "_" + state.projectName + ".wav";
    for (fs::directory_iterator it(state.outputFolder, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.size() < 5 + suffix.size() ||
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
            continue;
        const std::string number = name.substr(0, name.size() - suffix.size());
        if (number.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::error_code same;
        if (fs::equivalent(it->path(), inputPath, same))
            return true;
    }
    return false;
}

} // namespace lectorio
