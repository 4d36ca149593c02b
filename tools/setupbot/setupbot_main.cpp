// setupbot: drives SETUP.EXE's real windows with a session file, checks the screen at each stop and
// writes a JSON report (docs/setupbot.md).
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "setupbot/options.h"
#include "setupbot/player.h"

namespace {

constexpr char kUsage[] =
    "usage: setupbot SESSION --report FILE [--shots DIR] [--timeout SECONDS] [--stage-stops N]\n"
    "                [--capture gdi|x11] -- PROGRAM [ARGS...]\n";

}  // namespace

int main() {
    int count = 0;
    wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::wstring> arguments;
    for (int i = 1; i < count; ++i) arguments.emplace_back(words[i]);
    LocalFree(words);
    std::string error;
    std::optional<setupbot::Options> options = setupbot::ParseOptions(arguments, error);
    if (!options) {
        std::fprintf(stderr, "setupbot: %s\n%s", error.c_str(), kUsage);
        return 2;
    }
    return setupbot::RunRobot(*options);
}
