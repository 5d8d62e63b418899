// SPDX-License-Identifier: GPL-3.0-or-later
#include "MciCommandLayer.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>

namespace lectorio {

namespace {

// Largest millisecond value accepted, so that ms x rate never overflows for
// any playable rate (at most 384000 Hz).
constexpr int64_t kMaxMilliseconds = INT64_MAX / 384000;

std::string Lower(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return result;
}

// Splits a command into words at blanks and tabs; a double-quoted stretch is
// one word without its quotes.
MciError SplitWords(std::string_view command, std::vector<std::string>& words) {
    size_t i = 0;
    while (i < command.size()) {
        const char c = command[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++i;
            continue;
        }
        if (c == '"') {
            // A quoted word ends at a lone double quote; two in a row stand
            // for one double quote inside the word.
            std::string word;
            size_t j = i + 1;
            for (;;) {
                if (j >= command.size())
                    return MciError::UnbalancedQuotes;
                if (command[j] == '"') {
                    if (j + 1 < command.size() && command[j + 1] == '"') {
                        word += '"';
                        j += 2;
                        continue;
                    }
                    break;
                }
                word += command[j++];
            }
            words.push_back(std::move(word));
            i = j + 1;
            continue;
        }
        size_t end = i;
        while (end < command.size() && command[end] != ' ' && command[end] != '\t' && command[end] != '\r' &&
               command[end] != '\n')
            ++end;
        words.emplace_back(command.substr(i, end - i));
        i = end;
    }
    return MciError::None;
}

// A decimal count of milliseconds.
MciError ParseMilliseconds(const std::string& word, int64_t& value) {
    if (word.empty())
        return MciError::BadInteger;
    const char* first = word.data();
    const char* last = word.data() + word.size();
    const bool negative = *first == '-';
    if (negative)
        ++first;
    if (first == last || !std::isdigit(static_cast<unsigned char>(*first)))
        return MciError::BadInteger;
    auto [end, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || end != last)
        return MciError::BadInteger;
    if ((negative && value != 0) || value > kMaxMilliseconds)
        return MciError::OutOfRange;
    return MciError::None;
}

} // namespace

std::string QuoteForCommand(const std::string& path) {
    std::string quoted = "\"";
    for (const char c : path) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    quoted += '"';
    return quoted;
}

struct CMciCommandLayer::Device {
    enum class Mode { Stopped, Playing, Paused };
    std::shared_ptr<PcmSource> track;
    std::unique_ptr<OutputStream> stream;
    Mode mode = Mode::Stopped;
    int64_t heldFrame = 0; // position while not playing

    // The first frame at or after `ms`, so that a position set in milliseconds
    // reads back as the same milliseconds.
    int64_t FrameFromMs(int64_t ms) const { return (ms * track->SampleRate() + 999) / 1000; }
    int64_t MsFromFrame(int64_t frame) const { return frame * 1000 / track->SampleRate(); }
    int64_t CurrentFrame() const { return mode == Mode::Playing ? stream->Position() : heldFrame; }

    MciError StartAt(int64_t frame) {
        const MciError result = stream->Start(frame);
        if (result != MciError::None) {
            heldFrame = stream->Position();
            mode = Mode::Stopped;
            return result;
        }
        mode = Mode::Playing;
        return MciError::None;
    }

    void Halt(Mode next) {
        if (mode == Mode::Playing)
            heldFrame = stream->Stop();
        mode = next;
    }
};

CMciCommandLayer::CMciCommandLayer(std::shared_ptr<AudioOutput> output) : output_(std::move(output)) {}

CMciCommandLayer::~CMciCommandLayer() = default;

MciError CMciCommandLayer::SendString(std::string_view command, std::string* answer) {
    if (answer)
        answer->clear();
    std::vector<std::string> words;
    if (const MciError split = SplitWords(command, words); split != MciError::None)
        return split;
    if (words.empty())
        return MciError::UnrecognisedCommand;
    const std::string verb = Lower(words[0]);
    if (verb == "open")
        return Open(words);
    if (verb != "play" && verb != "pause" && verb != "resume" && verb != "stop" && verb != "seek" &&
        verb != "status" && verb != "close")
        return MciError::UnrecognisedCommand;
    if (words.size() < 2)
        return MciError::MissingParameter;
    const std::string name = Lower(words[1]);
    if (verb == "close" && name == "all" && words.size() == 2) {
        devices_.clear();
        return MciError::None;
    }
    const auto found = devices_.find(name);
    if (found == devices_.end())
        return MciError::DeviceNotOpen;
    Device& device = *found->second;
    const std::vector<std::string> rest(words.begin() + 2, words.end());
    if (verb == "play")
        return Play(device, rest);
    if (verb == "seek")
        return Seek(device, rest);
    if (verb == "status") {
        std::string text;
        const MciError result = Status(device, rest, text);
        if (result == MciError::None && answer)
            *answer = text;
        return result;
    }
    for (const std::string& word : rest) {
        const std::string flag = Lower(word);
        if (flag != "notify" && flag != "wait")
            return MciError::UnrecognisedKeyword;
    }
    if (verb == "close") {
        devices_.erase(found);
        return MciError::None;
    }
    if (verb == "resume")
        return device.mode == Device::Mode::Paused ? device.StartAt(device.heldFrame) : MciError::None;
    // pause and stop hold the position; pause leaves the device paused (so
    // that resume plays it), stop leaves it stopped.
    device.Halt(verb == "pause" ? Device::Mode::Paused : Device::Mode::Stopped);
    return MciError::None;
}

MciError CMciCommandLayer::Open(const std::vector<std::string>& words) {
    if (words.size() < 2 || words[1].empty())
        return MciError::MissingParameter;
    const std::string& path = words[1];
    std::string name = Lower(path);
    for (size_t i = 2; i < words.size(); ++i) {
        const std::string keyword = Lower(words[i]);
        if (keyword == "alias" || keyword == "type") {
            if (i + 1 >= words.size() || words[i + 1].empty())
                return MciError::MissingParameter;
            if (keyword == "alias")
                name = Lower(words[i + 1]);
            ++i;
        } else if (keyword != "notify" && keyword != "wait" && keyword != "shareable") {
            return MciError::UnrecognisedKeyword;
        }
    }
    if (devices_.count(name) != 0)
        return MciError::AliasInUse;
    std::shared_ptr<PcmSource> track;
    if (const MciError opened = PcmSource::Open(path, track); opened != MciError::None)
        return opened;
    auto device = std::make_unique<Device>();
    device->stream = output_->CreateStream(track);
    device->track = std::move(track);
    devices_.emplace(name, std::move(device));
    return MciError::None;
}

MciError CMciCommandLayer::Play(Device& device, const std::vector<std::string>& words) {
    int64_t from = -1;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string keyword = Lower(words[i]);
        if (keyword == "from") {
            if (i + 1 >= words.size())
                return MciError::MissingParameter;
            int64_t ms; // set when the parse succeeds
            if (const MciError parsed = ParseMilliseconds(words[i + 1], ms); parsed != MciError::None)
                return parsed;
            from = device.FrameFromMs(ms);
            if (from > device.track->FrameCount())
                return MciError::OutOfRange;
            ++i;
        } else if (keyword != "notify") {
            return MciError::UnrecognisedKeyword;
        }
    }
    if (from < 0) {
        if (device.mode == Device::Mode::Playing)
            return MciError::None;
        from = device.heldFrame;
    }
    return device.StartAt(from);
}

MciError CMciCommandLayer::Seek(Device& device, const std::vector<std::string>& words) {
    if (words.empty() || Lower(words[0]) != "to")
        return words.empty() ? MciError::MissingParameter : MciError::UnrecognisedKeyword;
    if (words.size() < 2)
        return MciError::MissingParameter;
    for (size_t i = 2; i < words.size(); ++i) {
        const std::string flag = Lower(words[i]);
        if (flag != "notify" && flag != "wait")
            return MciError::UnrecognisedKeyword;
    }
    const std::string target = Lower(words[1]);
    int64_t frame = 0;
    if (target == "start") {
        frame = 0;
    } else if (target == "end") {
        frame = device.track->FrameCount();
    } else {
        int64_t ms; // set when the parse succeeds
        if (const MciError parsed = ParseMilliseconds(words[1], ms); parsed != MciError::None)
            return parsed;
        frame = device.FrameFromMs(ms);
        if (frame > device.track->FrameCount())
            return MciError::OutOfRange;
    }
    if (device.mode == Device::Mode::Playing)
        device.Halt(Device::Mode::Stopped);
    device.heldFrame = frame;
    return MciError::None;
}

MciError CMciCommandLayer::Status(Device& device, const std::vector<std::string>& words,
                                  std::string& answer) {
    if (words.empty())
        return MciError::MissingParameter;
    for (size_t i = 1; i < words.size(); ++i) {
        const std::string flag = Lower(words[i]);
        if (flag != "notify" && flag != "wait")
            return MciError::UnrecognisedKeyword;
    }
    const std::string item = Lower(words[0]);
    if (item == "position") {
        // A run whose server went away pauses where it was last heard.
        if (device.mode == Device::Mode::Playing && device.stream->Lost()) {
            device.Halt(Device::Mode::Paused);
            return MciError::NoAudioOutput;
        }
        answer = std::to_string(device.MsFromFrame(device.CurrentFrame()));
    } else if (item == "length") {
        answer = std::to_string(device.MsFromFrame(device.track->FrameCount()));
    } else if (item == "mode") {
        answer = device.mode == Device::Mode::Playing  ? "playing"
                 : device.mode == Device::Mode::Paused ? "paused"
                                                       : "stopped";
    } else {
        return MciError::UnrecognisedKeyword;
    }
    return MciError::None;
}

} // namespace lectorio
