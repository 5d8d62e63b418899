#include "SegmentationRun.h"

namespace lectorio {

SegmentationResult RunSegmentation(ProjectState& state, const SegmentationOptions& options,
                                   SegmentationListener& display) {
    // Placeholder until the detector lands.
    (void)options;
    (void)display;
    state.segmentCount = 0;
    return {};
}

} // namespace lectorio
