// SPDX-License-Identifier: GPL-3.0-or-later
// Whole-file replacement for the engine's outputs (pitch track, slowed copy):
// the content is written to a new file beside the destination and renamed
// over it only when complete, so a reader never sees a half-written file and
// a failure leaves the old file as it was.
#pragma once

#include <string>

namespace lectorio {

// Creates a new empty file with a unique name in the folder of `path` and
// returns its path, or an empty text when none could be created.
std::string CreateFileBeside(const std::string& path);

// Renames `temporary` to `path`, replacing it. On failure `temporary` is
// removed and false returned.
bool MoveIntoPlace(const std::string& temporary, const std::string& path);

// Removes a file; a file that does not exist is not an error.
void RemoveQuietly(const std::string& path);

// True when both paths name the same existing file.
bool SameFile(const std::string& a, const std::string& b);

} // namespace lectorio
