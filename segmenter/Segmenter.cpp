#include "Segmenter.h"

namespace lectorio {

// Placeholder until the detector lands.
SegmentationResult SegmentRecording(const std::string&, const std::string&, const std::string&,
                                    const SegmentationOptions&, SegmentationListener&) {
    return {};
}

std::string LabelFilePath(const std::string& inputPath) { return inputPath + ".lab"; }

} // namespace lectorio
