// What the wizard makes of the description: the instance page keyed on the lead module, the default
// instance name, and the files its pages and the main window show (licence, readme, pictures).
#pragma once
#include "setupcheck/validate/medium.h"

namespace setupcheck::validate {

// instance-lead and bad-default-instance.
void CheckInstancePage(Medium& medium);
// bad-picture for module pictures; missing-text-file for License.TXT, Readme.TXT and the backgrounds.
void CheckShownFiles(Medium& medium);

}  // namespace setupcheck::validate
