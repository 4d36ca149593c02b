// The real machine's files and drives: thin wrappers over the Win32 ANSI file functions. Failures keep the
// error code of the failing call, which lastError (GetLastError) then reports.
#include <windows.h>

#include <algorithm>
#include <cassert>

#include "os/win32/win32_parts.h"

namespace os::win32::detail {

namespace {

// Largest transfer handed to one ReadFile/WriteFile call.
constexpr int64_t kMaxChunk = 1 << 30;

class Win32File : public File {
public:
    explicit Win32File(HANDLE handle) : handle_(handle) { assert(handle != INVALID_HANDLE_VALUE); }
    ~Win32File() override {
        // Closing must not clobber the error code a caller is about to read.
        DWORD saved = GetLastError();
        CloseHandle(handle_);
        SetLastError(saved);
    }

    int64_t read(void* buffer, int64_t count) override {
        if (count < 0) return SetLastError(ERROR_INVALID_PARAMETER), -1;
        auto* p = static_cast<char*>(buffer);
        int64_t total = 0;
        while (total < count) {
            DWORD done = 0;
            auto chunk = static_cast<DWORD>(std::min(count - total, kMaxChunk));
            if (!ReadFile(handle_, p + total, chunk, &done, nullptr)) return -1;
            if (done == 0) break;
            total += done;
        }
        return total;
    }

    int64_t write(const void* buffer, int64_t count) override {
        if (count < 0) return SetLastError(ERROR_INVALID_PARAMETER), -1;
        auto* p = static_cast<const char*>(buffer);
        int64_t total = 0;
        while (total < count) {
            DWORD done = 0;
            auto chunk = static_cast<DWORD>(std::min(count - total, kMaxChunk));
            if (!WriteFile(handle_, p + total, chunk, &done, nullptr)) return -1;
            if (done == 0) break;
            total += done;
        }
        return total;
    }

    int64_t seek(int64_t offset, SeekOrigin origin) override {
        DWORD method = origin == SeekOrigin::Begin ? FILE_BEGIN : origin == SeekOrigin::Current ? FILE_CURRENT : FILE_END;
        LARGE_INTEGER distance, position;
        distance.QuadPart = offset;
        if (!SetFilePointerEx(handle_, distance, &position, method)) return -1;
        return position.QuadPart;
    }

    int64_t size() override {
        LARGE_INTEGER result;
        if (!GetFileSizeEx(handle_, &result)) return -1;
        return result.QuadPart;
    }

    bool truncate() override { return SetEndOfFile(handle_) != FALSE; }

    bool setLastWriteTime(const LocalDateTime& t) override {
        SYSTEMTIME parts{};
        parts.wYear = static_cast<WORD>(t.year);
        parts.wMonth = static_cast<WORD>(t.month);
        parts.wDay = static_cast<WORD>(t.day);
        parts.wHour = static_cast<WORD>(t.hour);
        parts.wMinute = static_cast<WORD>(t.minute);
        parts.wSecond = static_cast<WORD>(t.second);
        FILETIME local, utc;
        if (!SystemTimeToFileTime(&parts, &local) || !LocalFileTimeToFileTime(&local, &utc)) return false;
        return SetFileTime(handle_, nullptr, nullptr, &utc) != FALSE;
    }

    bool getLastWriteTime(LocalDateTime& t) override {
        FILETIME utc, local;
        SYSTEMTIME parts;
        if (!GetFileTime(handle_, nullptr, nullptr, &utc) || !FileTimeToLocalFileTime(&utc, &local) ||
            !FileTimeToSystemTime(&local, &parts))
            return false;
        t = {parts.wYear, parts.wMonth, parts.wDay, parts.wHour, parts.wMinute, parts.wSecond};
        return true;
    }

private:
    HANDLE handle_;
};

// Calls a Win32 function that fills a char buffer and returns the length it needs (or wrote), growing the
// buffer until the result fits. Returns an empty string when the call fails.
template <typename Call>
std::string FillBuffer(Call call) {
    std::string buffer(MAX_PATH, '\0');
    for (;;) {
        DWORD length = call(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(std::max<size_t>(length + 1, buffer.size() * 2));
    }
}

class Win32FileSystem : public FileSystem {
public:
    std::unique_ptr<File> openFile(const std::string& path, uint32_t mode) override {
        // Access in bits 0-1 and sharing in bits 4-6, numbered as the runtime numbers them.
        static constexpr DWORD kAccess[3] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
        static constexpr DWORD kShare[5] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE};
        uint32_t access = mode & 3;
        uint32_t share = (mode & 0xF0) >> 4;
        if (access > 2 || share > 4 || (mode & ~0xF3u) != 0) return SetLastError(ERROR_INVALID_PARAMETER), nullptr;
        HANDLE handle = CreateFileA(path.c_str(), kAccess[access], kShare[share], nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return nullptr;
        return std::make_unique<Win32File>(handle);
    }

    std::unique_ptr<File> createFile(const std::string& path) override {
        HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return nullptr;
        return std::make_unique<Win32File>(handle);
    }

    uint32_t getFileAttributes(const std::string& path) override { return GetFileAttributesA(path.c_str()); }
    bool setFileAttributes(const std::string& path, uint32_t attributes) override {
        return SetFileAttributesA(path.c_str(), attributes) != FALSE;
    }
    bool createDirectory(const std::string& path) override { return CreateDirectoryA(path.c_str(), nullptr) != FALSE; }
    bool removeDirectory(const std::string& path) override { return RemoveDirectoryA(path.c_str()) != FALSE; }
    bool deleteFile(const std::string& path) override { return DeleteFileA(path.c_str()) != FALSE; }
    bool copyFile(const std::string& from, const std::string& to, bool failIfExists) override {
        return CopyFileA(from.c_str(), to.c_str(), failIfExists) != FALSE;
    }
    bool moveFile(const std::string& from, const std::string& to) override {
        return MoveFileA(from.c_str(), to.c_str()) != FALSE;
    }

    DriveType getDriveType(const std::string& root) override {
        return static_cast<DriveType>(GetDriveTypeA(root.c_str()));
    }

    std::string getCurrentDirectory() override {
        return FillBuffer([](char* buffer, DWORD size) { return GetCurrentDirectoryA(size, buffer); });
    }
    bool setCurrentDirectory(const std::string& path) override { return SetCurrentDirectoryA(path.c_str()) != FALSE; }

    std::string moduleFileName() override {
        // GetModuleFileNameA returns the buffer size when the name was cut; ask again with a bigger one.
        std::string buffer(MAX_PATH, '\0');
        for (;;) {
            DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
            if (length == 0) return {};
            if (length < buffer.size()) {
                buffer.resize(length);
                return buffer;
            }
            buffer.resize(buffer.size() * 2);
        }
    }

    std::string fullPathName(const std::string& path) override {
        return FillBuffer([&](char* buffer, DWORD size) { return GetFullPathNameA(path.c_str(), size, buffer, nullptr); });
    }

    uint32_t lastError() override { return GetLastError(); }
    bool concurrentCalls() const override { return true; }
};

}  // namespace

std::unique_ptr<FileSystem> MakeFileSystem() { return std::make_unique<Win32FileSystem>(); }

}  // namespace os::win32::detail
