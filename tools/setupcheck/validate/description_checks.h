// Reading of the three description files into Medium::description, with the findings about single
// entries: their shape, numbers, capacities, numbered keys, sections named but missing, packages missing.
#pragma once
#include "setupcheck/validate/medium.h"

namespace setupcheck::validate {

// SETUP.INI: login values, install modes, products, modules with their packages, public modules, shortcuts.
void ReadSetupIni(Medium& medium);
// CONFIG.INI: the products' configuration sections, service entries and additional programs.
void ReadConfigIni(Medium& medium);
// COMMENT.INI: a comment for every module, and no section the setup does not read.
void CheckCommentIni(Medium& medium);
// A second section or key of the same name in any of the three files (the first one is read).
void CheckDuplicates(Medium& medium);

}  // namespace setupcheck::validate
