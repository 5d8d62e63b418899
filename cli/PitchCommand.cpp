#include "Commands.h"

#include <cstdio>

namespace lectorio::cli {

int RunPitch(const Args&) {
    std::fputs("lectorio-cli: pitch is not available yet\n", stderr);
    return 2;
}
int RunStretch(const Args&) {
    std::fputs("lectorio-cli: stretch is not available yet\n", stderr);
    return 2;
}
} // namespace lectorio::cli
