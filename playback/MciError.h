// SPDX-License-Identifier: GPL-3.0-or-later
// Result codes of the MCI-style command layer and their readable texts.
//
// Every code has exactly one text in one table (MciError.cpp); the window shows
// the text of a failed command in its "Error" box.
#pragma once

#include <cstdint>

namespace lectorio {

enum class MciError : int32_t {
    None = 0,
    FileNotFound,        // the path names no file
    FileNotReadable,     // the file exists but cannot be opened for reading
    NotPlayableWave,     // not a WAV file the player can decode
    AliasInUse,          // the alias already names an open device
    DeviceNotOpen,       // no device is open under the given name
    NoAudioOutput,       // no sound server reachable, no output device
    OutputFailed,        // the sound server refused or dropped the stream
    UnrecognisedCommand, // the first word is not a known command
    UnrecognisedKeyword, // a word after the device name is not understood
    MissingParameter,    // the command lacks a device name, path or value
    BadInteger,          // a position is not a decimal whole number
    OutOfRange,          // a position lies beyond the end of the file
    UnbalancedQuotes,    // a double quote is not closed
    Last = UnbalancedQuotes
};

// The readable text of a result code; a code outside the enumeration gets a
// generic text.
const char* MciErrorText(MciError code);

} // namespace lectorio
