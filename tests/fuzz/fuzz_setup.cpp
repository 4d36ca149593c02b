// Fuzz target: the whole setup on the simulated machine over a mutated medium. The input is split at
// "\n#=#\n" marks into SETUP.INI, CONFIG.INI, COMMENT.INI, a session file, a machine file and a small
// package FUZZ.DAT; missing parts are empty. The session and machine files go through their parsers
// first; one that parses drives the run, otherwise the run installs with the sample session (every Next)
// on the default machine. The run itself is `setupcheck simulate`: start-up, the wizard and every stage,
// ending with a report. Setting TS_FUZZ_MEDIUM to a built sample medium puts its packages and pictures
// beside the inputs. Anything but a finished report or the command's own input errors is a fault.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "setupcheck/machine_file.h"
#include "setupcheck/session_file.h"
#include "setupcheck/simulate.h"

namespace fs = std::filesystem;

namespace {

// Through the wizard to the install command: Next, the licence accepted, then Next to the end.
constexpr char kInstallSession[] =
    "click BitBtn2\nclick RadioButton1\nclick BitBtn2\nclick BitBtn2\nclick BitBtn2\nclick BitBtn2\n"
    "click BitBtn2\nclick BitBtn2\nclick BitBtn2\n";

fs::path work;

void WriteHost(const fs::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

void Setup() {
    // Runs make their drives below the temporary folder: keep it in memory when the host allows.
    if (access("/dev/shm", W_OK) == 0) setenv("TMPDIR", "/dev/shm", 1);
    work = fs::temp_directory_path() / ("ts-fuzz-setup-" + std::to_string(getpid()));
    fs::create_directories(work / "medium");
    if (const char* medium = getenv("TS_FUZZ_MEDIUM")) {
        std::error_code error;
        fs::copy(medium, work / "medium", fs::copy_options::recursive | fs::copy_options::overwrite_existing, error);
    }
    std::atexit([] {
        std::error_code ignored;
        fs::remove_all(work, ignored);
    });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (work.empty()) Setup();
    std::string_view input(reinterpret_cast<const char*>(data), size);
    static constexpr std::string_view kMark = "\n#=#\n";
    std::string_view parts[6];
    for (int i = 0; i < 6; ++i) {
        const size_t mark = i < 5 ? input.find(kMark) : std::string_view::npos;
        parts[i] = input.substr(0, mark);
        input = mark == std::string_view::npos ? std::string_view() : input.substr(mark + kMark.size());
    }

    const fs::path medium = work / "medium";
    WriteHost(medium / "SETUP.INI", parts[0]);
    WriteHost(medium / "CONFIG.INI", parts[1]);
    WriteHost(medium / "COMMENT.INI", parts[2]);
    WriteHost(medium / "FUZZ.DAT", parts[5]);

    setupcheck::SimulateOptions options;
    options.medium = medium.string();
    options.sessionFile = (work / "session.txt").string();
    bool sessionParses = true;
    try {
        setupcheck::ParseSessionFile(std::string(parts[3]));
    } catch (const setupcheck::SessionFileError&) {
        sessionParses = false;
    }
    WriteHost(options.sessionFile, sessionParses && !parts[3].empty() ? parts[3] : std::string_view(kInstallSession));
    try {
        setupcheck::ParseMachineFile(std::string(parts[4]));
        options.machineFile = (work / "machine.ini").string();
        WriteHost(options.machineFile, parts[4]);
    } catch (const setupcheck::MachineFileError&) {
    }

    try {
        setupcheck::Simulate(options);
    } catch (const setupcheck::SimulateError&) {
        // A machine file that parses but cannot be applied (a setup folder on no drive, say).
    }
    return 0;
}
