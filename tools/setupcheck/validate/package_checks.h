// The packages of the medium opened and tested with the archive engine: every item decrypted with the
// package password, decoded and checked against its CRC, its stored name checked for a way out of the
// target directory. Each package is tested once, however many entries name it.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "setupcheck/validate/medium.h"

namespace setupcheck::validate {

// What a package installs: its items' stored names ('\' separators), in archive order.
struct PackageContents {
    bool opened = false;
    std::vector<std::string> items;
};

// Progress of the tests: bytes of package files done and in all; called often, the callee throttles.
using TestProgress = std::function<void(uint64_t done, uint64_t total, const std::string& package)>;

// Tests every package the description names (module and public-module packages that are on the medium)
// and returns their contents by folded file name. Findings go to the line of the first entry naming each.
std::map<std::string, PackageContents> TestPackages(Medium& medium, const TestProgress& progress);

}  // namespace setupcheck::validate
