// The environment stage: product INI files, the registration steps, then C:\AUTOEXEC.BAT and
// C:\CONFIG.SYS. Not written yet.
#include "app/main_form.h"

namespace app {

void TMainForm::ConfigureEnvironment() {}

}  // namespace app
