#include <cstdio>
#include <string_view>

#include "game/program.h"
#include "klice/version.h"

int main(int argc, char** argv) {
    // The game itself takes no options; --version is for the player's
    // terminal and the package tools.
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        std::printf("klice %s\n", klice::kVersion);
        return 0;
    }
    return klice::run_program();
}
