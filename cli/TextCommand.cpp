#include "Commands.h"

#include <cstdio>

namespace lectorio::cli {

int RunText(const Args&) {
    std::fputs("lectorio-cli: text is not available yet\n", stderr);
    return 2;
}

} // namespace lectorio::cli
