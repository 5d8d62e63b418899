// SPDX-License-Identifier: GPL-3.0-or-later
#include "SegmentWriter.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace lectorio {

SegmentWriter::SegmentWriter(const std::string& outputFolder, const std::string& projectName,
                             const WaveFormat& format, const std::string& inputPath,
                             SegmentationListener& listener, SegmentationResult& result)
    : folder_(outputFolder), projectName_(projectName), format_(format), listener_(listener), result_(result),
      rate_(static_cast<double>(format.sampleRate)) {
    if (!folder_.empty() && folder_.back() == '/')
        folder_.pop_back();
    inputIdentity_ = FileIdentity::Of(inputPath);
}

bool SegmentWriter::IsInputFile(const std::string& path) const {
    return FileIdentity::Of(path) == inputIdentity_;
}

bool SegmentWriter::OpenLabelFile(const std::string& labelPath) {
    labelPath_ = labelPath;
    // A link or a second name of the recording must not be emptied either.
    label_.reset(StreamOf(CreateFreshFile(labelPath, inputIdentity_), "w"));
    if (!label_) {
        ++result_.failedFiles;
        listener_.OnFileWriteFailed(labelPath);
        return false;
    }
    std::fputs("#\n", label_.get()); // a failed write shows when the file is closed, as the lines' do
    return true;
}

void SegmentWriter::CloseLabelFile() {
    if (!label_)
        return;
    // A failed write leaves the stream's error flag set; a full disk shows up
    // at the latest when the buffered lines are flushed.
    const bool ok = !std::ferror(label_.get());
    const bool closed = std::fclose(label_.release()) == 0;
    if (ok && closed) {
        result_.labelFileWritten = true;
        return;
    }
    ++result_.failedFiles;
    listener_.OnFileWriteFailed(labelPath_);
}

void SegmentWriter::RemoveWrittenFiles() {
    CloseLabelFile();
    if (!labelPath_.empty())
        DeleteFileQuietly(labelPath_, inputIdentity_);
    for (int32_t n = 1; n <= count_; ++n)
        DeleteFileQuietly(SegmentPath(n), inputIdentity_);
}

int32_t SegmentWriter::RaiseCount() {
    ++count_;
    result_.segmentCount = count_;
    listener_.OnSegmentCount(count_);
    return count_;
}

std::string SegmentNumberText(int32_t n) {
    std::array<char, 16> buffer;
    std::snprintf(buffer.data(), buffer.size(), "%.5d", n);
    return buffer.data();
}

std::string SegmentWriter::SegmentName(int32_t n) const {
    return SegmentNumberText(n) + "_" + projectName_ + ".wav";
}

std::string SegmentWriter::SegmentPath(int32_t n) const {
    return folder_ + "/" + SegmentName(n);
}

void SegmentWriter::WriteLabelLine(double seconds, char kind, int32_t n) {
    if (!label_)
        return;
    // "%f 121 S%d": six decimals with a '.' whatever the process's locale.
    // A position over the rate has at most 19 digits before the point ("inf"
    // without a rate), so with " 121 S-2147483648\n" a line takes at most
    // 44 bytes.
    std::array<char, 96> line;
    char* end =
        std::to_chars(line.data(), line.data() + line.size(), seconds, std::chars_format::fixed, 6).ptr;
    end = std::copy_n(" 121 ", 5, end);
    *end++ = kind;
    end = std::to_chars(end, line.data() + line.size(), n).ptr;
    *end++ = '\n';
    // A failed write is seen when the file is closed.
    std::fwrite(line.data(), 1, static_cast<size_t>(end - line.data()), label_.get());
}

void SegmentWriter::SilenceEnds(const BlockView& blocks, int64_t from, int64_t to) {
    const int32_t n = RaiseCount();
    const double seconds = static_cast<double>(to) / rate_;
    if (seconds - static_cast<double>(lastSpeechEndTime_) > 0.01)
        WriteLabelLine(seconds, 'S', n);
    WritePart(n, blocks, from, to);
}

void SegmentWriter::SpeechEnds(const BlockView& blocks, int64_t from, int64_t to) {
    const int32_t n = RaiseCount();
    listener_.OnStatus("Created File  : " + SegmentName(n));
    const double seconds = static_cast<double>(to) / rate_;
    WriteLabelLine(seconds, 'V', n);
    lastSpeechEndTime_ = static_cast<float>(seconds);
    WritePart(n, blocks, from, to);
}

void SegmentWriter::InputEnds(const BlockView& blocks, int64_t from, int64_t to, int64_t endPosition) {
    const int32_t n = RaiseCount();
    WriteLabelLine(static_cast<double>(endPosition) / rate_, n % 2 == 0 ? 'V' : 'S', n);
    listener_.OnStatus("Created File  : " + SegmentName(n));
    WritePart(n, blocks, from, to);
}

void SegmentWriter::WritePart(int32_t n, const BlockView& blocks, int64_t from, int64_t to) {
    const std::string path = SegmentPath(n);
    bool ok = false;
    int64_t written = 0;
    if (!IsInputFile(path)) {
        // Only samples the two blocks hold are ever written; a part that ends
        // before it starts is an empty file.
        const int64_t first = std::max(from, blocks.base - kBlockSamples);
        const int64_t last = std::min(to, blocks.end - 1);
        SampleSpan older, newer;
        if (first <= last) {
            if (first < blocks.base)
                older = {blocks.previous + (first - (blocks.base - kBlockSamples)),
                         std::min(last, blocks.base - 1) - first + 1};
            if (last >= blocks.base) {
                const int64_t begin = std::max(first, blocks.base);
                newer = {blocks.current + (begin - blocks.base), last - begin + 1};
            }
        }
        ok = WriteWaveFile(path, format_, {older, newer}, inputIdentity_) == WaveStatus::Closed;
        if (ok)
            written = older.count + newer.count;
    }
    if (n % 2 == 0)
        result_.speechFrames += written;
    else
        result_.silenceFrames += written;
    if (ok) {
        ++result_.filesWritten;
    } else {
        ++result_.failedFiles;
        listener_.OnFileWriteFailed(path);
    }
}

} // namespace lectorio
