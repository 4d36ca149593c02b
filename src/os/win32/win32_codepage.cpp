// The real machine's code pages: GetACP/GetOEMCP, OemToCharBuffA, IsDBCSLeadByte and UTF-8 conversion
// through UTF-16 (MultiByteToWideChar + WideCharToMultiByte).
#include <windows.h>

#include <cassert>
#include <climits>

#include "os/win32/win32_parts.h"

namespace os::win32::detail {

namespace {

std::wstring ToWide(const std::string& text, UINT codePage) {
    if (text.empty()) return {};
    assert(text.size() < INT_MAX);
    int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::string FromWide(const std::wstring& wide, UINT codePage) {
    if (wide.empty()) return {};
    int length = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    if (length <= 0) return {};
    std::string text(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), text.data(), length, nullptr, nullptr);
    return text;
}

class Win32CodePage : public CodePage {
public:
    uint32_t ansiCodePage() override { return GetACP(); }
    uint32_t oemCodePage() override { return GetOEMCP(); }
    bool areFileApisAnsi() override { return AreFileApisANSI() != FALSE; }

    std::string oemToAnsi(const std::string& text) override {
        if (text.empty()) return text;
        assert(text.size() < ULONG_MAX);
        std::string result(text.size(), '\0');
        OemToCharBuffA(text.data(), result.data(), static_cast<DWORD>(text.size()));
        return result;
    }

    bool isLeadByte(uint8_t byte) override { return IsDBCSLeadByte(byte) != FALSE; }

    std::string ansiToUtf8(const std::string& text) override { return FromWide(ToWide(text, CP_ACP), CP_UTF8); }
    std::string utf8ToAnsi(const std::string& text) override { return FromWide(ToWide(text, CP_UTF8), CP_ACP); }
};

}  // namespace

std::unique_ptr<CodePage> MakeCodePage() { return std::make_unique<Win32CodePage>(); }

}  // namespace os::win32::detail
