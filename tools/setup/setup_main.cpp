// SETUP.EXE's entry: the real machine, then either the setup program in real windows (no arguments) or
// the unattended setup (/S, see docs/unattended.md). The setup folder is the current directory.
#include <iostream>
#include <string>
#include <vector>

#include "app/setup_program.h"
#include "os/machine.h"
#include "os/win32/win32_machine.h"
#include "setup/unattended_options.h"
#include "setup/unattended_run.h"
#include "vcl/forms.h"
#include "vcl/win32/win32_backend.h"

namespace {

constexpr char kUsage[] = "usage: SETUP.EXE [/S [/SESSION=FILE] [/LOG=FILE]]\n";

}  // namespace

int main(int argc, char** argv) {
    os::win32::Win32Machine machine;
    os::setMachine(&machine);
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (!arguments.empty()) {
        os::win32::UseParentConsoleForErrors();
        try {
            unattended::Options options = unattended::ParseOptions(arguments);
            return unattended::RunUnattended(options, std::cerr);
        } catch (const unattended::OptionsError& e) {
            std::cerr << "SETUP: " << e.what() << "\n" << kUsage;
            return unattended::kExitBadInput;
        }
    }
    vcl::win32::InstallBackend();
    int exitCode = app::RunSetupProgram();
    // Free the windows while the machine and the backend they use still exist.
    vcl::Application->DestroyForms();
    return exitCode;
}
