// A value list of the description read field by field as the setup reads it (app::ValueList), reporting
// an entry with too few fields (short-entry) and a numeric field that is not a number (not-a-number).
#pragma once
#include <string>

#include "app/value_list.h"
#include "setupcheck/validate/findings.h"

namespace setupcheck::validate {

class FieldReader {
public:
    // needed: the fields the entry must have; fewer commas than needed - 1 is short-entry, and its numbers
    // are then not reported again. what names the entry in messages ("[ShortCut] Name3").
    FieldReader(const std::string& value, int needed, const std::string& file, int line, const std::string& what,
                const std::string& fieldNames, Findings& findings);

    std::string Text() { return list_.Text(); }
    std::string Last() { return list_.Last(); }
    // The next field as the setup reads it (a leading decimal integer, 0 without digits).
    int Number(const std::string& fieldName);

    app::ValueList& List() { return list_; }
    bool Short() const { return short_; }

private:
    app::ValueList list_;
    std::string file_, what_;
    int line_;
    bool short_ = false;
    Findings& findings_;
};

// True for blanks, digits and blanks: a field the setup reads as the number it shows.
bool IsPlainNumber(const std::string& field);

}  // namespace setupcheck::validate
