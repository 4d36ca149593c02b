// Start-menu folders and shortcuts. Not written yet.
#include "app/main_form.h"

namespace app {

void TMainForm::CreateProgramGroup() {}
void TMainForm::MakeDirectoryPath(const std::string&) {}
std::string TMainForm::GetShortcutFolder(const std::string&, const std::string&) { return {}; }

}  // namespace app
