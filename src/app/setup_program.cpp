// The setup program's windows and its entry: the application object, the six windows in their start-up
// order, and the message loop.
#include "app/setup_program.h"

#include "app/main_form.h"
#include "vcl/forms.h"
#include "wizard/setup_busy.h"
#include "wizard/setup_guide.h"
#include "wizard/setup_module_sel.h"
#include "wizard/setup_path_dialog.h"
#include "wizard/setup_prompt.h"

namespace app {

TMainForm* MainForm = nullptr;
wizard::TfrmPrompt* frmPrompt = nullptr;
wizard::TfrmModuleSel* frmModuleSel = nullptr;
wizard::TfrmPath* frmPath = nullptr;
wizard::TfrmSetup* frmSetup = nullptr;
wizard::TfrmSetupGuide* frmSetupGuide = nullptr;

namespace {

void ForgetWindows() {
    MainForm = nullptr;
    frmPrompt = nullptr;
    frmModuleSel = nullptr;
    frmPath = nullptr;
    frmSetup = nullptr;
    frmSetupGuide = nullptr;
}

}  // namespace

void CreateSetupWindows() {
    vcl::Application->Initialize();
    // The main window loads the description while it is created, before the wizard exists; the dialogs
    // and the wizard add their marks to the prompt window as they are built.
    vcl::Application->CreateForm(MainForm);
    vcl::Application->CreateForm(frmPrompt);
    vcl::Application->CreateForm(frmModuleSel);
    vcl::Application->CreateForm(frmPath);
    vcl::Application->CreateForm(frmSetup);
    vcl::Application->CreateForm(frmSetupGuide);
}

void DestroySetupWindows() {
    vcl::Application->DestroyForms();
    ForgetWindows();
}

bool InstallationRunning() { return MainForm && MainForm->InstallationRunning(); }

int RunSetupProgram(const std::function<void()>& beforeRun) {
    ForgetWindows();
    try {
        CreateSetupWindows();
        if (beforeRun) beforeRun();
        vcl::Application->Run();
    } catch (...) {
        vcl::Application->HandleException();
    }
    return 0;
}

}  // namespace app
