// SPDX-License-Identifier: GPL-3.0-or-later
#include "MciError.h"

#include <array>
#include <cstddef>

namespace lectorio {

namespace {

constexpr std::array<const char*, static_cast<std::size_t>(MciError::Last) + 1> kTexts = {
    "The command completed successfully.",
    "The specified file cannot be found. Make sure the path and file name are correct.",
    "The specified file cannot be opened for reading. Check its permissions.",
    "The specified file is not a playable WAV file: its header is damaged or its sample format is not "
    "supported.",
    "The specified alias is already being used by an open device. Use a unique alias.",
    "The specified device is not open or is not recognized.",
    "No audio output is available. Make sure a sound server (PulseAudio or PipeWire) is running.",
    "The sound server refused or ended the playback stream.",
    "Unrecognized command. Check the command name.",
    "Unrecognized keyword. Check the parameters of the command.",
    "A parameter is missing. The command needs a device name, a file name or a value.",
    "The specified integer is invalid for this command.",
    "The specified position is out of range for this file.",
    "A double quote is missing at the end of a file name.",
};

} // namespace

const char* MciErrorText(MciError code) {
    const auto index = static_cast<int32_t>(code);
    if (index < 0 || index > static_cast<int32_t>(MciError::Last))
        return "Unknown error code.";
    return kTexts[static_cast<std::size_t>(index)];
}

} // namespace lectorio
