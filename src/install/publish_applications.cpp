// The application list of the family's publishing client. Not written yet.
#include "app/main_form.h"

namespace app {

void TMainForm::PublishApplications() {}

}  // namespace app
