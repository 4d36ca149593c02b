// The machine port, files and drives: every file-system call the program makes goes through FileSystem.
// Paths are Windows paths ("C:\DIR\NAME", "\\SERVER\SHARE\..." or relative) as bytes in the ANSI code page.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

namespace os {

// Win32 error codes the port reports (GetLastError values).
enum : uint32_t {
    kErrorSuccess = 0,
    kErrorFileNotFound = 2,
    kErrorPathNotFound = 3,
    kErrorAccessDenied = 5,
    kErrorInvalidHandle = 6,
    kErrorNotReady = 21,
    kErrorWriteFault = 29,
    kErrorReadFault = 30,
    kErrorSharingViolation = 32,
    kErrorHandleDiskFull = 39,
    kErrorFileExists = 80,
    kErrorInvalidParameter = 87,
    kErrorDiskFull = 112,
    kErrorInvalidName = 123,
    kErrorDirNotEmpty = 145,
    kErrorAlreadyExists = 183,
};

// File attribute bits (FILE_ATTRIBUTE_*).
enum : uint32_t {
    kAttrReadOnly = 0x01,
    kAttrHidden = 0x02,
    kAttrSystem = 0x04,
    kAttrDirectory = 0x10,
    kAttrArchive = 0x20,
    kAttrNormal = 0x80,
    kInvalidAttributes = 0xFFFFFFFF,
};

// GetDriveType results, numbered as Windows numbers them.
enum class DriveType : uint32_t { Unknown = 0, NoRootDir = 1, Removable = 2, Fixed = 3, Remote = 4, CdRom = 5, RamDisk = 6 };

// How a file is opened: the access in the low two bits, the sharing in bits 4-6 (the runtime's fmOpen*/fmShare*).
enum : uint32_t {
    kOpenRead = 0x00,
    kOpenWrite = 0x01,
    kOpenReadWrite = 0x02,
    kShareExclusive = 0x10,
    kShareDenyWrite = 0x20,
    kShareDenyRead = 0x30,
    kShareDenyNone = 0x40,
};

// A calendar time without zone; the file layer treats it as the machine's local time.
struct LocalDateTime {
    int year = 1980, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

enum class SeekOrigin { Begin, Current, End };

// An open file. Every operation reports failure through its result and lastError of the FileSystem.
class File {
public:
    virtual ~File() = default;
    // Reads up to count bytes; returns the number read (0 at the end), or -1 on failure.
    virtual int64_t read(void* buffer, int64_t count) = 0;
    // Writes count bytes; returns the number written, or -1 on failure.
    virtual int64_t write(const void* buffer, int64_t count) = 0;
    // Moves the file pointer; returns the new position, or -1 on failure.
    virtual int64_t seek(int64_t offset, SeekOrigin origin) = 0;
    virtual int64_t size() = 0;
    // Sets the size to the current position (SetEndOfFile).
    virtual bool truncate() = 0;
    // Sets the last-write time, given as local time.
    virtual bool setLastWriteTime(const LocalDateTime& time) = 0;
    virtual bool getLastWriteTime(LocalDateTime& time) = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Opens an existing file with the access and sharing of mode; nullptr on failure (see lastError).
    virtual std::unique_ptr<File> openFile(const std::string& path, uint32_t mode) = 0;
    // Creates a file, or truncates an existing one, for reading and writing.
    virtual std::unique_ptr<File> createFile(const std::string& path) = 0;

    virtual uint32_t getFileAttributes(const std::string& path) = 0;
    virtual bool setFileAttributes(const std::string& path, uint32_t attributes) = 0;
    virtual bool createDirectory(const std::string& path) = 0;
    virtual bool removeDirectory(const std::string& path) = 0;
    virtual bool deleteFile(const std::string& path) = 0;
    virtual bool copyFile(const std::string& from, const std::string& to, bool failIfExists) = 0;
    virtual bool moveFile(const std::string& from, const std::string& to) = 0;

    // Type of the drive of a root path such as "C:\".
    virtual DriveType getDriveType(const std::string& root) = 0;

    virtual std::string getCurrentDirectory() = 0;
    virtual bool setCurrentDirectory(const std::string& path) = 0;
    // The full path of the running program (ParamStr(0)).
    virtual std::string moduleFileName() = 0;
    // The absolute form of a path (GetFullPathName): resolves ".", ".." and the current directory.
    virtual std::string fullPathName(const std::string& path) = 0;

    // The error code of the last failed call on this thread (GetLastError).
    virtual uint32_t lastError() = 0;

    // Whether calls may come from several threads at once. A file system that keeps records of its own in
    // plain containers (the change journal, wrappers of tests) says no, and the archive engine's item
    // workers then make their calls one at a time.
    virtual bool concurrentCalls() const { return false; }
};

}  // namespace os
