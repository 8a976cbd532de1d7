#include <iostream>

#include "tools/command_line.h"
#include "tools/soak/soak_runner.h"
#include "tools/version.h"

int main(int argc, char** argv) {
    if (klice::tools::print_version_if_asked("klice-soak", argc, argv)) return 0;
    using namespace klice::soak;
    return klice::tools::tool_main<options>("klice-soak", kUsage, argc, argv, parse_options,
                                            [](options& o) { return verdict(o, run(o, std::cout)); });
}
