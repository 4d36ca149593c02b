#include "rtl/strings.h"

#include "os/machine.h"

namespace rtl {

bool IsLeadByte(uint8_t byte) {
    if (os::hasMachine()) return os::codePage().isLeadByte(byte);
    return byte >= 0x81 && byte <= 0xFE;  // GBK, the code page the texts are written in
}

namespace {

template <typename Map>
std::string MapLetters(std::string_view text, Map map) {
    std::string result(text);
    for (size_t i = 0; i < result.size(); ++i) {
        auto byte = static_cast<uint8_t>(result[i]);
        if (IsLeadByte(byte) && i + 1 < result.size()) {
            ++i;  // the trail byte belongs to the character
            continue;
        }
        result[i] = static_cast<char>(map(byte));
    }
    return result;
}

bool IsTrimmed(char c) { return static_cast<uint8_t>(c) <= ' '; }

}  // namespace

std::string AnsiUpperCase(std::string_view text) {
    return MapLetters(text, [](uint8_t c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; });
}

std::string AnsiLowerCase(std::string_view text) {
    return MapLetters(text, [](uint8_t c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; });
}

std::string UpperCaseAscii(std::string_view text) {
    std::string result(text);
    for (auto& c : result)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return result;
}

bool SameText(std::string_view a, std::string_view b) { return AnsiUpperCase(a) == AnsiUpperCase(b); }

std::string Trim(std::string_view text) { return TrimRight(TrimLeft(text)); }

std::string TrimLeft(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsTrimmed(text[i])) ++i;
    return std::string(text.substr(i));
}

std::string TrimRight(std::string_view text) {
    size_t n = text.size();
    while (n > 0 && IsTrimmed(text[n - 1])) --n;
    return std::string(text.substr(0, n));
}

size_t LastDelimiter(std::string_view delimiters, std::string_view text) {
    size_t found = std::string::npos;
    for (size_t i = 0; i < text.size(); ++i) {
        if (IsLeadByte(static_cast<uint8_t>(text[i])) && i + 1 < text.size()) {
            ++i;
            continue;
        }
        if (delimiters.find(text[i]) != std::string_view::npos) found = i;
    }
    return found;
}

std::string ExtractFilePath(std::string_view path) {
    size_t i = LastDelimiter("\\:", path);
    return i == std::string::npos ? std::string() : std::string(path.substr(0, i + 1));
}

std::string ExtractFileName(std::string_view path) {
    size_t i = LastDelimiter("\\:", path);
    return std::string(i == std::string::npos ? path : path.substr(i + 1));
}

std::string ExtractFileExt(std::string_view path) {
    size_t i = LastDelimiter(".\\:", path);
    if (i == std::string::npos || path[i] != '.') return std::string();
    return std::string(path.substr(i));
}

std::string ExtractFileDrive(std::string_view path) {
    if (path.size() >= 2 && path[1] == ':') return std::string(path.substr(0, 2));
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        // "\\server\share": up to the separator after the share name.
        size_t separators = 0;
        size_t i = 2;
        for (; i < path.size(); ++i) {
            if (path[i] == '\\' && ++separators == 2) break;
        }
        return std::string(path.substr(0, i));
    }
    return std::string();
}

std::string ChangeFileExt(std::string_view path, std::string_view extension) {
    size_t i = LastDelimiter(".\\:", path);
    if (i == std::string::npos || path[i] != '.') i = path.size();
    return std::string(path.substr(0, i)) + std::string(extension);
}

std::string IncludeTrailingBackslash(std::string_view path) {
    std::string result(path);
    if (!result.empty() && LastDelimiter("\\", result) != result.size() - 1) result += '\\';
    return result;
}

std::string ExcludeTrailingBackslash(std::string_view path) {
    std::string result(path);
    if (!result.empty() && LastDelimiter("\\", result) == result.size() - 1) result.pop_back();
    return result;
}

std::string IntToStr(int64_t value) { return std::to_string(value); }

std::string IntToHex(uint64_t value, int digits) {
    static const char hex[] = "0123456789ABCDEF";
    std::string result;
    do {
        result.insert(result.begin(), hex[value & 15]);
        value >>= 4;
    } while (value != 0);
    while (static_cast<int>(result.size()) < digits) result.insert(result.begin(), '0');
    return result;
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
    if (from.empty()) return std::string(text);
    std::string result;
    size_t start = 0;
    for (size_t i; (i = text.find(from, start)) != std::string_view::npos; start = i + from.size()) {
        result.append(text.substr(start, i - start));
        result.append(to);
    }
    result.append(text.substr(start));
    return result;
}

std::string SlashesToBackslashes(std::string_view text) {
    std::string result(text);
    for (auto& c : result)
        if (c == '/') c = '\\';
    return result;
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string line(text.substr(start, end - start));
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

}  // namespace rtl
