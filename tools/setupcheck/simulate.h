// `setupcheck simulate`: runs the real start-up and installation sequence of the setup on a simulated
// Windows machine, driven by a session file, and reports what it showed and changed (see docs/report.md).
#pragma once
#include <iosfwd>
#include <stdexcept>
#include <string>
#include <vector>

#include "setupcheck/report.h"

namespace setupcheck {

// Bad arguments, or a file that cannot be read or is malformed: the command exits with status 2.
class SimulateError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Host paths, as given on the command line.
struct SimulateOptions {
    std::string medium;       // folder whose files appear at the machine's setup folder
    std::string sessionFile;  // empty: no actions
    std::string machineFile;  // empty: the default machine
    std::string root;         // host folder with one sub-folder per drive letter; empty: fresh folders
    bool inPlace = false;     // work in root itself rather than a copy of it
    std::string reportFile;   // empty: standard output
};

// The arguments after "simulate". Raises SimulateError on unknown options, missing values or a missing
// medium.
SimulateOptions ParseSimulateArguments(const std::vector<std::string>& arguments);

// Runs the setup once on a machine made from the options and returns its report. The simulated machine is
// installed as the process's machine for the run and the previous one restored afterwards; the setup's
// windows are freed. Raises SimulateError for unreadable or malformed inputs.
Report Simulate(const SimulateOptions& options);

// The whole command: parses, runs, writes the JSON report. Returns the exit status (0, or 2 with a
// message on err).
int RunSimulateCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace setupcheck
