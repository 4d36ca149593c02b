// `setupcheck validate`: every problem of a setup medium, each with the file and line it is about.
#pragma once
#include <iosfwd>
#include <string>
#include <vector>

#include "setupcheck/validate/findings.h"
#include "setupcheck/validate/package_checks.h"

namespace setupcheck::validate {

// Validates the medium in setupFolder, a folder of the machine in use (os::machine() must be set).
// Reads the three description files as the setup does, tests every package the description names, and
// returns the findings in file order.
std::vector<Finding> ValidateMedium(const std::string& setupFolder, const TestProgress& progress = {});

// The whole command: "MEDIUM_DIR [--json] [--machine FILE]". Writes the findings to out and progress to err;
// returns 0 without errors, 1 with errors, 2 when it cannot run.
int RunValidateCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace setupcheck::validate
