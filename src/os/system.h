// The machine port, system facts and services: the version word, the Windows and system directories,
// short names, free space, local time, screen size, privileges, error texts and restarting.
#pragma once
#include <cstdint>
#include <string>

namespace os {

struct LocalTime {
    int year = 2000, month = 1, day = 1, dayOfWeek = 0, hour = 0, minute = 0, second = 0, milliseconds = 0;
};

// GetDiskFreeSpaceA's four numbers.
struct DiskGeometry {
    uint32_t sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
};

class System {
public:
    virtual ~System() = default;

    // GetVersion: major version in the low byte, minor in the next; top bit set for the 9x family.
    virtual uint32_t versionWord() = 0;
    // GetVersionExA's platform identifier: 2 for the NT family, 1 for 9x.
    virtual uint32_t platformId() = 0;
    virtual std::string windowsDirectory() = 0;
    virtual std::string systemDirectory() = 0;
    // GetShortPathNameA: the 8.3 form of an existing path; false when the path does not exist.
    virtual bool shortPathName(const std::string& path, std::string& shortPath) = 0;
    // GetDiskFreeSpaceA for a root such as "C:\"; false when the drive is not ready or missing.
    virtual bool diskFreeSpace(const std::string& root, DiskGeometry& geometry) = 0;
    // GetDiskFreeSpaceExA: bytes free to the caller, total bytes, total free bytes.
    virtual bool diskFreeSpaceEx(const std::string& root, uint64_t& freeToCaller, uint64_t& total,
                                 uint64_t& totalFree) = 0;
    virtual LocalTime localTime() = 0;
    // The primary screen's size in pixels.
    virtual int screenWidth() = 0;
    virtual int screenHeight() = 0;
    // Enables or disables a privilege ("SeDebugPrivilege") of the process token; true when adjusted.
    virtual bool setPrivilege(const std::string& name, bool enable) = 0;
    // FormatMessageA's English text for a system error code; empty when there is none.
    virtual std::string errorText(uint32_t code) = 0;
    // GetLastError of the calling thread, and SetLastError.
    virtual uint32_t lastError() = 0;
    virtual void setLastError(uint32_t code) = 0;
    // ExitWindowsEx with the given flags; true when the request was accepted.
    virtual bool exitWindows(uint32_t flags) = 0;
    // The processors this process may run on (its affinity mask, not every processor of the machine);
    // 0 when the port cannot tell.
    virtual int processorCount() { return 0; }
};

}  // namespace os
