// Conversions between the system code page (the setup's texts), UTF-8 (session file, report) and UTF-16
// (Win32 wide calls).
#pragma once
#include <string>

namespace setupbot {

std::wstring AnsiToWide(const std::string& ansi);
std::string WideToAnsi(const std::wstring& wide);
std::wstring Utf8ToWide(const std::string& utf8);
std::string WideToUtf8(const std::wstring& wide);
inline std::string AnsiToUtf8(const std::string& ansi) { return WideToUtf8(AnsiToWide(ansi)); }
inline std::string Utf8ToAnsi(const std::string& utf8) { return WideToAnsi(Utf8ToWide(utf8)); }

}  // namespace setupbot
