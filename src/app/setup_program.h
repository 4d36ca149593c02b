// The setup program as a whole: its six windows (global instances created once at start-up) and the
// entry that creates them and runs the message loop. SETUP.EXE's WinMain and headless runs call it.
#pragma once
#include <functional>

namespace wizard {
class TfrmPrompt;
class TfrmModuleSel;
class TfrmPath;
class TfrmSetup;
class TfrmSetupGuide;
}  // namespace wizard

namespace app {

class TMainForm;

// The windows, in the order they are created. Null before RunSetupProgram creates them; they stay valid
// until vcl::Application->DestroyForms() (or the end of the process) frees them.
extern TMainForm* MainForm;
extern wizard::TfrmPrompt* frmPrompt;
extern wizard::TfrmModuleSel* frmModuleSel;
extern wizard::TfrmPath* frmPath;
extern wizard::TfrmSetup* frmSetup;
extern wizard::TfrmSetupGuide* frmSetupGuide;

// Runs the setup: initialises the application object, creates the six windows in order (the main window
// loads the description from the current directory while it is created), calls beforeRun when given (a
// headless run uses it to observe the windows) and runs the message loop until the main window closes.
// An exception that escapes the start-up is shown in the application's exception box. Returns the process
// exit code, always 0. A window backend (vcl::SetBackend) must be installed by the caller; ERunEnded from
// a headless backend passes through to the caller. The windows are not freed here.
int RunSetupProgram(const std::function<void()>& beforeRun = {});

// Initialises the application object and creates the six windows in order; the main window loads the
// description from the current directory while it is created. RunSetupProgram starts with it; tests that
// work on the windows without the message loop call it themselves.
void CreateSetupWindows();

// True while the main window runs the installation (TMainForm::InstallationRunning); false when there is
// no main window. The setup's other windows refuse to be closed by the user meanwhile.
bool InstallationRunning();

// Frees the six windows (vcl::Application->DestroyForms()) and sets their globals back to null. Runs that
// go on after the setup (tests, setupcheck) call it while the backend the windows were made with is still
// installed.
void DestroySetupWindows();

}  // namespace app
