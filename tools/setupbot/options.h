// The command line:
//   setupbot SESSION --report FILE [--shots DIR] [--timeout SECONDS] [--stage-stops N]
//            [--capture gdi|x11] -- PROGRAM [ARGS...]
#pragma once
#include <optional>
#include <string>
#include <vector>

namespace setupbot {

struct Options {
    std::wstring session, report, shots;
    unsigned timeoutSeconds = 120;
    int stageStops = 12;
    std::wstring capture;  // "gdi", "x11" or empty: x11 under Wine, else gdi
    std::vector<std::wstring> program;  // PROGRAM and its arguments
};

// Parses the arguments after the program's own name. Nothing, with a message in error, when they are
// malformed.
std::optional<Options> ParseOptions(const std::vector<std::wstring>& arguments, std::string& error);

}  // namespace setupbot
