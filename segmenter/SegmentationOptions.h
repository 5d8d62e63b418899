// SPDX-License-Identifier: GPL-3.0-or-later
// The options of a segmentation run, edited by the Segmentation Options dialog
// and not persisted: every start of the program begins with these defaults.
#pragma once

#include <cstdint>

namespace lectorio {

struct SegmentationOptions {
    int32_t maxSegmentLength = 3;     // whole seconds
    float startThreshold = 0.6f;      // fraction of the decision window that starts speech
    float endThreshold = 0.2f;        // fraction of the decision window below which speech ends
    int32_t energyHistory = 14;       // H, frames in the decision window (below 1 used as 1)
    float sampleThreshold = 10000.0f; // a frame is active when its energy exceeds this
    bool createLabelFile = true;
};

} // namespace lectorio
