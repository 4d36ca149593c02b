// Screen capture with BitBlt from the screen DC and forced repaints with RedrawWindow.
#include "setupbot/screen.h"

#include <windows.h>

#include <cstring>
#include <string>

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

// Runs `import` as a Unix program (Wine starts those too) writing raw RGB bytes to a temporary file, moved
// into place when complete, and reads width x height x 3 bytes from it. Wine gives a Unix program neither
// a pipe as its standard output nor a handle to wait on, hence the file and the move.
Image CaptureWithImport() {
    Image image;
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
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
    std::string command = "/bin/sh -c \"/usr/bin/import -silent -window root -depth 8 'RGB:" + target +
                          ".part' && mv '" + target + ".part' '" + target + "'\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return image;
    if (info.hProcess) CloseHandle(info.hProcess);
    if (info.hThread) CloseHandle(info.hThread);
    ULONGLONG end = GetTickCount64() + 10000;
    while (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES && GetTickCount64() < end) Sleep(10);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) return image;
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(file);
    if (bytes.size() != size_t(width) * height * 3) return image;
    image.width = width;
    image.height = height;
    image.pixels.resize(size_t(width) * height);
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        auto byte = [&](size_t k) { return uint32_t(static_cast<unsigned char>(bytes[3 * i + k])); };
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
