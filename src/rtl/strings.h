// 8-bit string helpers of the runtime. Strings are bytes in the ANSI code page; helpers that look for
// delimiters or change case step over double-byte characters, whose trail byte may equal '\' or a letter.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rtl {

// True when byte starts a double-byte character in the current ANSI code page.
bool IsLeadByte(uint8_t byte);

// Upper-cases ASCII letters, leaving double-byte characters whole (AnsiUpperCase as the setup needs it).
std::string AnsiUpperCase(std::string_view text);
std::string AnsiLowerCase(std::string_view text);
// Upper-cases ASCII letters of every byte, with no regard for double-byte characters.
std::string UpperCaseAscii(std::string_view text);
bool SameText(std::string_view a, std::string_view b);

// Removes spaces and control characters from both ends (Trim), the start (TrimLeft) or the end (TrimRight).
std::string Trim(std::string_view text);
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);

// Position of the last byte of text that is one of delimiters and not the trail byte of a double-byte
// character; std::string::npos when there is none.
size_t LastDelimiter(std::string_view delimiters, std::string_view text);

// Path parts: ExtractFilePath keeps the trailing '\' (or ':'), ExtractFileName is what follows it,
// ExtractFileExt is the last '.' and what follows it in the name part, ExtractFileDrive is "C:" or
// "\\server\share".
std::string ExtractFilePath(std::string_view path);
std::string ExtractFileName(std::string_view path);
std::string ExtractFileExt(std::string_view path);
std::string ExtractFileDrive(std::string_view path);
std::string ChangeFileExt(std::string_view path, std::string_view extension);
// Appends '\' unless the path is empty or already ends in one.
std::string IncludeTrailingBackslash(std::string_view path);
// Removes one trailing '\' (ExcludeTrailingBackslash).
std::string ExcludeTrailingBackslash(std::string_view path);

std::string IntToStr(int64_t value);
std::string IntToHex(uint64_t value, int digits);
// Replaces every occurrence of from by to.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);
// Replaces every '/' by '\'.
std::string SlashesToBackslashes(std::string_view text);
// The lines of a text, split at LF with a CR before it dropped; a final line without LF counts, an empty
// text has none.
std::vector<std::string> SplitLines(std::string_view text);

}  // namespace rtl
