#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/play/play_runner.h"
#include "tools/version.h"

int main(int argc, char** argv) {
    if (klice::tools::print_version_if_asked("klice-play", argc, argv)) return 0;
    std::vector<std::string> args(argv + 1, argv + argc);
    klice::play::options options;
    try {
        options = klice::play::parse_options(args);
    } catch (const std::invalid_argument& e) {
        std::cerr << "klice-play: " << e.what() << "\n" << klice::play::kUsage;
        return 2;
    }
    try {
        return klice::play::run(options, std::cout);
    } catch (const std::exception& e) {
        std::cerr << "klice-play: " << e.what() << "\n";
        return 1;
    }
}
