// Macro words are found as the setup finds them: letter case not counting (except _MSDE_), double-byte
// characters stepped over whole so that a trail byte 0x5F is never taken for '_'.
#include "setupcheck/validate/macro_checks.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "setupcheck/validate/gbk.h"

namespace setupcheck::validate {

namespace {

constexpr size_t kSearched = 255;  // substitution searches and paths hold at most this many characters

bool IsWordByte(unsigned char c) { return std::isalnum(c) || c == '_'; }

struct MacroWord {
    size_t at = 0;
    std::string word;  // as written, underscores included
};

// Words "_LETTERS_" that do not continue a name ("MSDE_DATA_" holds none).
std::vector<MacroWord> MacroWords(const std::string& text) {
    std::vector<MacroWord> words;
    bool afterWordByte = false;  // the character before i continues a name
    for (size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        if (IsGbkLeadByte(c)) {
            ++i;
            afterWordByte = false;
            continue;
        }
        bool opens = c == '_' && !afterWordByte;
        afterWordByte = IsWordByte(c);
        if (!opens) continue;
        size_t end = i + 1;
        while (end < text.size() && std::isalnum(static_cast<unsigned char>(text[end]))) ++end;
        if (end == i + 1 || end >= text.size() || text[end] != '_') continue;
        bool letters = false;
        for (size_t k = i + 1; k < end; ++k) letters |= std::isalpha(static_cast<unsigned char>(text[k])) != 0;
        if (!letters) continue;
        words.push_back({i, text.substr(i, end + 1 - i)});
        i = end;  // the closing '_' may not open the next word
        afterWordByte = true;
    }
    return words;
}

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

void CheckMacroTexts(Medium& medium) {
    const int products = static_cast<int>(medium.description.products.size());
    for (const MacroText& t : medium.description.macroTexts) {
        Findings& findings = medium.findings;
        const std::string what = t.what;
        if (t.text.size() > kSearched)
            findings.Error(t.file, t.line, "text-too-long",
                           what + " is " + std::to_string(t.text.size()) +
                               " bytes long; the setup substitutes and handles texts of at most 255");
        bool singleAt = std::count(t.text.begin(), t.text.end(), '@') == 1;
        std::map<std::string, int> seen;
        for (const MacroWord& m : MacroWords(t.text)) {
            std::string upper = Upper(m.word);
            std::string name;
            if (upper == "_WIN_" || upper == "_WINSYS_") {
                name = upper;
            } else if (upper == "_MAINPATH_") {
                name = upper;
                char digit = m.at + m.word.size() < t.text.size() ? t.text[m.at + m.word.size()] : '\0';
                if (digit < '0' || digit > '9') {
                    findings.Warning(t.file, t.line, "unknown-macro",
                                     what + ": _MAINPATH_ without a product digit is left in the text as it stands");
                    continue;
                }
                if (digit == '0' || digit - '0' > products)
                    findings.Error(t.file, t.line, "bad-mainpath-macro",
                                   what + ": _MAINPATH_" + digit + " names no product (there are " +
                                       std::to_string(products) + ")");
            } else if (m.word == "_MSDE_") {
                name = m.word;
                if (t.atLoad)
                    findings.Error(t.file, t.line, "unknown-macro",
                                   what + ": _MSDE_ is replaced only after the wizard, but this text is substituted "
                                          "while the description loads; the folder would be named _MSDE_");
            } else if (upper == "_MSDE_") {
                findings.Warning(t.file, t.line, "unknown-macro",
                                 what + ": " + m.word + " is left as it stands; only _MSDE_ in upper case is replaced");
                continue;
            } else {
                findings.Warning(t.file, t.line, "unknown-macro",
                                 what + ": " + Utf8(m.word) + " looks like a macro but is none; it is left as it stands");
                continue;
            }
            if (singleAt) {
                findings.Warning(t.file, t.line, "macro-off",
                                 what + " holds a single '@', so the setup replaces none of its macros");
                break;
            }
            if (++seen[name] == 2)
                findings.Warning(t.file, t.line, "repeated-macro",
                                 what + ": only the first " + name + " of a text is replaced; the later one stays");
            else if (m.at >= kSearched && name != "_MSDE_")
                findings.Error(t.file, t.line, "text-too-long",
                               what + ": " + name + " starts past the 255th character and is not replaced");
        }
    }
}

}  // namespace setupcheck::validate
