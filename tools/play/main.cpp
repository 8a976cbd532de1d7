#include <iostream>

#include "tools/command_line.h"
#include "tools/play/play_runner.h"
#include "tools/version.h"

int main(int argc, char** argv) {
    if (klice::tools::print_version_if_asked("klice-play", argc, argv)) return 0;
    using namespace klice::play;
    return klice::tools::tool_main<options>("klice-play", kUsage, argc, argv, parse_options,
                                            [](options& o) { return run(o, std::cout); });
}
