// The texts the setup passes through macro substitution: macros that name no product, words shaped like
// macros that are none, macros that are not replaced, texts too long to be searched whole.
#pragma once
#include "setupcheck/validate/medium.h"

namespace setupcheck::validate {

void CheckMacroTexts(Medium& medium);

}  // namespace setupcheck::validate
