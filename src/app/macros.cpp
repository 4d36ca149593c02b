// Macro substitution: one pass per macro over a search copy of the text that keeps every byte's position.
#include "app/macros.h"

#include <string_view>
#include <vector>

#include "os/machine.h"
#include "rtl/strings.h"

namespace app {

namespace {

// The search copy covers at most this many characters of the text.
constexpr size_t kSearchLength = 255;

// Where characters begin: false for the trail byte of a double-byte character.
std::vector<bool> CharacterStarts(std::string_view text) {
    std::vector<bool> starts(text.size(), true);
    for (size_t i = 0; i < text.size(); ++i)
        if (rtl::IsLeadByte(static_cast<uint8_t>(text[i])) && i + 1 < text.size()) starts[++i] = false;
    return starts;
}

// The first occurrence of what in haystack at or after from that begins a character; npos when none.
size_t FindAtCharacter(std::string_view haystack, std::string_view what, const std::vector<bool>& starts,
                       size_t from = 0) {
    for (size_t at = haystack.find(what, from); at != std::string_view::npos; at = haystack.find(what, at + 1))
        if (starts[at]) return at;
    return std::string_view::npos;
}

// The text's first kSearchLength characters, ASCII letters upper-cased byte by byte (positions kept).
std::string SearchCopy(const std::string& text) {
    return rtl::UpperCaseAscii(std::string_view(text).substr(0, kSearchLength));
}

// Replaces the first case-insensitive occurrence of macro (given in upper case) by value.
void ReplaceFirstFolded(std::string& text, std::string_view macro, const std::string& value) {
    std::string search = SearchCopy(text);
    size_t at = FindAtCharacter(search, macro, CharacterStarts(search));
    if (at == std::string::npos) return;
    text.replace(at, macro.size(), value);
}

// The replacement of _MAINPATH_d whose digit stands at digitAt, or false when the digit names no loaded product.
bool MainPathValue(const std::string& text, size_t digitAt, const MacroContext& context, std::string& value) {
    if (!context.table || digitAt >= text.size()) return false;
    char digit = text[digitAt];
    if (digit < '1' || digit > '9') return false;
    int product = digit - '0';
    if (product > context.table->ProductCount) return false;
    const std::string& mainPath = context.table->Products[product - 1].MainPath;
    std::string shortPath;
    if (os::system().shortPathName(mainPath, shortPath) && !shortPath.empty()) value = shortPath;
    else value = mainPath;
    return true;
}

}  // namespace

std::string& SubstituteMacros(std::string& text, const MacroContext& context) {
    std::string windowsDirectory = os::system().windowsDirectory();
    std::string systemDirectory = os::system().systemDirectory();

    // A single '@' leaves the text alone; a pair is kept as it stands and the macros around it are replaced.
    {
        std::string search = SearchCopy(text);
        std::vector<bool> starts = CharacterStarts(search);
        size_t first = FindAtCharacter(search, "@", starts);
        if (first != std::string::npos && FindAtCharacter(search, "@", starts, first + 1) == std::string::npos)
            return text;
    }

    ReplaceFirstFolded(text, "_WIN_", windowsDirectory);
    ReplaceFirstFolded(text, "_WINSYS_", systemDirectory);

    constexpr std::string_view kMainPath = "_MAINPATH_";
    {
        std::string search = SearchCopy(text);
        size_t at = FindAtCharacter(search, kMainPath, CharacterStarts(search));
        std::string value;
        if (at != std::string::npos && MainPathValue(text, at + kMainPath.size(), context, value))
            text.replace(at, kMainPath.size() + 1, value);
    }

    constexpr std::string_view kMsde = "_MSDE_";
    if (context.instanceName) {
        size_t at = FindAtCharacter(text, kMsde, CharacterStarts(text));
        if (at != std::string::npos) text.replace(at, kMsde.size(), context.instanceName());
    }
    return text;
}

}  // namespace app
