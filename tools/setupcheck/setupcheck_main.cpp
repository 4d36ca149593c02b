// setupcheck: the release engineer's checks of a setup medium. Commands: validate (docs/medium-format.md)
// and, where the simulated machine exists, simulate (docs/report.md).
#include <iostream>
#include <string>
#include <vector>

#include "setupcheck/validate/validate.h"
#ifndef TS_VALIDATE_ONLY
#include "setupcheck/simulate.h"
#endif

namespace {

int Usage() {
    std::cerr << "usage: setupcheck validate MEDIUM_DIR [--json] [--machine FILE]\n";
#ifndef TS_VALIDATE_ONLY
    std::cerr << "       setupcheck simulate MEDIUM_DIR [--session FILE] [--machine FILE] [--root DIR [--in-place]]"
                 " [--report FILE]\n";
#endif
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.empty()) return Usage();
    std::string command = arguments[0];
    arguments.erase(arguments.begin());
    if (command == "validate") return setupcheck::validate::RunValidateCommand(arguments, std::cout, std::cerr);
#ifndef TS_VALIDATE_ONLY
    if (command == "simulate") return setupcheck::RunSimulateCommand(arguments, std::cout, std::cerr);
#endif
    return Usage();
}
