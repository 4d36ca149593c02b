// A simulated Windows machine whose drives are folders of the host. Used by the native tests and by the
// tools on Linux. Windows paths are mapped onto host paths: the drive letter selects a host folder, each
// name is converted from the ANSI code page to UTF-8 and matched case-insensitively, as Windows would.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "os/machine.h"

namespace os::sim {

// Facts of the simulated Windows installation (a machine file sets them).
struct Settings {
    uint32_t versionWord = 0x0A280105;  // NT family (5.1, build 2600); 9x words have the top bit set
    std::string windowsDirectory = "C:\\WINDOWS";
    std::string systemDirectory = "C:\\WINDOWS\\SYSTEM32";
    int screenWidth = 1024, screenHeight = 768;
    // The local time the machine reports; the host's clock when not set.
    bool fixedTime = false;
    LocalTime time;
};

// Faults the machine produces on demand, as a machine on a user's desk meets them. Paths are Windows paths
// in the ANSI code page and compare as full paths without regard to case; registry keys are written
// "HKLM\SOFTWARE\KEY" (HKLM, HKCU, HKCR, HKU or the long HKEY_ names).
struct Faults {
    // Writes to the drive fail with ERROR_DISK_FULL once this many more bytes have been added to its files
    // (bytes that overwrite a file's existing content take no space). The write that crosses the limit
    // writes what still fits, then fails.
    std::map<char, uint64_t> diskFullAfter;
    // A read of the file that would deliver the byte at this offset fails with ERROR_CRC (a scratched disc).
    std::vector<std::pair<std::string, int64_t>> readErrors;
    // The drive answers ERROR_NOT_READY to every file call once this many more reads have been served
    // (the disc taken out).
    std::map<char, uint64_t> notReadyAfter;
    // Files held open by another program: opening for writing, replacing, moving or deleting them fails
    // with ERROR_SHARING_VIOLATION. Reading them succeeds.
    std::vector<std::string> locked;
    // Folders (or files) whose contents the user may not change: creating, writing, deleting, moving and
    // setting attributes at or below them fails with ERROR_ACCESS_DENIED.
    std::vector<std::string> denyWrite;
    // Keys the user may not change: creating or writing them or any key below, or deleting their values,
    // fails with ERROR_ACCESS_DENIED.
    std::vector<std::string> denyRegistry;
};

struct Drive {
    DriveType type = DriveType::Fixed;
    std::string hostRoot;  // host folder holding the drive's root; empty for a drive without a medium
    uint64_t freeBytes = uint64_t(20480) << 20;
};

class SimMachine : public Machine {
public:
    SimMachine();
    ~SimMachine() override;

    // Drives. Letters are upper-cased. A drive with an empty host root reports its type but holds nothing.
    void addDrive(char letter, Drive drive);
    const std::map<char, Drive>& drives() const;
    Drive* drive(char letter);

    void setCodePages(uint32_t ansi, uint32_t oem);
    void setModuleFileName(const std::string& windowsPath);

    // What hostPath found out on the way, so callers need not ask the host again.
    struct HostEntry {
        bool exists = false;          // the path names something
        bool directory = false;       // ... and it is a folder
        bool parentIsFolder = false;  // the folder that would hold it exists
    };

    // The host path of a Windows path; nullopt when its drive is unknown or has no host folder.
    // Names that exist are matched case-insensitively; the rest are taken as given.
    std::optional<std::string> hostPath(const std::string& windowsPath, HostEntry* entry = nullptr);
    // The Windows path of an absolute host path below one of the drives' host folders; nullopt otherwise.
    std::optional<std::string> windowsPath(const std::string& hostPath);

    Settings& settings();
    // The faults in force; changes take effect with the next call.
    Faults& faults();

    FileSystem& files() override;
    CodePage& codePage() override;
    Registry& registry() override;
    Profile& profile() override;
    System& system() override;
    Shell& shell() override;

    struct State;  // internal

private:
    std::unique_ptr<State> state_;
};

}  // namespace os::sim
