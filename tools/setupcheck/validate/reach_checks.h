// What the packages install, against what the description expects to find: shortcut targets, RunOnce
// and additional programs, and files two packages both write.
#pragma once
#include <map>
#include <string>

#include "setupcheck/validate/medium.h"
#include "setupcheck/validate/package_checks.h"

namespace setupcheck::validate {

using PackageMap = std::map<std::string, PackageContents>;

// unreachable-shortcut: a shortcut whose target no package of its product installs, per install mode.
void CheckShortCuts(Medium& medium, const PackageMap& packages);
// unreachable-program: a RunOnce entry or additional program whose program no package installs and that
// is not on the medium. Programs in the Windows or system directory are taken to be the system's own.
void CheckPrograms(Medium& medium, const PackageMap& packages);
// duplicate-target: within one install mode, a file written by two different packages.
void CheckDuplicateTargets(Medium& medium, const PackageMap& packages);

}  // namespace setupcheck::validate
