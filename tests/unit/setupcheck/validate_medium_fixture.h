// A small medium that validates clean, kept as file name -> bytes so that a test can break it in one way
// before it is written to a fresh folder of the test machine. Line numbers of the description files are
// listed beside their texts; the checks' tests name them.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "setupcheck/validate/findings.h"

namespace validate_test {

using MediumFiles = std::map<std::string, std::string>;

// One mode (kind 1, led by an MSDE module), one product with two modules, one public module, one
// shortcut, configuration file, registry key, boot line, service entry and additional program.
MediumFiles CleanMedium();

// An encrypted package (the package password) holding the named items, each with a short text.
std::string Package(const std::vector<std::string>& items);

// Replaces the first occurrence of from in text; the test fails when there is none.
void Replace(std::string& text, const std::string& from, const std::string& to);

// Writes the files to a fresh folder of the test machine and validates it.
std::vector<setupcheck::validate::Finding> Validate(const MediumFiles& files);

}  // namespace validate_test
