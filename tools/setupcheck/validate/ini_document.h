// A description file read line by line, with the rules of the private-profile calls the setup reads it
// through: section and key names compared without letter case (double-byte characters whole), blanks
// around names and values dropped, the first section of a name and the first key of a name in it win,
// a value in matching quotes loses them, a line without '=' is a key without a value.
#pragma once
#include <string>
#include <vector>

namespace setupcheck::validate {

class IniDocument {
public:
    struct Entry {
        std::string name;
        bool hasValue = false;
        std::string value;  // trimmed, quotes kept
        int line = 0;
    };
    struct Section {
        std::string name;
        int line = 0;  // of its header; 0 for the lines before the first header
        std::vector<Entry> entries;
    };

    IniDocument() = default;
    explicit IniDocument(const std::string& bytes);

    // The first line that is not GBK text and why; line 0 when every line is.
    int badLine() const { return badLine_; }
    const std::string& badLineProblem() const { return badLineProblem_; }

    // Sections in file order; the first holds the lines before any header.
    const std::vector<Section>& sections() const { return sections_; }
    // The first section of that name, or null.
    const Section* FindSection(const std::string& name) const;
    // The first key of that name in section, or null.
    const Entry* FindEntry(const Section& section, const std::string& key) const;
    // What the profile call returns for section and key: the value without its quotes, or defaultValue
    // when the section, the key or its '=' is missing.
    std::string Read(const std::string& section, const std::string& key, const std::string& defaultValue = "") const;
    // The line of that key, else of the section's header, else 0.
    int LineOf(const std::string& section, const std::string& key) const;

    // Names folded for comparison: ASCII letters upper-cased, double-byte characters kept whole.
    static std::string Fold(const std::string& name);

private:
    std::vector<Section> sections_;
    int badLine_ = 0;
    std::string badLineProblem_;
};

}  // namespace setupcheck::validate
