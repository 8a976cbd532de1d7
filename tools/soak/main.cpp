#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/soak/soak_runner.h"
#include "tools/version.h"

int main(int argc, char** argv) {
    if (klice::tools::print_version_if_asked("klice-soak", argc, argv)) return 0;
    std::vector<std::string> args(argv + 1, argv + argc);
    klice::soak::options options;
    try {
        options = klice::soak::parse_options(args);
    } catch (const std::invalid_argument& e) {
        std::cerr << "klice-soak: " << e.what() << "\n" << klice::soak::kUsage;
        return 2;
    }
    try {
        const klice::soak::report report = klice::soak::run(options, std::cout);
        return klice::soak::verdict(options, report);
    } catch (const std::exception& e) {
        std::cerr << "klice-soak: " << e.what() << "\n";
        return 1;
    }
}
