// Screen capture with BitBlt from the screen DC and forced repaints with RedrawWindow.
#include "setupbot/screen.h"

#include <windows.h>

#include <cctype>
#include <cstring>
#include <string>

#include "setupbot/robot.h"

namespace setupbot {

namespace {

Image CaptureWithGdi() {
    Image image;
    image.width = GetSystemMetrics(SM_CXSCREEN);
    image.height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = image.width;
    info.bmiHeader.biHeight = -image.height;  // rows from the top
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, image.width, image.height, screen, 0, 0, SRCCOPY);
        GdiFlush();
        image.pixels.resize(static_cast<size_t>(image.width) * image.height);
        std::memcpy(image.pixels.data(), bits, image.pixels.size() * 4);
        SelectObject(memory, old);
        DeleteObject(bitmap);
    } else {
        image.width = image.height = 0;
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return image;
}

// Runs `import` as a Unix program (Wine starts those too) writing a PPM picture to a temporary file, moved
// into place when complete, and reads it. Wine gives a Unix program neither
// a pipe as its standard output nor a handle to wait on, hence the file and the move.
Image CaptureWithImport() {
    Image image;
    using UnixFileName = char*(CDECL*)(const WCHAR*);
    auto toUnix = reinterpret_cast<UnixFileName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix) return image;
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    static int serial = 0;
    std::wstring path = std::wstring(folder) + L"setupbot-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                        std::to_wstring(++serial) + L".rgb";
    char* unixPath = toUnix(path.c_str());
    if (!unixPath) return image;
    std::string target = unixPath;
    HeapFree(GetProcessHeap(), 0, unixPath);
    if (target.find('\'') != std::string::npos) return image;
    std::string command = "/bin/sh -c \"/usr/bin/import -silent -window root -depth 8 'PPM:" + target +
                          ".part' && mv '" + target + ".part' '" + target + "'\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        Trace("capture: cannot start import (error " + std::to_string(GetLastError()) + ")");
        return image;
    }
    if (info.hProcess) CloseHandle(info.hProcess);
    if (info.hThread) CloseHandle(info.hThread);
    ULONGLONG end = GetTickCount64() + 10000;
    while (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES && GetTickCount64() < end) Sleep(10);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        Trace("capture: import wrote no picture (error " + std::to_string(GetLastError()) + ")");
        return image;
    }
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(file);
    // A binary PPM: "P6", width, height and the largest value (255) as decimal fields separated by white
    // space, one white-space byte, then the RGB bytes. The picture's own size counts, not what the
    // system metrics say (Wine's can differ from the X screen's once a dialog has been shown).
    size_t at = 0;
    auto field = [&]() -> long {
        while (at < bytes.size() && std::isspace(static_cast<unsigned char>(bytes[at]))) ++at;
        long value = 0;
        bool digits = false;
        while (at < bytes.size() && std::isdigit(static_cast<unsigned char>(bytes[at]))) {
            value = value * 10 + (bytes[at++] - '0');
            digits = true;
            if (value > 100000) return -1;
        }
        return digits ? value : -1;
    };
    if (bytes.compare(0, 2, "P6") != 0) {
        Trace("capture: import wrote no PPM picture");
        return image;
    }
    at = 2;
    long w = field(), h = field(), maximum = field();
    if (w <= 0 || h <= 0 || maximum != 255 || at >= bytes.size()) {
        Trace("capture: the PPM header cannot be read");
        return image;
    }
    ++at;  // the single white-space byte before the pixels
    if (bytes.size() - at != size_t(w) * size_t(h) * 3) {
        Trace("capture: the picture has " + std::to_string(bytes.size() - at) + " bytes for " + std::to_string(w) +
              "x" + std::to_string(h));
        return image;
    }
    image.width = int(w);
    image.height = int(h);
    image.pixels.resize(size_t(w) * size_t(h));
    const char* rgb = bytes.data() + at;
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        auto byte = [&](size_t k) { return uint32_t(static_cast<unsigned char>(rgb[3 * i + k])); };
        image.pixels[i] = (byte(0) << 16) | (byte(1) << 8) | byte(2);
    }
    return image;
}

}  // namespace

bool RunningUnderWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

Image CaptureScreen(CaptureMethod method) {
    return method == CaptureMethod::X11 ? CaptureWithImport() : CaptureWithGdi();
}

void RepaintWindows(const std::vector<HWND>& windows) {
    for (HWND window : windows)
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size();
    CloseHandle(file);
    return ok;
}

}  // namespace setupbot
