// Field reading with the checks on entry shape and numbers.
#include "setupcheck/validate/fields.h"

#include <algorithm>

#include "setupcheck/validate/medium.h"

namespace setupcheck::validate {

bool IsPlainNumber(const std::string& field) {
    size_t first = field.find_first_not_of(" \t");
    if (first == std::string::npos || field[first] < '0' || field[first] > '9') return false;
    size_t end = field.find_first_not_of("0123456789", first);
    return end == std::string::npos || field.find_first_not_of(" \t", end) == std::string::npos;
}

FieldReader::FieldReader(const std::string& value, int needed, const std::string& file, int line,
                         const std::string& what, const std::string& fieldNames, Findings& findings)
    : list_(value), file_(file), what_(what), line_(line), findings_(findings) {
    int commas = static_cast<int>(std::count(value.begin(), value.end(), ','));
    if (commas < needed - 1) {
        short_ = true;
        findings_.Error(file_, line_, "short-entry",
                        what_ + " has " + std::to_string(commas + 1) + " fields, needs " + std::to_string(needed) +
                            " (" + fieldNames + "): the fields before the last come out empty");
    }
}

int FieldReader::Number(const std::string& fieldName) {
    std::string field = list_.Text();
    if (!short_ && !IsPlainNumber(field))
        findings_.Error(file_, line_, "not-a-number",
                        what_ + ": " + fieldName + " \"" + Utf8(field) + "\" is not a number; the setup reads " +
                            std::to_string(app::ParseLeadingInt(field)));
    return app::ParseLeadingInt(field);
}

}  // namespace setupcheck::validate
