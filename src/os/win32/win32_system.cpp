// The real machine's system facts and services: version, folders, short names, free space, local time,
// screen size, process-token privileges, error texts, the last error and ExitWindowsEx.
#include <windows.h>

#include <algorithm>

#include "os/win32/win32_parts.h"

namespace os::win32::detail {

namespace {

// Calls a Win32 function that fills a char buffer and returns the length it wrote, or the size it needs
// when the buffer is too small. Returns false when the call fails.
template <typename Call>
bool FillBuffer(std::string& result, Call call) {
    std::string buffer(MAX_PATH, '\0');
    for (;;) {
        DWORD length = call(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return false;
        if (length < buffer.size()) {
            buffer.resize(length);
            result = buffer;
            return true;
        }
        buffer.resize(std::max<size_t>(length + 1, buffer.size() * 2));
    }
}

std::string Filled(auto call) {
    std::string result;
    FillBuffer(result, call);
    return result;
}

class Win32System : public System {
public:
    uint32_t versionWord() override { return GetVersion(); }

    uint32_t platformId() override {
        OSVERSIONINFOA info{};
        info.dwOSVersionInfoSize = sizeof info;  // 148 bytes
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        if (!GetVersionExA(&info)) return 0;
#pragma GCC diagnostic pop
        return info.dwPlatformId;
    }

    std::string windowsDirectory() override {
        return Filled([](char* buffer, DWORD size) { return GetWindowsDirectoryA(buffer, size); });
    }

    std::string systemDirectory() override {
        return Filled([](char* buffer, DWORD size) { return GetSystemDirectoryA(buffer, size); });
    }

    bool shortPathName(const std::string& path, std::string& shortPath) override {
        return FillBuffer(shortPath,
                          [&](char* buffer, DWORD size) { return GetShortPathNameA(path.c_str(), buffer, size); });
    }

    bool diskFreeSpace(const std::string& root, DiskGeometry& geometry) override {
        DWORD sectors = 0, bytes = 0, freeClusters = 0, totalClusters = 0;
        if (!GetDiskFreeSpaceA(root.c_str(), &sectors, &bytes, &freeClusters, &totalClusters)) return false;
        geometry = {sectors, bytes, freeClusters, totalClusters};
        return true;
    }

    bool diskFreeSpaceEx(const std::string& root, uint64_t& freeToCaller, uint64_t& total,
                         uint64_t& totalFree) override {
        ULARGE_INTEGER caller{}, all{}, free{};
        if (!GetDiskFreeSpaceExA(root.c_str(), &caller, &all, &free)) return false;
        freeToCaller = caller.QuadPart;
        total = all.QuadPart;
        totalFree = free.QuadPart;
        return true;
    }

    LocalTime localTime() override {
        SYSTEMTIME t;
        GetLocalTime(&t);
        return {t.wYear, t.wMonth, t.wDay, t.wDayOfWeek, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
    }

    int screenWidth() override { return GetSystemMetrics(SM_CXSCREEN); }
    int screenHeight() override { return GetSystemMetrics(SM_CYSCREEN); }

    // Opens the process token, looks the privilege up on the local system and adjusts that one privilege,
    // leaving the others as they are; the previous state goes into a buffer for one privilege.
    bool setPrivilege(const std::string& name, bool enable) override {
        HANDLE token = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return false;
        bool result = false;
        LUID luid;
        if (LookupPrivilegeValueA(nullptr, name.c_str(), &luid)) {
            TOKEN_PRIVILEGES privileges{};
            privileges.PrivilegeCount = 1;
            privileges.Privileges[0].Luid = luid;
            privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
            TOKEN_PRIVILEGES previous{};
            DWORD previousSize = 0;
            result = AdjustTokenPrivileges(token, FALSE, &privileges, sizeof previous, &previous, &previousSize);
        }
        DWORD error = GetLastError();  // closing the token must not hide why the adjustment failed
        CloseHandle(token);
        SetLastError(error);
        return result;
    }

    // Inserts are ignored: system texts with "%1" would otherwise read arguments nobody passes. The
    // thread's last error is kept, so a caller can still report the code after asking for its text.
    std::string errorText(uint32_t code) override {
        DWORD saved = GetLastError();
        char* text = nullptr;
        DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                          FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, code, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                                      reinterpret_cast<char*>(&text), 0, nullptr);
        std::string result = length && text ? std::string(text, length) : std::string();
        if (text) LocalFree(text);
        SetLastError(saved);
        return result;
    }

    uint32_t lastError() override { return GetLastError(); }
    void setLastError(uint32_t code) override { SetLastError(code); }

    int processorCount() override {
        DWORD_PTR process = 0, system = 0;
        if (!GetProcessAffinityMask(GetCurrentProcess(), &process, &system)) return 0;
        int count = 0;
        for (; process; process &= process - 1) ++count;
        return count;
    }

    bool exitWindows(uint32_t flags) override { return ExitWindowsEx(flags, 0) != FALSE; }
};

}  // namespace

std::unique_ptr<System> MakeSystem() { return std::make_unique<Win32System>(); }

}  // namespace os::win32::detail
