// SETUP.EXE's command line. Without arguments the setup runs in its windows; /S runs it unattended:
//   SETUP.EXE /S [/SESSION=FILE] [/LOG=FILE]
// Options are case-insensitive and may begin with '-' instead of '/'.
#pragma once
#include <stdexcept>
#include <string>
#include <vector>

namespace unattended {

class OptionsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Options {
    bool silent = false;  // /S
    std::string session;  // /SESSION=FILE: the answers; empty: the default answers
    std::string log;      // /LOG=FILE: the report; empty: none
};

// The options of the arguments after the program's name. Raises OptionsError for an unknown option, an
// option given twice, an empty file name, or /SESSION or /LOG without /S.
Options ParseOptions(const std::vector<std::string>& arguments);

}  // namespace unattended
