// Registry and uninstall registration. Not written yet.
#include "app/main_form.h"

namespace app {

void TMainForm::RegisterProducts() {}
void TMainForm::RegisterInstallInfo() {}
void TMainForm::RegisterRunOnce() {}
void TMainForm::CopyUninstaller() {}
void TMainForm::WriteLoginInfo() {}
void TMainForm::RegisterUninstall() {}
void TMainForm::RecordExtractedFiles(int, const std::string&, const std::vector<std::string>&) {}

}  // namespace app
