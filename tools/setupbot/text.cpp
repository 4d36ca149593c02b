// Code-page conversions through MultiByteToWideChar / WideCharToMultiByte.
#include "setupbot/text.h"

#include <windows.h>

namespace setupbot {
namespace {

std::wstring ToWide(unsigned codePage, const std::string& text) {
    if (text.empty()) return {};
    int length = MultiByteToWideChar(codePage, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring wide(size_t(length), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), int(text.size()), wide.data(), length);
    return wide;
}

std::string FromWide(unsigned codePage, const std::wstring& wide) {
    if (wide.empty()) return {};
    int length = WideCharToMultiByte(codePage, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string text(size_t(length), '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), int(wide.size()), text.data(), length, nullptr, nullptr);
    return text;
}

}  // namespace

std::wstring AnsiToWide(const std::string& ansi) { return ToWide(CP_ACP, ansi); }
std::string WideToAnsi(const std::wstring& wide) { return FromWide(CP_ACP, wide); }
std::wstring Utf8ToWide(const std::string& utf8) { return ToWide(CP_UTF8, utf8); }
std::string WideToUtf8(const std::wstring& wide) { return FromWide(CP_UTF8, wide); }

}  // namespace setupbot
