// Pages 7 and 8 of the wizard: the install paths with their sizes, the folder browser and the path dialog,
// the summary and the disk-space check. Not written yet: the pages stay empty and nothing is short.
#include "wizard/setup_guide.h"

namespace wizard {

void TfrmSetupGuide::FillPathList() {}
void TfrmSetupGuide::ListView1Click(vcl::TComponent*) {}
void TfrmSetupGuide::BitBtn5Click(vcl::TComponent*) {}
void TfrmSetupGuide::BitBtn6Click(vcl::TComponent*) {}
void TfrmSetupGuide::FillSummary() {}
bool TfrmSetupGuide::CheckDiskSpace() { return false; }

}  // namespace wizard
