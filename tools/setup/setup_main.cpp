// SETUP.EXE's entry: the real machine and the real-window backend, then the setup program. The setup
// reads no command line and no environment; its setup folder is the current directory.
#include "app/setup_program.h"
#include "os/machine.h"
#include "os/win32/win32_machine.h"
#include "vcl/forms.h"
#include "vcl/win32/win32_backend.h"

int main() {
    os::win32::Win32Machine machine;
    os::setMachine(&machine);
    vcl::win32::InstallBackend();
    int exitCode = app::RunSetupProgram();
    // Free the windows while the machine and the backend they use still exist.
    vcl::Application->DestroyForms();
    return exitCode;
}
