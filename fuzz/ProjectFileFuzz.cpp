// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target of the project file and the option fields: any bytes as a
// project file (read, then named as opening does), and the same bytes cut at
// line ends into the five fields of the Segmentation Options dialog.
#include "FuzzFiles.h"
#include "OptionFields.h"
#include "ProjectState.h"

#include <string>

using namespace lectorio;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzz::WriteScratchFile("p.vprj", data, size);
    const ProjectFileContents contents = ReadProjectFile(path);
    if (!contents.ok || contents.outputFolder.find('\n') != std::string::npos)
        __builtin_trap(); // a readable file always reads; the folder ends at its line's end
    if (IsUsableProjectFolder(contents.outputFolder))
        ProjectNameFromProjectPath(path, contents.outputFolder);
    NameFromFilePath(contents.outputFolder, 5);

    std::string fields[5];
    const std::string text(reinterpret_cast<const char*>(data), size);
    size_t start = 0;
    for (std::string& field : fields) {
        const size_t end = text.find('\n', start);
        field = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = end == std::string::npos ? text.size() : end + 1;
    }
    SegmentationFieldTexts texts{fields[0], fields[1], fields[2], fields[3], fields[4]};
    const SegmentationOptions options = ValidateSegmentationFields(texts, true);
    SegmentationFieldTexts again = FormatSegmentationFields(options);
    const SegmentationOptions same = ValidateSegmentationFields(again, true);
    // The dialog's texts read back to the values they show.
    if (same.maxSegmentLength != options.maxSegmentLength || same.energyHistory != options.energyHistory ||
        !(options.startThreshold >= 0.00001f && options.startThreshold <= 1.0f))
        __builtin_trap();
    return 0;
}
