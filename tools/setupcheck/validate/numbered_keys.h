// Numbered keys ("Name1", "Name2", ...) read as the setup reads them, from 1 upwards until the first
// missing or empty value or a bound, with findings for the keys that are never read.
#pragma once
#include <string>
#include <vector>

#include "setupcheck/validate/findings.h"
#include "setupcheck/validate/ini_document.h"

namespace setupcheck::validate {

struct NumberedValue {
    int number = 0;
    std::string value;
    int line = 0;
};

enum class Bound {
    Capacity,  // the table holds no more: the first key past it is an error (too-many)
    Declared,  // the description declared how many: keys past it are a warning (unused-key)
};

// Reads word1 ... word<limit> of section in file until the first empty value. Then, for the keys of
// that section spelled word + number that were not read: past the limit, too-many (the first only) or
// unused-key as bound says; otherwise key-after-gap; a number with leading zeros is unused-key.
std::vector<NumberedValue> ReadNumbered(const IniDocument& document, const std::string& file,
                                        const std::string& section, const std::string& word, int limit,
                                        Bound bound, Findings& findings, const std::string& limitText = "");

}  // namespace setupcheck::validate
