// `--version`, answered the same way by every program: its name and the
// game's version ("klice-play 1.0.0") on standard output.
#pragma once

#include <cstdio>
#include <string_view>

#include "klice/version.h"

namespace klice::tools {

// True, once printed, when any argument is --version: the program then ends
// with success before reading the others.
inline bool print_version_if_asked(const char* program, int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::string_view(argv[i]) == "--version") {
            std::printf("%s %s\n", program, kVersion);
            return true;
        }
    return false;
}

}  // namespace klice::tools
