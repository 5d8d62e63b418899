#include "Commands.h"

#include <cstdio>

namespace lectorio::cli {

int RunSegment(const Args&) {
    std::fputs("lectorio-cli: segment is not available yet\n", stderr);
    return 2;
}

} // namespace lectorio::cli
