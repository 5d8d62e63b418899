// SPDX-License-Identifier: GPL-3.0-or-later
// Reading the option dialogs' fields and applying their range rules, shared by
// the Segmentation Options dialog and `lectorio-cli segment`.
//
// Fields are read like C's atoi/atof take a leading number, but in plain
// decimal notation only and whatever the process's locale: "nan", "inf" and
// hexadecimal read as 0 (so they meet the range rules instead of slipping past
// them), and whole numbers beyond 32 bits saturate.
#pragma once

#include "SegmentationOptions.h"

#include <cstdint>
#include <string>

namespace lectorio {

// Leading blanks, an optional sign, leading decimal digits; 0 when there are
// none. Saturates at the 32-bit limits. "12.7" reads 12. Typed segment
// numbers and the project file's segment count are read the same way.
int32_t ReadIntField(const std::string& text);

// Leading blanks, an optional sign, digits with an optional '.' and fraction,
// an optional exponent ("e" or "E", sign, digits); 0 when there is no digit.
// A value beyond the double range reads as +-infinity, one below it as 0.
double ReadFloatField(const std::string& text);

// The texts of the five edit fields of the Segmentation Options dialog.
struct SegmentationFieldTexts {
    std::string maxSegmentLength;
    std::string startThreshold;
    std::string endThreshold;
    std::string energyHistory;
    std::string sampleThreshold;
};

// Reads the fields in the dialog's order with its range rules and returns the
// options (createLabelFile as given). Each field whose value was out of range
// gets the text the dialog then shows:
//   thresholds below 0.00001 -> 0.00001, above 1 -> 1 ("%f": "0.000010", "1.000000")
//   sample value threshold: whole number, clamped to 0..32767
//   total energy history: clamped to 0..32767
//   maximum segment length: outside 1..1000 -> 3
SegmentationOptions ValidateSegmentationFields(SegmentationFieldTexts& fields, bool createLabelFile);

// The field texts for `options`: "%i" for the whole numbers and the truncated
// sample value threshold, "%1.2f" for the thresholds (always with a '.').
SegmentationFieldTexts FormatSegmentationFields(const SegmentationOptions& options);

// "%f" / "%1.2f" of a value with a '.' whatever the locale.
std::string FormatFixed(double value, int decimals);

} // namespace lectorio
