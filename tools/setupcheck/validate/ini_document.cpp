// Parsing of a description file into sections and keys with their line numbers.
#include "setupcheck/validate/ini_document.h"

#include <string_view>

#include "setupcheck/validate/gbk.h"

namespace setupcheck::validate {

namespace {

constexpr std::string_view kBlanks = " \t\r\v\f";

std::string_view Trim(std::string_view text) {
    size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// The last ']' of a header; 0x5D is also a GBK trail byte, so pairs are stepped over.
size_t ClosingBracket(std::string_view text) {
    size_t found = std::string_view::npos;
    for (size_t i = 0; i < text.size(); ++i) {
        if (IsGbkLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ++i;
        else if (text[i] == ']') found = i;
    }
    return found;
}

}  // namespace

IniDocument::IniDocument(const std::string& bytes) {
    sections_.push_back(Section());
    size_t at = 0;
    int lineNumber = 0;
    while (at < bytes.size()) {
        ++lineNumber;
        size_t newline = bytes.find('\n', at);
        size_t end = newline == std::string::npos ? bytes.size() : newline;
        std::string_view raw = std::string_view(bytes).substr(at, end - at);
        at = newline == std::string::npos ? bytes.size() : newline + 1;
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        if (!badLine_) {
            std::string problem = GbkProblem(raw, lineNumber == 1);
            if (!problem.empty()) {
                badLine_ = lineNumber;
                badLineProblem_ = problem;
            }
        }
        std::string_view content = Trim(raw);
        if (content.empty()) continue;
        size_t bracket = content[0] == '[' ? ClosingBracket(content) : std::string_view::npos;
        if (bracket != std::string_view::npos) {
            Section section;
            section.name = Trim(content.substr(1, bracket - 1));
            section.line = lineNumber;
            sections_.push_back(std::move(section));
            continue;
        }
        // '=' (0x3D) is never the second byte of a GBK character.
        Entry entry;
        size_t equals = content.find('=');
        entry.name = Trim(content.substr(0, equals));
        if (equals != std::string_view::npos) {
            entry.hasValue = true;
            entry.value = Trim(content.substr(equals + 1));
        }
        entry.line = lineNumber;
        sections_.back().entries.push_back(std::move(entry));
    }
}

std::string IniDocument::Fold(const std::string& name) {
    std::string result = name;
    for (size_t i = 0; i < result.size(); ++i) {
        auto c = static_cast<unsigned char>(result[i]);
        if (IsGbkLeadByte(c) && i + 1 < result.size()) ++i;
        else if (c >= 'a' && c <= 'z') result[i] = static_cast<char>(c - 32);
    }
    return result;
}

const IniDocument::Section* IniDocument::FindSection(const std::string& name) const {
    std::string wanted = Fold(std::string(Trim(name)));
    for (size_t i = 1; i < sections_.size(); ++i)
        if (Fold(sections_[i].name) == wanted) return &sections_[i];
    return nullptr;
}

const IniDocument::Entry* IniDocument::FindEntry(const Section& section, const std::string& key) const {
    std::string wanted = Fold(std::string(Trim(key)));
    for (const Entry& entry : section.entries)
        if (Fold(entry.name) == wanted) return &entry;
    return nullptr;
}

std::string IniDocument::Read(const std::string& section, const std::string& key, const std::string& defaultValue) const {
    const Section* s = FindSection(section);
    const Entry* entry = s ? FindEntry(*s, key) : nullptr;
    if (!entry || !entry->hasValue) return defaultValue;
    const std::string& value = entry->value;
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        return value.substr(1, value.size() - 2);
    return value;
}

int IniDocument::LineOf(const std::string& section, const std::string& key) const {
    const Section* s = FindSection(section);
    if (!s) return 0;
    const Entry* entry = FindEntry(*s, key);
    return entry ? entry->line : s->line;
}

}  // namespace setupcheck::validate
