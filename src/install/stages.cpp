// The installation stages of the main window. They are not written yet and do
// nothing, so the sequence around them can be run and tested.
#include "app/main_form.h"

namespace app {

// Unpacks the selected modules' packages and the public modules into the products' directories.
void TMainForm::CopyPackages() {}

// Product INI files and registry keys, install information, RunOnce values, uninstaller, login
// information, uninstall entry, then C:\AUTOEXEC.BAT and C:\CONFIG.SYS.
void TMainForm::ConfigureEnvironment() {}

// The application list of the family's publishing client.
void TMainForm::PublishApplications() {}

// Start-menu folders and shortcuts.
void TMainForm::CreateProgramGroup() {}

}  // namespace app
