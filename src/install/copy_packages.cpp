// The copy stage: unpacks the selected modules' packages and the public modules into the products'
// directories. Not written yet.
#include "app/main_form.h"

namespace app {

void TMainForm::CopyPackages() {}

}  // namespace app
