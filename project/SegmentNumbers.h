// SPDX-License-Identifier: GPL-3.0-or-later
// Visiting the segment numbers of a project whose files may exist.
//
// A project file states its segment count, and every command that walks the
// segments (final text, cleaning, closing) tries 1..count. A damaged or
// hand-made project file can claim two billion segments; trying each number
// would then keep the program busy for hours. Above kDirectVisitLimit the
// folder is listed instead and only numbers with a file are visited, which
// gives the same result at the cost of one folder listing.
//
// No Qt; runs on the calling thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace lectorio {

inline constexpr int32_t kDirectVisitLimit = 100000;

// Calls `visit(n)` in ascending order for the numbers n in 1..upTo that may
// have a file `folder`/NNNNN_`name``suffix` for one of `suffixes` (NNNNN is
// "%.5d" of n): every number when upTo <= kDirectVisitLimit, else those with
// such a file in the folder listing (or 1..kDirectVisitLimit when the folder
// cannot be listed).
void ForEachSegmentNumber(const std::string& folder, const std::string& name,
                          const std::vector<std::string>& suffixes, int32_t upTo,
                          const std::function<void(int32_t)>& visit);

} // namespace lectorio
