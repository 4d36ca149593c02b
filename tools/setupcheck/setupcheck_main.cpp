// setupcheck: the release engineer's checks of a setup medium. Commands: simulate (see docs/report.md).
#include <iostream>
#include <string>
#include <vector>

#include "setupcheck/simulate.h"

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.empty() || arguments[0] != "simulate") {
        std::cerr << "usage: setupcheck simulate MEDIUM_DIR [--session FILE] [--machine FILE] [--root DIR [--in-place]]"
                     " [--report FILE]\n";
        return 2;
    }
    arguments.erase(arguments.begin());
    return setupcheck::RunSimulateCommand(arguments, std::cout, std::cerr);
}
