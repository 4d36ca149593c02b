// The machine port, code pages: the ANSI and OEM code pages and conversions between them.
#pragma once
#include <cstdint>
#include <string>

namespace os {

class CodePage {
public:
    virtual ~CodePage() = default;
    virtual uint32_t ansiCodePage() = 0;
    virtual uint32_t oemCodePage() = 0;
    // AreFileApisANSI: true when the file functions take names in the ANSI code page.
    virtual bool areFileApisAnsi() = 0;
    // OemToCharA: converts OEM bytes to ANSI bytes.
    virtual std::string oemToAnsi(const std::string& text) = 0;
    // IsDBCSLeadByte for the ANSI code page.
    virtual bool isLeadByte(uint8_t byte) = 0;
    // Conversions at the edges of the program (reports, host paths, diagnostics).
    virtual std::string ansiToUtf8(const std::string& text) = 0;
    virtual std::string utf8ToAnsi(const std::string& text) = 0;
};

}  // namespace os
