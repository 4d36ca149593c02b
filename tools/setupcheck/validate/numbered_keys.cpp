// Reading of numbered keys and the findings for those that are never read.
#include "setupcheck/validate/numbered_keys.h"

#include "setupcheck/validate/medium.h"

namespace setupcheck::validate {

std::vector<NumberedValue> ReadNumbered(const IniDocument& document, const std::string& file,
                                        const std::string& section, const std::string& word, int limit,
                                        Bound bound, Findings& findings, const std::string& limitText) {
    std::vector<NumberedValue> values;
    for (int i = 1; i <= limit; ++i) {
        std::string value = document.Read(section, Numbered(word, i));
        if (value.empty()) break;
        values.push_back({i, value, document.LineOf(section, Numbered(word, i))});
    }
    const IniDocument::Section* s = document.FindSection(section);
    if (!s) return values;

    const int read = static_cast<int>(values.size());
    const std::string prefix = IniDocument::Fold(word);
    const std::string where = "[" + Utf8(s->name) + "] ";
    bool reportedPastLimit = false;
    for (const IniDocument::Entry& entry : s->entries) {
        std::string name = IniDocument::Fold(entry.name);
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
        std::string digits = name.substr(prefix.size());
        if (digits.find_first_not_of("0123456789") != std::string::npos) continue;
        if (digits.size() > 9) digits = "999999999";
        int number = std::stoi(digits);
        if (document.FindEntry(*s, entry.name) != &entry) continue;  // a repeated key: reported elsewhere
        if (digits[0] == '0') {
            findings.Warning(file, entry.line, "unused-key",
                             where + Utf8(entry.name) + " is never read: numbers are written without leading zeros");
        } else if (number <= read) {
            continue;
        } else if (number > limit && bound == Bound::Capacity && read == limit) {
            if (reportedPastLimit) continue;
            reportedPastLimit = true;
            findings.Error(file, entry.line, "too-many",
                           where + Utf8(entry.name) + " is dropped: the setup holds at most " + std::to_string(limit) +
                               " " + (limitText.empty() ? word + " keys" : limitText));
        } else if (number > limit && bound == Bound::Declared && read == limit) {
            findings.Warning(file, entry.line, "unused-key",
                             where + Utf8(entry.name) + " is never read: " +
                                 (limitText.empty() ? "only " + std::to_string(limit) + " are declared" : limitText));
        } else {
            findings.Warning(file, entry.line, "key-after-gap",
                             where + Utf8(entry.name) + " is never read: " + word + std::to_string(read + 1) +
                                 " is missing or empty, and reading stops there");
        }
    }
    return values;
}

}  // namespace setupcheck::validate
