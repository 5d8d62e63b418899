// SPDX-License-Identifier: GPL-3.0-or-later
#include "SegmentNumbers.h"

#include <algorithm>
#include <charconv>
#include <filesystem>

#include "ProjectState.h"
#include "Segmenter.h"

namespace lectorio {

namespace {

// The segment number of a file name "<digits>_<name><suffix>" when its digits
// are exactly how that number is written, else 0.
int32_t NumberOfFile(const std::string& file, const std::string& name,
                     const std::vector<std::string>& suffixes) {
    size_t digits = 0;
    while (file[digits] >= '0' && file[digits] <= '9') // the string's '\0' ends it
        ++digits;
    const std::string rest = file.substr(digits);
    const bool matches = std::any_of(suffixes.begin(), suffixes.end(),
                                     [&](const std::string& suffix) { return rest == "_" + name + suffix; });
    int32_t number; // set when the digits make a number that fits
    if (!matches || std::from_chars(file.data(), file.data() + digits, number).ec != std::errc())
        return 0;
    // "00000" comes back as 0, which is no segment.
    return SegmentNumberText(number) == file.substr(0, digits) ? number : 0;
}

} // namespace

void ForEachSegmentNumber(const std::string& folder, const std::string& name,
                          const std::vector<std::string>& suffixes, int32_t upTo,
                          const std::function<void(int32_t)>& visit) {
    if (upTo <= kDirectVisitLimit) {
        for (int32_t n = 1; n <= upTo; ++n)
            visit(n);
        return;
    }
    std::vector<int32_t> numbers;
    std::error_code error;
    std::filesystem::directory_iterator it(folder, error);
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        const int32_t n = NumberOfFile(it->path().filename().string(), name, suffixes);
        if (n >= 1 && n <= upTo)
            numbers.push_back(n);
    }
    if (error) {
        for (int32_t n = 1; n <= kDirectVisitLimit; ++n)
            visit(n);
        return;
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    for (const int32_t n : numbers)
        visit(n);
}

} // namespace lectorio
